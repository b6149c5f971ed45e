// Pictures built by code for the seed corpora and the unit tests: packed device-independent bitmaps of every
// depth and compression the paste conversion reads, and PNG files of the colour types euftool reads. The
// picture is given as a predicate "is pixel (x, y) ink"; ink is drawn black, the rest pure white.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

using InkAt = std::function<bool(int x, int y)>;

struct DibShape {
    int width = 8;
    int height = 8;
    int bitCount = 24;     // 1, 4, 8, 16, 24 or 32
    int compression = 0;   // 0 none, 1 RLE8, 2 RLE4, 3 bit fields
    int headerSize = 40;   // 12, 40, 52, 56, 108 or 124
    bool topDown = false;  // negative height (not with RLE)
    bool greyInk = false;  // ink in dark grey instead of black, to show that any non-white colour is ink
};

// A packed DIB: header, masks, palette (black/grey and white first), pixels.
std::vector<std::uint8_t> MakeDib(const DibShape& shape, const InkAt& ink);

enum class PngKind { kGrey1, kGrey8, kGrey16, kPalette, kRgb8, kRgba8, kGreyAlpha16 };

// A PNG of the kind (non-interlaced unless told); empty when libpng fails.
std::vector<std::uint8_t> MakePng(PngKind kind, int width, int height, const InkAt& ink,
                                  bool interlaced = false);
