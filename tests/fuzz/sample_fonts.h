// Fonts built by code for the finder's seeds and unit tests: a small font of our own writer whose character
// map is replaced by one of ideographs (a format 12 map, reaching extension B) and variation sequences (a
// format 14 map), the way the fonts the finder reads are laid out.
#pragma once

#include <cstdint>
#include <vector>

// One mapping of the sample font's variation map.
struct SampleSequence {
    std::uint32_t base = 0;
    std::uint32_t selector = 0;
    int character = -1;  // index into the pictures for its own glyph; -1 for a default sequence
};

struct SampleFontCode {
    std::uint32_t code = 0;
    int character = 0;  // index into the pictures
};

// A font of `size` dots whose glyphs show `pictures` (N / 8 bytes a row, bit 0 black); the Unicode map
// (3,10) sends each code to its picture's glyph, and the (0,5) map holds the sequences (none when empty).
std::vector<std::uint8_t> MakeSampleFont(int size, const std::vector<std::vector<std::uint8_t>>& pictures,
                                         const std::vector<SampleFontCode>& codes,
                                         const std::vector<SampleSequence>& sequences);

// Distinct pictures for it: a few strokes each, like characters.
std::vector<std::vector<std::uint8_t>> SampleStrokePictures(int size, int count);
