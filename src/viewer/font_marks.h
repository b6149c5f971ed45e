// The browser's look at the font beside the bitmap file: every stored character whose glyph in the font is
// missing or shows something else is marked, so that a pair that disagrees is seen before another program
// shows the wrong character. The rule is the glyph store's agreement rule, the same as the save's proof.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "glyphstore/tte_agreement.h"
#include "viewer/glyph_sheet.h"

enum class FontMark {
    None,
    Missing,   // the font has no glyph for the stored character
    Differs,   // the font's glyph shows another character
    BadGlyph,  // the font's glyph does not read
};

class FontMarks {
  public:
    // Reads the font and compares every stored character of the sheet with it. A font that cannot be read
    // marks nothing; its result says why.
    void Load(const GlyphSheet& sheet, const std::filesystem::path& font);
    void Compare(const GlyphSheet& sheet, const TteFont& font);

    int FontResult() const { return m_fontResult; }
    FontMark Mark(int code) const;
    // The glyph's overlap with the character in percent, for Differs.
    int OverlapPercent(int code) const;
    // The reader's result for BadGlyph.
    int GlyphResult(int code) const;
    int MarkedCount() const { return static_cast<int>(m_marks.size()); }
    // Every marked code with its mark.
    std::map<int, FontMark> Marks() const;

  private:
    struct Entry {
        FontMark mark = FontMark::None;
        int percent = 0;
        int result = 0;
    };
    int m_fontResult = kTteCannotOpen;
    std::map<int, Entry> m_marks;
};

// The codes whose mark differs between two looks, ascending.
std::vector<int> ChangedMarks(const FontMarks& before, const FontMarks& after);
