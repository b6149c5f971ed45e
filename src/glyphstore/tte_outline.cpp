#include "glyphstore/tte_outline.h"

#include <cmath>
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

std::int32_t TteGrid::X(int k) const {
    return offsetX + static_cast<std::int32_t>(std::lround(k * (unitsPerEm * scale) / size));
}

std::int32_t TteGrid::Y(int k) const {
    return offsetY + static_cast<std::int32_t>(std::lround((baselineRow - k) * (unitsPerEm * scale) / size));
}

int NewFontBaselineRow(int size) { return size - size / 8; }

int DotsToOutline(std::span<const std::uint8_t> dots, const TteGrid& grid, bool smooth, TteOutline& outline,
                  std::string& error) {
    outline = {};
    const int n = grid.size;
    const std::size_t rowBytes = (static_cast<std::size_t>(n) + 7) / 8;
    if (n <= 0 || dots.size() < rowBytes * static_cast<std::size_t>(n)) {
        error = "the dots do not fill a " + std::to_string(n) + " by " + std::to_string(n) + " character";
        return kTteBadGlyph;
    }
    auto ink = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= n || y >= n) return false;
        return (dots[static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(x / 8)] &
                (0x80u >> (x % 8))) == 0;
    };
    // Every edge between ink and white, directed so that the ink lies on its right: top edges run east,
    // right edges south, bottom edges west, left edges north. Each vertex keeps the edges leaving it.
    const int w = n + 1;
    auto at = [w](int x, int y) { return static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + x; };
    std::vector<std::uint8_t> leaving(static_cast<std::size_t>(w) * w, 0);
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            if (!ink(x, y)) continue;
            if (!ink(x, y - 1)) leaving[at(x, y)] |= kEast;
            if (!ink(x + 1, y)) leaving[at(x + 1, y)] |= kSouth;
            if (!ink(x, y + 1)) leaving[at(x + 1, y + 1)] |= kWest;
            if (!ink(x - 1, y)) leaving[at(x, y + 1)] |= kNorth;
        }
    }
    std::vector<std::uint8_t> used(leaving.size(), 0);
    std::vector<std::vector<Vertex>> loops;
    std::vector<Vertex> walk;
    std::vector<int> seenAt(leaving.size(), -1);
    for (int y = 0; y < w; ++y) {
        for (int x = 0; x < w; ++x) {
            for (std::uint8_t first : {kEast, kSouth, kWest, kNorth}) {
                if (!(leaving[at(x, y)] & first) || (used[at(x, y)] & first)) continue;
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
        }
    }

    // Only the corners: a vertex between two steps of one direction is dropped.
    std::size_t points = 0;
    for (auto& loop : loops) {
        std::vector<Vertex> corners;
        const std::size_t count = loop.size();
        for (std::size_t i = 0; i < count; ++i) {
            const Vertex& previous = loop[(i + count - 1) % count];
            const Vertex& here = loop[i];
            const Vertex& next = loop[(i + 1) % count];
            if ((here.x - previous.x) != (next.x - here.x) || (here.y - previous.y) != (next.y - here.y))
                corners.push_back(here);
        }
        loop = std::move(corners);
        points += loop.size();
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
        for (const Vertex& vertex : loop)
            outline.points.push_back({grid.X(vertex.x), grid.Y(vertex.y), !smooth});
        outline.contourEnds.push_back(static_cast<std::uint32_t>(outline.points.size() - 1));
    }
    return kTteOk;
}
