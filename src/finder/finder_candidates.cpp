#include "finder/finder_candidates.h"

#include <cstdio>

namespace {

struct CodeBlock {
    std::uint32_t first;
    std::uint32_t last;
};

constexpr CodeBlock kFinderBlocks[] = {
    {0x3400, 0x4DBF},    // extension A
    {0x4E00, 0x9FFF},    // unified ideographs
    {0xF900, 0xFAFF},    // compatibility ideographs
    {0x20000, 0x2A6DF},  // extension B
    {0x2A700, 0x2B73F},  // extension C
    {0x2B740, 0x2B81F},  // extension D
    {0x2B820, 0x2CEAF},  // extension E
    {0x2CEB0, 0x2EBEF},  // extension F
    {0x2EBF0, 0x2EE5F},  // extension I
    {0x2F800, 0x2FA1F},  // compatibility supplement
    {0x30000, 0x3134F},  // extension G
    {0x31350, 0x323AF},  // extension H
};

void AppendUtf16(std::u16string& text, std::uint32_t code) {
    if (code < 0x10000) {
        text.push_back(static_cast<char16_t>(code));
    } else {
        code -= 0x10000;
        text.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
        text.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    }
}

}  // namespace

bool IsFinderCode(std::uint32_t code) {
    for (const CodeBlock& block : kFinderBlocks)
        if (code >= block.first && code <= block.last) return true;
    return false;
}

bool IsVariationSelector(std::uint32_t code) {
    return (code >= 0xFE00 && code <= 0xFE0F) || (code >= 0xE0100 && code <= 0xE01EF);
}

int EnumerateCandidates(const TteFont& font, std::vector<FinderCandidate>& candidates, std::string& error) {
    candidates.clear();
    for (const int code : font.Codes())
        if (IsFinderCode(static_cast<std::uint32_t>(code)))
            candidates.push_back({static_cast<std::uint32_t>(code), 0, font.GlyphForCode(code)});
    std::vector<TteVariation> sequences;
    if (const int result = font.VariationSequences(sequences); result != kTteOk) {
        candidates.clear();
        error = font.Error();
        return result;
    }
    for (const TteVariation& sequence : sequences)
        if (!sequence.isDefault && IsFinderCode(sequence.base) &&
            sequence.glyph != font.GlyphForCode(static_cast<int>(sequence.base)))
            candidates.push_back({sequence.base, sequence.selector, sequence.glyph});
    return kTteOk;
}

std::string CandidateCodeText(std::uint32_t code, std::uint32_t selector) {
    char text[32];
    if (selector == 0)
        std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(code));
    else
        std::snprintf(text, sizeof text, "U+%04X U+%04X", static_cast<unsigned>(code),
                      static_cast<unsigned>(selector));
    return text;
}

std::u16string CandidateUtf16(std::uint32_t code, std::uint32_t selector) {
    std::u16string text;
    AppendUtf16(text, code);
    if (selector != 0) AppendUtf16(text, selector);
    return text;
}
