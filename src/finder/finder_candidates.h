// Which characters of a font the finder offers: the ideographs of the CJK blocks a font maps, and the
// variation sequences (cmap format 14) that show a glyph of their own. A gaiji drawn today is often a
// character Unicode has since taken in, in an extension block or as an ideographic variation sequence of a
// character it already had; these are the places to look for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "glyphstore/tte_font.h"

// The CJK unified ideographs, their extensions A..I and the compatibility ideographs.
bool IsFinderCode(std::uint32_t code);
// U+FE00..U+FE0F and U+E0100..U+E01EF.
bool IsVariationSelector(std::uint32_t code);

struct FinderCandidate {
    std::uint32_t code = 0;
    std::uint32_t selector = 0;  // 0 for the character alone
    int glyph = 0;
    bool operator==(const FinderCandidate&) const = default;
};

// The font's candidates: every code of its Unicode map in the blocks above, then every variation sequence
// of such a code whose glyph differs from the code's own (a default sequence looks exactly like its base
// and would only repeat it). kTteOk, or the reader's kTteBadCmap with `error` set.
int EnumerateCandidates(const TteFont& font, std::vector<FinderCandidate>& candidates, std::string& error);

// "U+2A6B2", or "U+845B U+E0101" for a sequence.
std::string CandidateCodeText(std::uint32_t code, std::uint32_t selector);
// The character as UTF-16 text, selector included (what the clipboard gets).
std::u16string CandidateUtf16(std::uint32_t code, std::uint32_t selector);
