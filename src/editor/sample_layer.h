// The three sample layers: a character of an ordinary font that the matrix view draws behind the
// dots as a template to trace. The table lives only while the program runs; which layer is shown
// is the view's one byte of layer bits (0x80 for layer 0, 0x40 for 1, 0x20 for 2), and every
// operation keeps at most one of them set.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "editor/dot_plane.h"

struct SampleLayer {
    std::wstring strChar;  // the template character; empty = the layer is not set up
    std::wstring strFace;  // its font face
    int nOffsetX = 0;      // dots, positive moves the template right
    int nOffsetY = 0;      // dots, positive moves it down
    int nSizeAdjust = 0;   // dots added to the glyph size to give the character height
};

inline constexpr int kSampleLayerCount = 3;
extern std::array<SampleLayer, kSampleLayerCount> g_aSampleLayers;

// The shown-layer bit of a layer (0 for an index that is not a layer).
std::uint8_t SampleLayerBit(int index);
// The byte after toggling layer `index`: 0 when that layer was shown, otherwise its bit alone.
std::uint8_t ToggleSampleLayerBits(std::uint8_t shown, int index);
// The shown layer (the first of 0x80, 0x40, 0x20 that is set), or -1 when none is.
int ShownSampleLayer(std::uint8_t shown);
// Pixel height of the template character in the matrix: N plus the size correction, never below 1
// (a font of height 0 or less would mean "any size" or a cell height to GDI).
int SampleLayerCharHeight(int glyphSize, int sizeAdjust);
// The drawn template moved by (dx, dy) onto a white plane of its size, as a logical AND would put
// it there: dots pushed past an edge are lost, uncovered ones stay white.
DotPlane OffsetSampleLayer(const DotPlane& drawn, int dx, int dy);
