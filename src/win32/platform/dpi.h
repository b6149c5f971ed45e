// The DPI of the screen a window is on, and what the system draws at a DPI: its metrics and its
// fonts. The program declares itself aware of each screen's DPI, so nothing is scaled for it: every
// window asks here and lays itself out. The calls that know a window's own DPI came with Windows 10
// (and are in Wine); they are looked up at run time, and on older systems, where every screen has
// the system's DPI, the system's values stand in.
#pragma once

#include <windows.h>

#include "win32/platform/handles.h"

// The DPI of the screen the window is on; the system DPI for a null window or an older system.
int WindowDpi(HWND window);
// The DPI the system's own metrics and fonts were made for (that of the main screen at log-on).
int SystemDpi();
// GetSystemMetrics at a DPI.
int SystemMetricForDpi(int index, int dpi);
// The system's fonts at a DPI (menus, messages, status bars).
NONCLIENTMETRICSW NonClientMetricsForDpi(int dpi);
// A font of `pointSizeTenths` tenths of a point for a screen of `dpi`.
UniqueFont CreatePointFontForDpi(int pointSizeTenths, const wchar_t* faceName, int dpi);
// The system's message font (dialogs, labels) and status-bar font at a DPI.
UniqueFont CreateMessageFontForDpi(int dpi);
UniqueFont CreateStatusFontForDpi(int dpi);
// The window rectangle around a client rectangle, for a window at `dpi`.
BOOL AdjustWindowRectForDpi(RECT* rect, DWORD style, BOOL menu, DWORD exStyle, int dpi);

// Takes what WM_DPICHANGED carries: the new DPI (the same for both axes) and the suggested window
// rectangle. FALSE when the message does not carry a DPI a screen can have.
BOOL ReadDpiChanged(WPARAM wParam, LPARAM lParam, int* dpi, RECT* suggested);
