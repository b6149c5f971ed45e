// The glyph sizes the editor can work with. The management size in the bitmap file's header becomes the
// side N of every plane in the process, so a size the planes cannot hold must be refused at start-up,
// before anything is allocated from it.
#pragma once

// A plane keeps N/8 bytes a row without padding, so N must be a multiple of 8; the reader refuses records
// of more than 8192 bytes, so no character larger than 256 by 256 could ever be read.
inline constexpr int kMinGlyphSize = 8;
inline constexpr int kMaxGlyphSize = 256;
inline constexpr int kGlyphSizeStep = 8;

// Whether a management size of width by height dots is one the editor can edit: square, and a side of
// 8..256 dots in steps of 8. Zero, negative, oblong, oversized and odd sizes are refused.
bool IsUsableGlyphSize(int width, int height);
