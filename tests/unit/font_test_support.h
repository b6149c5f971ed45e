// Small pictures and fonts for the font suites: dot planes drawn from text or generated, and fonts written by
// the project's own writer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "glyphstore/tte_font.h"
#include "glyphstore/tte_writer.h"

using FontBytes = std::vector<std::uint8_t>;

// A size by size plane from rows of '#' (ink) and anything else (white), placed at (left, top).
inline FontBytes DrawnDots(int size, const std::vector<std::string>& rows, int left = 0, int top = 0) {
    FontBytes dots(static_cast<std::size_t>(size) * size / 8, 0xFF);
    for (std::size_t y = 0; y < rows.size(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x) {
            const int px = left + static_cast<int>(x), py = top + static_cast<int>(y);
            if (rows[y][x] == '#' && px < size && py < size)
                dots[static_cast<std::size_t>(py) * (size / 8) + static_cast<std::size_t>(px / 8)] &=
                    static_cast<std::uint8_t>(~(0x80 >> (px % 8)));
        }
    return dots;
}

inline bool DotInk(const FontBytes& dots, int size, int x, int y) {
    return (dots[static_cast<std::size_t>(y) * (static_cast<std::size_t>(size) / 8) +
                 static_cast<std::size_t>(x / 8)] &
            (0x80 >> (x % 8))) == 0;
}

inline void SetDotInk(FontBytes& dots, int size, int x, int y, bool ink = true) {
    auto& byte = dots[static_cast<std::size_t>(y) * (static_cast<std::size_t>(size) / 8) +
                      static_cast<std::size_t>(x / 8)];
    const auto mask = static_cast<std::uint8_t>(0x80 >> (x % 8));
    byte = ink ? static_cast<std::uint8_t>(byte & ~mask) : static_cast<std::uint8_t>(byte | mask);
}

// Random ink of the given density.
inline FontBytes NoiseDots(int size, double density, unsigned seed) {
    std::mt19937 random(seed);
    std::bernoulli_distribution ink(density);
    FontBytes dots(static_cast<std::size_t>(size) * size / 8, 0xFF);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (ink(random)) SetDotInk(dots, size, x, y);
    return dots;
}

// Characters as strokes: a few bars, boxes and diagonals chosen by the seed, the way a person draws a glyph.
inline FontBytes StrokeDots(int size, unsigned seed) {
    std::mt19937 random(seed);
    FontBytes dots(static_cast<std::size_t>(size) * size / 8, 0xFF);
    const int margin = size / 8, width = std::max(1, size / 16);
    std::uniform_int_distribution<int> place(margin, size - margin - 1);
    const int strokes = 3 + static_cast<int>(seed % 4);
    for (int s = 0; s < strokes; ++s) {
        int x0 = place(random), y0 = place(random), x1 = place(random), y1 = place(random);
        const int kind = static_cast<int>(random() % 3);
        if (kind == 0) y1 = y0;  // across
        if (kind == 1) x1 = x0;  // down
        const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0)) + 1;
        for (int i = 0; i < steps; ++i) {
            const int x = x0 + (x1 - x0) * i / std::max(1, steps - 1);
            const int y = y0 + (y1 - y0) * i / std::max(1, steps - 1);
            for (int dy = 0; dy < width; ++dy)
                for (int dx = 0; dx < width; ++dx)
                    if (x + dx < size && y + dy < size) SetDotInk(dots, size, x + dx, y + dy);
        }
    }
    return dots;
}

inline FontBytes BuiltFont(int size, const std::vector<TteCharacter>& characters) {
    FontBytes font;
    std::string error;
    EXPECT_EQ(BuildTteFont(size, characters, 3'000'000'000LL, font, error), kTteOk) << error;
    return font;
}
