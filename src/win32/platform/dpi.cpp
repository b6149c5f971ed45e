#include "win32/platform/dpi.h"

#include "base/dpi_scale.h"

namespace {

template <class Function>
Function User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                  : nullptr;
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

// The fonts of NONCLIENTMETRICS, taken at fromDpi, at dpi.
void ScaleFonts(NONCLIENTMETRICSW& metrics, int fromDpi, int dpi) {
    for (LOGFONTW* font : {&metrics.lfMessageFont, &metrics.lfStatusFont, &metrics.lfMenuFont,
                           &metrics.lfCaptionFont, &metrics.lfSmCaptionFont}) {
        font->lfHeight = ScaleBetweenDpi(font->lfHeight, fromDpi, dpi);
        font->lfWidth = ScaleBetweenDpi(font->lfWidth, fromDpi, dpi);
    }
}

}  // namespace

int SystemDpi() {
    static const GetDpiForSystemFn getDpiForSystem = User32Function<GetDpiForSystemFn>("GetDpiForSystem");
    if (getDpiForSystem) return SaneDpi(static_cast<int>(getDpiForSystem()));
    const WindowDC screen(nullptr);
    return SaneDpi(screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : kBaseDpi);
}

int WindowDpi(HWND window) {
    static const GetDpiForWindowFn getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (window != nullptr && getDpiForWindow != nullptr) {
        const int dpi = static_cast<int>(getDpiForWindow(window));
        if (dpi != 0) return SaneDpi(dpi);
    }
    return SystemDpi();
}

int SystemMetricForDpi(int index, int dpi) {
    static const GetSystemMetricsForDpiFn forDpi =
        User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    dpi = SaneDpi(dpi);
    if (forDpi) return forDpi(index, static_cast<UINT>(dpi));
    return ScaleBetweenDpi(GetSystemMetrics(index), SystemDpi(), dpi);
}

NONCLIENTMETRICSW NonClientMetricsForDpi(int dpi) {
    static const SystemParametersInfoForDpiFn forDpi =
        User32Function<SystemParametersInfoForDpiFn>("SystemParametersInfoForDpi");
    dpi = SaneDpi(dpi);
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi))) {
        return metrics;
    }
    metrics = {};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        ScaleFonts(metrics, SystemDpi(), dpi);
        return metrics;
    }
    // Without the system's answer the fonts are the classic 9-point ones.
    metrics.lfMessageFont.lfHeight = -12;
    lstrcpynW(metrics.lfMessageFont.lfFaceName, L"MS UI Gothic", LF_FACESIZE);
    metrics.lfStatusFont = metrics.lfMenuFont = metrics.lfCaptionFont = metrics.lfSmCaptionFont =
        metrics.lfMessageFont;
    ScaleFonts(metrics, kBaseDpi, dpi);
    return metrics;
}

UniqueFont CreatePointFontForDpi(int pointSizeTenths, const wchar_t* faceName, int dpi) {
    LOGFONTW font = {};
    font.lfHeight = -ScaleBetweenDpi(pointSizeTenths, 720, SaneDpi(dpi));
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, faceName, LF_FACESIZE);
    return UniqueFont(CreateFontIndirectW(&font));
}

UniqueFont CreateMessageFontForDpi(int dpi) {
    const NONCLIENTMETRICSW metrics = NonClientMetricsForDpi(dpi);
    return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

UniqueFont CreateStatusFontForDpi(int dpi) {
    const NONCLIENTMETRICSW metrics = NonClientMetricsForDpi(dpi);
    return UniqueFont(CreateFontIndirectW(&metrics.lfStatusFont));
}

BOOL AdjustWindowRectForDpi(RECT* rect, DWORD style, BOOL menu, DWORD exStyle, int dpi) {
    static const AdjustWindowRectExForDpiFn forDpi =
        User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    dpi = SaneDpi(dpi);
    if (forDpi) return forDpi(rect, style, menu, exStyle, static_cast<UINT>(dpi));
    return AdjustWindowRectEx(rect, style, menu, exStyle);
}

BOOL ReadDpiChanged(WPARAM wParam, LPARAM lParam, int* dpi, RECT* suggested) {
    const int x = LOWORD(wParam);
    if (x < kMinDpi || x > kMaxDpi || lParam == 0) return FALSE;
    *dpi = x;
    *suggested = *reinterpret_cast<const RECT*>(lParam);
    return TRUE;
}
