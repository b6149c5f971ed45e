#include "win32/editor/sample_layer_gdi.h"

#include <windows.h>

#include <vector>

#include "win32/platform/handles.h"

DotPlane RenderSampleLayerPlane(const SampleLayer& layer, int glyphSize) {
    DotPlane drawn(glyphSize);
    if (glyphSize <= 0 || layer.strChar.empty()) return drawn;

    // The face at the requested character height; everything else is the font mapper's default.
    LOGFONTW font = {};
    font.lfHeight = -SampleLayerCharHeight(glyphSize, layer.nSizeAdjust);
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, layer.strFace.c_str(), LF_FACESIZE);
    const UniqueFont hFont(CreateFontIndirectW(&font));
    const UniqueDC memory(CreateCompatibleDC(nullptr));
    const UniqueBitmap bitmap(CreateBitmap(glyphSize, glyphSize, 1, 1, nullptr));
    if (!hFont || !memory || !bitmap) return drawn;
    {
        SelectedObject selectedBitmap(memory.Get(), bitmap.Get());
        SelectedObject selectedFont(memory.Get(), hFont.Get());
        PatBlt(memory.Get(), 0, 0, glyphSize, glyphSize, WHITENESS);
        SetTextColor(memory.Get(), RGB(0, 0, 0));
        SetBkMode(memory.Get(), TRANSPARENT);
        RECT cell = {0, 0, glyphSize, glyphSize};
        // Without DT_SINGLELINE, DT_VCENTER has no effect: the text is centred across and starts
        // at the top.
        DrawTextW(memory.Get(), layer.strChar.c_str(), static_cast<int>(layer.strChar.size()), &cell,
                  DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    }
    // GetBitmapBits pads each row to a whole 16-bit word; a plane row has N/8 bytes.
    const int rowBytes = glyphSize / 8;
    const int stride = ((glyphSize + 15) / 16) * 2;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(stride) * static_cast<std::size_t>(glyphSize));
    if (GetBitmapBits(bitmap.Get(), static_cast<LONG>(bits.size()), bits.data()) == 0) return drawn;
    auto target = drawn.Bytes();
    for (int y = 0; y < glyphSize; ++y) {
        for (int i = 0; i < rowBytes; ++i) {
            target[static_cast<std::size_t>(y * rowBytes + i)] =
                bits[static_cast<std::size_t>(y * stride + i)];
        }
    }
    return OffsetSampleLayer(drawn, layer.nOffsetX, layer.nOffsetY);
}
