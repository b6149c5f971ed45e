// What the finder compares: a glyph's stroke directions, region by region. A gaiji drawn by hand and the same
// character in a font differ in place, size, stroke width and the shape of stroke ends, but their strokes run
// the same way in the same parts of the character. So the ink's box is scaled onto a fixed working square
// (which takes away place and size), the picture is smoothed, and the direction of its edges is summed into
// a coarse grid of cells (which takes away stroke width and small differences of position). Two glyphs are
// alike when these sums are: the cosine of the two feature vectors.
#pragma once

#include <array>
#include <cstdint>
#include <span>

// The square the ink's box is scaled onto, and its margin on every side.
inline constexpr int kFeatureCanvas = 64;
inline constexpr int kFeatureMargin = 4;
// Edge directions (over the full circle) and grid cells a side.
inline constexpr int kFeatureDirections = 8;
inline constexpr int kFeatureCells = 6;
inline constexpr int kFeatureBytes = kFeatureDirections * kFeatureCells * kFeatureCells;

// One glyph's features, scaled so that the largest is 255.
using GlyphFeatures = std::array<std::uint8_t, kFeatureBytes>;

// The features of a size by size picture in the dot planes' form (rows top to bottom, (size + 7) / 8 bytes a
// row, leftmost dot in the most significant bit, bit 0 ink). False for a picture without ink, or when
// `dots` is shorter than the picture.
bool ComputeGlyphFeatures(std::span<const std::uint8_t> dots, int size, GlyphFeatures& features);

// The length of a feature vector, and the similarity of two: 0 (nothing alike) .. 1 (the same).
float FeatureNorm(const GlyphFeatures& features);
float FeatureSimilarity(const GlyphFeatures& a, float normA, const GlyphFeatures& b, float normB);
// The dot product the search sums, for callers that keep the norms.
std::uint32_t FeatureDot(const std::uint8_t* a, const std::uint8_t* b);
