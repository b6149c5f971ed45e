#include "editor/sample_layer.h"

std::array<SampleLayer, kSampleLayerCount> g_aSampleLayers;

std::uint8_t SampleLayerBit(int index) {
    if (index < 0 || index >= kSampleLayerCount) return 0;
    return static_cast<std::uint8_t>(0x80u >> index);
}

std::uint8_t ToggleSampleLayerBits(std::uint8_t shown, int index) {
    const std::uint8_t bit = SampleLayerBit(index);
    if (bit == 0) return shown;
    return (shown & bit) != 0 ? std::uint8_t{0} : bit;
}

int ShownSampleLayer(std::uint8_t shown) {
    for (int index = 0; index < kSampleLayerCount; ++index) {
        if ((shown & SampleLayerBit(index)) != 0) return index;
    }
    return -1;
}

int SampleLayerCharHeight(int glyphSize, int sizeAdjust) {
    const int height = glyphSize + sizeAdjust;
    return height < 1 ? 1 : height;
}

DotPlane OffsetSampleLayer(const DotPlane& drawn, int dx, int dy) {
    const int size = drawn.Size();
    DotPlane moved(size);
    for (int y = 0; y < size; ++y) {
        const int ty = y + dy;
        if (ty < 0 || ty >= size) continue;
        for (int x = 0; x < size; ++x) {
            const int tx = x + dx;
            if (tx < 0 || tx >= size) continue;
            if (drawn.IsBlack(x, y)) moved.SetDot(tx, ty, true);
        }
    }
    return moved;
}
