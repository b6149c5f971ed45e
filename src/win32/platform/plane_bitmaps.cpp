#include "win32/platform/plane_bitmaps.h"

#include <algorithm>
#include <vector>

#include "win32/platform/window_utils.h"

namespace {

// The plane's rows copied with each row padded to a multiple of `alignment` bytes.
std::vector<std::uint8_t> PaddedRows(std::span<const std::uint8_t> plane, int glyphSize, int alignment) {
    const std::size_t rowBytes = static_cast<std::size_t>(glyphSize) / 8;
    const std::size_t stride = (rowBytes + alignment - 1) / alignment * alignment;
    std::vector<std::uint8_t> rows(stride * glyphSize, 0xFF);
    for (int y = 0; y < glyphSize; ++y) {
        std::copy_n(plane.begin() + static_cast<std::ptrdiff_t>(y * rowBytes), rowBytes,
                    rows.begin() + y * stride);
    }
    return rows;
}

}  // namespace

void DrawPlane(HDC dc, const RECT& destination, std::span<const std::uint8_t> plane, int glyphSize) {
    if (plane.size() != static_cast<std::size_t>(glyphSize) * glyphSize / 8) return;
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];
    } info = {};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = glyphSize;
    info.header.biHeight = -glyphSize;  // rows top to bottom, as the plane keeps them
    info.header.biPlanes = 1;
    info.header.biBitCount = 1;
    info.header.biCompression = BI_RGB;
    info.colors[0] = {0, 0, 0, 0};
    info.colors[1] = {255, 255, 255, 0};
    // DIB rows are whole 32-bit words; planes of 32, 64, ... dots already are.
    std::vector<std::uint8_t> padded;
    const void* bits = plane.data();
    if (glyphSize % 32 != 0) {
        padded = PaddedRows(plane, glyphSize, 4);
        bits = padded.data();
    }
    const int width = destination.right - destination.left;
    const int height = destination.bottom - destination.top;
    const int previous = SetStretchBltMode(dc, width < glyphSize ? BLACKONWHITE : COLORONCOLOR);
    StretchDIBits(dc, destination.left, destination.top, width, height, 0, 0, glyphSize, glyphSize, bits,
                  reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(dc, previous);
}

HBITMAP CreatePlaneBitmap(std::span<const std::uint8_t> plane, int glyphSize) {
    if (plane.size() != static_cast<std::size_t>(glyphSize) * glyphSize / 8) return nullptr;
    // Device-dependent monochrome rows are whole 16-bit words; bit 0 is black, as in the plane.
    const std::vector<std::uint8_t> rows = PaddedRows(plane, glyphSize, 2);
    return CreateBitmap(glyphSize, glyphSize, 1, 1, rows.data());
}

bool CopyPlaneToClipboard(HWND owner, std::span<const std::uint8_t> plane, int glyphSize) {
    HBITMAP bitmap = CreatePlaneBitmap(plane, glyphSize);
    if (bitmap == nullptr) return false;
    if (!OpenClipboardPatiently(owner)) {
        DeleteObject(bitmap);
        return false;
    }
    EmptyClipboard();
    // The clipboard owns the bitmap once it took it.
    const bool taken = SetClipboardData(CF_BITMAP, bitmap) != nullptr;
    CloseClipboard();
    if (!taken) DeleteObject(bitmap);
    return taken;
}
