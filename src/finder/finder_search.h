// The finder's search: the candidates of every indexed font, scored against the drawn glyph and ranked. The
// features of all candidates lie in one block, so that a search is one pass over it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "finder/finder_index.h"
#include "finder/glyph_features.h"

struct FinderMatch {
    std::uint32_t code = 0;
    std::uint32_t selector = 0;
    int font = 0;          // index into the catalog's fonts
    float similarity = 0;  // 0..1
};

class FinderCatalog {
  public:
    // Adds a font's index under a name shown with its results; its features are moved into the block.
    void AddFont(std::string name, FontIndex&& index);
    void Clear();

    std::size_t CandidateCount() const { return m_codes.size(); }
    std::size_t FontCount() const { return m_fontNames.size(); }
    const std::string& FontName(int font) const { return m_fontNames[static_cast<std::size_t>(font)]; }
    // The bytes the loaded catalog holds.
    std::size_t MemoryBytes() const;

    // The `count` candidates most like the glyph, best first; a character found in several fonts is listed
    // once, with the font where it scored best. Empty when the glyph has no ink.
    std::vector<FinderMatch> Search(std::span<const std::uint8_t> dots, int size, std::size_t count) const;
    std::vector<FinderMatch> Search(const GlyphFeatures& query, std::size_t count) const;

  private:
    struct Code {
        std::uint32_t code;
        std::uint32_t selector;
        std::uint32_t font;
    };
    std::vector<std::string> m_fontNames;
    std::vector<Code> m_codes;
    std::vector<std::uint8_t> m_features;  // kFeatureBytes a candidate
    std::vector<float> m_norms;
};
