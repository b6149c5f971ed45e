#include "finder/glyph_features.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kCanvas = kFeatureCanvas;
constexpr int kInner = kFeatureCanvas - 2 * kFeatureMargin;
constexpr int kSubSamples = 4;  // a side, for the area a working dot covers
constexpr double kSqrt2 = 1.41421356237309504880;
constexpr double kHalfSqrt2 = kSqrt2 / 2;
static_assert(kFeatureDirections == 8);
// The eight directions, counter-clockwise from +x (y grows downwards, as the rows do).
constexpr double kDirectionX[8] = {1, kHalfSqrt2, 0, -kHalfSqrt2, -1, -kHalfSqrt2, 0, kHalfSqrt2};
constexpr double kDirectionY[8] = {0, kHalfSqrt2, 1, kHalfSqrt2, 0, -kHalfSqrt2, -1, -kHalfSqrt2};

// The 45-degree sector a vector lies in: 0 from +x up to the diagonal (+x, +y), and so on round.
int Octant(double x, double y) {
    if (y >= 0) {
        if (x > 0) return y < x ? 0 : 1;
        return y > -x ? 2 : 3;
    }
    if (x < 0) return -y < -x ? 4 : 5;
    return -y > x ? 6 : 7;
}

bool Ink(std::span<const std::uint8_t> dots, int stride, int x, int y) {
    return (dots[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x / 8)] &
            (0x80 >> (x % 8))) == 0;
}

}  // namespace

