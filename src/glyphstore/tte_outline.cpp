#include "glyphstore/tte_outline.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// Directions of a unit edge between two grid vertices, as seen on screen (rows grow downwards).
enum : std::uint8_t { kEast = 1, kSouth = 2, kWest = 4, kNorth = 8 };

int StepX(std::uint8_t direction) { return direction == kEast ? 1 : direction == kWest ? -1 : 0; }
int StepY(std::uint8_t direction) { return direction == kSouth ? 1 : direction == kNorth ? -1 : 0; }
std::uint8_t RightOf(std::uint8_t direction) {
    return direction == kEast ? kSouth : direction == kSouth ? kWest : direction == kWest ? kNorth : kEast;
}

struct Vertex {
    int x;
    int y;
    bool operator==(const Vertex&) const = default;
};

}  // namespace

std::int32_t TteGrid::XAt(double k) const {
    return offsetX + static_cast<std::int32_t>(std::lround(k * (unitsPerEm * scale) / size));
}

std::int32_t TteGrid::YAt(double k) const {
    return offsetY + static_cast<std::int32_t>(std::lround((baselineRow - k) * (unitsPerEm * scale) / size));
}

int NewFontBaselineRow(int size) { return size - size / 8; }

int DotsToOutline(std::span<const std::uint8_t> dots, const TteGrid& grid, TteCorners corners,
                  TteOutline& outline, std::string& error) {
    outline = {};
    const int n = grid.size;
    const std::size_t rowBytes = (static_cast<std::size_t>(n) + 7) / 8;
    if (n <= 0 || dots.size() < rowBytes * static_cast<std::size_t>(n)) {
        error = "the dots do not fill a " + std::to_string(n) + " by " + std::to_string(n) + " character";
        return kTteBadGlyph;
    }
    // The dots with a white border around them, so that neighbours need no bounds checks.
    const int w = n + 1;
    const int pad = n + 2;
    std::vector<std::uint8_t> ink(static_cast<std::size_t>(pad) * pad, 0);
    for (int y = 0; y < n; ++y) {
        const std::uint8_t* row = dots.data() + rowBytes * static_cast<std::size_t>(y);
        std::uint8_t* line = ink.data() + static_cast<std::size_t>(y + 1) * pad + 1;
        for (int x = 0; x < n; x += 8) {
            const std::uint8_t byte = row[x / 8];
            if (byte == 0xFF) continue;
            for (int bit = 0; bit < 8 && x + bit < n; ++bit) line[x + bit] = (byte & (0x80u >> bit)) == 0;
        }
    }
    auto inked = [&](int x, int y) {
        return ink[static_cast<std::size_t>(y + 1) * pad + static_cast<std::size_t>(x + 1)] != 0;
    };
    // Every edge between ink and white, directed so that the ink lies on its right: top edges run east,
    // right edges south, bottom edges west, left edges north. Each vertex keeps the edges leaving it.
    auto at = [w](int x, int y) { return static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + x; };
    std::vector<std::uint8_t> leaving(static_cast<std::size_t>(w) * w, 0);
    std::vector<std::size_t> starts;  // vertices with an edge leaving them, in scan order
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            if (!inked(x, y)) continue;
            if (!inked(x, y - 1)) {
                leaving[at(x, y)] |= kEast;
                starts.push_back(at(x, y));
            }
            if (!inked(x + 1, y)) leaving[at(x + 1, y)] |= kSouth;
            if (!inked(x, y + 1)) leaving[at(x + 1, y + 1)] |= kWest;
            if (!inked(x - 1, y)) leaving[at(x, y + 1)] |= kNorth;
        }
    }
    std::vector<std::uint8_t> used(leaving.size(), 0);
    std::vector<std::vector<Vertex>> loops;
    std::vector<Vertex> walk;
    std::vector<int> seenAt(leaving.size(), -1);
    // Every loop has a top edge (running east): starting from those finds them all.
    for (const std::size_t origin : starts) {
        const int x = static_cast<int>(origin % static_cast<std::size_t>(w));
        const int y = static_cast<int>(origin / static_cast<std::size_t>(w));
        const std::uint8_t first = kEast;
        if (used[origin] & first) continue;
        // Follow the edges; where two leave one vertex (two ink dots meeting at a corner only), turn
        // right, keeping to the dot just passed, so that dots touching at a corner stay apart.
        walk.clear();
        Vertex v{x, y};
        std::uint8_t direction = first;
        do {
            walk.push_back(v);
            used[at(v.x, v.y)] |= direction;
            v = {v.x + StepX(direction), v.y + StepY(direction)};
            const std::uint8_t options = leaving[at(v.x, v.y)];
            direction = (options & (options - 1)) != 0 ? RightOf(direction) : options;
        } while (!(v == Vertex{x, y} && direction == first));
        // A loop that comes back to a vertex it passed (a region closing on itself at a corner) is
        // split there into loops that touch each other but not themselves: an outline and a hole.
        std::vector<Vertex> stack;
        for (const Vertex& vertex : walk) {
            int& seen = seenAt[at(vertex.x, vertex.y)];
            if (seen >= 0) {
                loops.emplace_back(stack.begin() + seen, stack.end());
                for (std::size_t i = static_cast<std::size_t>(seen) + 1; i < stack.size(); ++i)
                    seenAt[at(stack[i].x, stack[i].y)] = -1;
                stack.resize(static_cast<std::size_t>(seen) + 1);
            } else {
                seen = static_cast<int>(stack.size());
                stack.push_back(vertex);
            }
        }
        for (const Vertex& vertex : stack) seenAt[at(vertex.x, vertex.y)] = -1;
        if (!stack.empty()) loops.push_back(std::move(stack));
    }

    // Only the corners: a vertex between two steps of one direction is dropped.
    std::size_t points = 0;
    for (auto& loop : loops) {
        std::vector<Vertex> kept;
        const std::size_t count = loop.size();
        for (std::size_t i = 0; i < count; ++i) {
            const Vertex& previous = loop[(i + count - 1) % count];
            const Vertex& here = loop[i];
            const Vertex& next = loop[(i + 1) % count];
            if ((here.x - previous.x) != (next.x - here.x) || (here.y - previous.y) != (next.y - here.y))
                kept.push_back(here);
        }
        loop = std::move(kept);
        // Rounded, a corner is three points: where the rounding leaves each edge, and the corner itself.
        points += loop.size() * (corners == TteCorners::Rounded ? 3 : 1);
    }
    if (points > static_cast<std::size_t>(kTteMaxPoints) ||
        loops.size() > static_cast<std::size_t>(kTteMaxContours)) {
        error = "the character needs " + std::to_string(points) + " points in " +
                std::to_string(loops.size()) + " contours; TrueType allows at most " +
                std::to_string(kTteMaxPoints) + " points and " + std::to_string(kTteMaxContours) +
                " contours in one glyph";
        return kTteTooComplex;
    }
    outline.points.reserve(points);
    for (const auto& loop : loops) {
        const std::size_t count = loop.size();
        const std::size_t first = outline.points.size();
        for (std::size_t i = 0; i < count; ++i) {
            const Vertex& here = loop[i];
            const TteOutline::Point corner{grid.X(here.x), grid.Y(here.y), true};
            if (corners != TteCorners::Rounded) {
                outline.points.push_back({corner.x, corner.y, corners == TteCorners::Square});
                continue;
            }
            // A quadratic arc from one dot along the edge before the corner to one dot along the edge after
            // it (half the edge when it is shorter), the corner its control point.
            auto along = [&](const Vertex& toward) {
                const int length = std::abs(toward.x - here.x) + std::abs(toward.y - here.y);
                const double reach = std::min(1.0, length / 2.0) / length;
                return TteOutline::Point{grid.XAt(here.x + (toward.x - here.x) * reach),
                                         grid.YAt(here.y + (toward.y - here.y) * reach), true};
            };
            const TteOutline::Point before = along(loop[(i + count - 1) % count]);
            if (outline.points.size() == first || outline.points.back() != before)
                outline.points.push_back(before);
            outline.points.push_back({corner.x, corner.y, false});
            outline.points.push_back(along(loop[(i + 1) % count]));
        }
        if (corners == TteCorners::Rounded && outline.points.size() > first + 1 &&
            outline.points.back() == outline.points[first])
            outline.points.pop_back();
        outline.contourEnds.push_back(static_cast<std::uint32_t>(outline.points.size() - 1));
    }
    return kTteOk;
}
