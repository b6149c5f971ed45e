#include "win32/editor/clipboard_bitmap.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "win32/platform/handles.h"

HBITMAP CreateOneBitBitmap(const OneBitImage& picture) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.bytes.size() < picture.RowBytes() * static_cast<std::size_t>(picture.height)) {
        return nullptr;
    }
    // Both lay rows out padded to whole 16-bit words, 0 black and 1 white.
    return CreateBitmap(picture.width, picture.height, 1, 1, picture.bytes.data());
}

bool ReadClipboardBitmap(HBITMAP bitmap, int glyphSize, PasteBitmap& out) {
    BITMAP info = {};
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof info, &info) == 0 || info.bmWidth <= 0 ||
        info.bmHeight <= 0) {
        return false;
    }
    const int width = info.bmWidth;
    const int height = info.bmHeight;
    PasteShrinker shrinker(width, height, glyphSize);

    // Whatever the bitmap's own depth, GetDIBits hands its rows over as 32-bit pixels; bottom-up, so scan
    // line 0 is the picture's last row.
    constexpr std::size_t kBandBytes = 4u << 20;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    const int bandRows = static_cast<int>(std::clamp<std::size_t>(kBandBytes / rowBytes, 1, 1024));
    std::vector<std::uint32_t> band(static_cast<std::size_t>(width) * static_cast<std::size_t>(bandRows));
    BITMAPINFO request = {};
    request.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    request.bmiHeader.biWidth = width;
    request.bmiHeader.biHeight = height;
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;

    const WindowDC screen(nullptr);
    if (!screen) return false;
    for (int first = 0; first < height; first += bandRows) {
        const int rows = std::min(bandRows, height - first);
        BITMAPINFO header = request;  // GetDIBits may write into it
        if (GetDIBits(screen.Get(), bitmap, static_cast<UINT>(first), static_cast<UINT>(rows), band.data(),
                      &header, DIB_RGB_COLORS) != rows) {
            return false;
        }
        for (int r = 0; r < rows; ++r) {
            const int y = height - 1 - (first + r);
            const std::uint32_t* row =
                band.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
            for (int x = 0; x < width; ++x) {
                if ((row[x] & 0x00FFFFFF) != 0x00FFFFFF) shrinker.MarkInk(x, y);
            }
        }
    }
    out = shrinker.Take();
    return out.width > 0 && out.height > 0;
}

bool ClipboardHasPicture() {
    return IsClipboardFormatAvailable(CF_DIBV5) || IsClipboardFormatAvailable(CF_DIB) ||
           IsClipboardFormatAvailable(CF_BITMAP);
}

ClipboardReadResult ReadClipboardPicture(int glyphSize, PasteBitmap& out) {
    // The picture formats in the clipboard's own order: those the program put there come before those the
    // system makes from them, so the program's own data is read first. A made one may fail where the
    // program's own reads, so the next one is tried before the picture is called unreadable.
    std::vector<UINT> formats;
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
        if (format == CF_DIBV5 || format == CF_DIB || format == CF_BITMAP) formats.push_back(format);
    }
    for (const UINT format : {UINT{CF_DIBV5}, UINT{CF_DIB}, UINT{CF_BITMAP}}) {
        // Formats the enumeration missed, last.
        if (std::ranges::find(formats, format) == formats.end() && IsClipboardFormatAvailable(format))
            formats.push_back(format);
    }
    for (const UINT format : formats) {
        if (format == CF_BITMAP) {
            auto* bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
            if (bitmap && ReadClipboardBitmap(bitmap, glyphSize, out)) return ClipboardReadResult::kRead;
            continue;
        }
        HANDLE data = GetClipboardData(format);
        const SIZE_T size = data ? GlobalSize(data) : 0;
        const void* bytes = data && size > 0 ? GlobalLock(data) : nullptr;
        if (bytes == nullptr) continue;
        const int result = ConvertPastedDib(
            {static_cast<const std::uint8_t*>(bytes), static_cast<std::size_t>(size)}, glyphSize, out);
        GlobalUnlock(data);
        if (result == kDibOk) return ClipboardReadResult::kRead;
    }
    out = PasteBitmap{};
    return formats.empty() ? ClipboardReadResult::kNoPicture : ClipboardReadResult::kUnreadable;
}
