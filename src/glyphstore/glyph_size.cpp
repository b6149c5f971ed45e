#include "glyphstore/glyph_size.h"

bool IsUsableGlyphSize(int width, int height) {
    return width == height && width >= kMinGlyphSize && width <= kMaxGlyphSize && width % kGlyphSizeStep == 0;
}