bool ComputeGlyphFeatures(std::span<const std::uint8_t> dots, int size, GlyphFeatures& features) {
    features.fill(0);
    if (size <= 0) return false;
    const int stride = (size + 7) / 8;
    if (dots.size() < static_cast<std::size_t>(stride) * static_cast<std::size_t>(size)) return false;

    // The ink's box.
    int left = size, top = size, right = -1, bottom = -1;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (Ink(dots, stride, x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0) return false;

    // Onto the working square: both sides fill it, except that a side shorter than half the other is taken
    // as half the other, centred (a single bar stays a bar instead of becoming a block).
    double boxWidth = right - left + 1, boxHeight = bottom - top + 1;
    double boxLeft = left, boxTop = top;
    const double longer = std::max(boxWidth, boxHeight);
    if (boxWidth < longer / 2) {
        boxLeft -= (longer / 2 - boxWidth) / 2;
        boxWidth = longer / 2;
    }
    if (boxHeight < longer / 2) {
        boxTop -= (longer / 2 - boxHeight) / 2;
        boxHeight = longer / 2;
    }
    // The area of each working dot that ink covers, from kSubSamples by kSubSamples points: the mapping is
    // the same along every row and column, so the rows are sampled first and then summed down the columns.
    std::vector<std::uint8_t> ink(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            ink[static_cast<std::size_t>(y) * size + static_cast<std::size_t>(x)] =
                Ink(dots, stride, x, y) ? 1 : 0;
    auto sourceIndex = [size](double origin, double extent, int i) {
        const int at = static_cast<int>(std::floor(origin + (i + 0.5) / kSubSamples * extent / kInner));
        return at >= 0 && at < size ? at : -1;
    };
    std::array<int, kInner * kSubSamples> xs{}, ys{};
    for (int i = 0; i < kInner * kSubSamples; ++i) {
        xs[static_cast<std::size_t>(i)] = sourceIndex(boxLeft, boxWidth, i);
        ys[static_cast<std::size_t>(i)] = sourceIndex(boxTop, boxHeight, i);
    }
    // rowCover[y][u]: how many of column u's sample points hit ink in source row y.
    std::vector<std::uint8_t> rowCover(static_cast<std::size_t>(size) * kInner, 0);
    for (int y = 0; y < size; ++y) {
        const std::uint8_t* row = ink.data() + static_cast<std::size_t>(y) * size;
        std::uint8_t* cover = rowCover.data() + static_cast<std::size_t>(y) * kInner;
        for (int i = 0; i < kInner * kSubSamples; ++i)
            if (const int x = xs[static_cast<std::size_t>(i)]; x >= 0) cover[i / kSubSamples] += row[x];
    }
    std::vector<float> grey(static_cast<std::size_t>(kCanvas) * kCanvas, 0.0f);
    for (int i = 0; i < kInner * kSubSamples; ++i) {
        const int y = ys[static_cast<std::size_t>(i)];
        if (y < 0) continue;
        const std::uint8_t* cover = rowCover.data() + static_cast<std::size_t>(y) * kInner;
        float* out = grey.data() + static_cast<std::size_t>(i / kSubSamples + kFeatureMargin) * kCanvas +
                     kFeatureMargin;
        for (int u = 0; u < kInner; ++u) out[u] += cover[u] * (1.0f / (kSubSamples * kSubSamples));
    }

    // Smoothing (1 2 1 both ways), so that the edges of a dot staircase point the way the stroke runs.
    std::vector<float> smooth(grey.size(), 0.0f), pass(grey.size(), 0.0f);
    auto at = [](std::vector<float>& plane, int x, int y) -> float& {
        return plane[static_cast<std::size_t>(y) * kCanvas + static_cast<std::size_t>(x)];
    };
    for (int y = 0; y < kCanvas; ++y)
        for (int x = 1; x < kCanvas - 1; ++x)
            at(pass, x, y) = at(grey, x - 1, y) + 2 * at(grey, x, y) + at(grey, x + 1, y);
    for (int y = 1; y < kCanvas - 1; ++y)
        for (int x = 0; x < kCanvas; ++x)
            at(smooth, x, y) = (at(pass, x, y - 1) + 2 * at(pass, x, y) + at(pass, x, y + 1)) / 16;

    // Edge directions (Sobel), each edge split onto its two nearest directions, summed into the cells with
    // weights that fall off linearly from a cell's centre to its neighbour's.
    std::array<double, kFeatureBytes> sums{};
    const double cellSize = static_cast<double>(kCanvas) / kFeatureCells;
    for (int y = 1; y < kCanvas - 1; ++y)
        for (int x = 1; x < kCanvas - 1; ++x) {
            const double gx =
                (at(smooth, x + 1, y - 1) + 2 * at(smooth, x + 1, y) + at(smooth, x + 1, y + 1)) -
                (at(smooth, x - 1, y - 1) + 2 * at(smooth, x - 1, y) + at(smooth, x - 1, y + 1));
            const double gy =
                (at(smooth, x - 1, y + 1) + 2 * at(smooth, x, y + 1) + at(smooth, x + 1, y + 1)) -
                (at(smooth, x - 1, y - 1) + 2 * at(smooth, x, y - 1) + at(smooth, x + 1, y - 1));
            if (gx == 0 && gy == 0) continue;
            // The edge as the sum of its two nearest directions of the eight (45 degrees apart).
            const int d0 = Octant(gx, gy);
            const int d1 = (d0 + 1) % kFeatureDirections;
            const double w0 = (gx * kDirectionY[d1] - gy * kDirectionX[d1]) * kSqrt2;
            const double w1 = (kDirectionX[d0] * gy - kDirectionY[d0] * gx) * kSqrt2;
            const double cx = (x + 0.5) / cellSize - 0.5, cy = (y + 0.5) / cellSize - 0.5;
            const int c0x = static_cast<int>(std::floor(cx)), c0y = static_cast<int>(std::floor(cy));
            const double fx = cx - c0x, fy = cy - c0y;
            for (int j = 0; j < 2; ++j)
                for (int i = 0; i < 2; ++i) {
                    const int cellX = c0x + i, cellY = c0y + j;
                    if (cellX < 0 || cellY < 0 || cellX >= kFeatureCells || cellY >= kFeatureCells) continue;
                    const double w = (i ? fx : 1 - fx) * (j ? fy : 1 - fy);
                    const std::size_t cell = static_cast<std::size_t>(cellY * kFeatureCells + cellX);
                    sums[cell * kFeatureDirections + static_cast<std::size_t>(d0)] += w * w0;
                    sums[cell * kFeatureDirections + static_cast<std::size_t>(d1)] += w * w1;
                }
        }

    // The square root evens out strong and weak edges; the largest becomes 255.
    double largest = 0;
    for (double& sum : sums) {
        sum = std::sqrt(sum);
        largest = std::max(largest, sum);
    }
    if (largest <= 0) return false;
    for (std::size_t i = 0; i < sums.size(); ++i)
        features[i] = static_cast<std::uint8_t>(std::lround(sums[i] / largest * 255));
    return true;
}

std::uint32_t FeatureDot(const std::uint8_t* a, const std::uint8_t* b) {
    std::uint32_t sum = 0;
    for (int i = 0; i < kFeatureBytes; ++i) sum += static_cast<std::uint32_t>(a[i] * b[i]);
    return sum;
}

float FeatureNorm(const GlyphFeatures& features) {
    return std::sqrt(static_cast<float>(FeatureDot(features.data(), features.data())));
}

float FeatureSimilarity(const GlyphFeatures& a, float normA, const GlyphFeatures& b, float normB) {
    if (normA <= 0 || normB <= 0) return 0;
    return static_cast<float>(FeatureDot(a.data(), b.data())) / (normA * normB);
}
