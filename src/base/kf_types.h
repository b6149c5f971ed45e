// Small vocabulary shared by the platform-free code and the Win32 side.
// The program speaks in BOOL results and COLORREF-style colours; the platform-free
// code must say the same without seeing <windows.h>.
#pragma once

#include <cstdint>

typedef int BOOL;  // identical to the Windows typedef, so both may be seen together
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// A colour as Windows stores it: red in the low byte, then green, then blue.
using ColorRef = std::uint32_t;

constexpr ColorRef MakeColorRef(unsigned red, unsigned green, unsigned blue) {
    return (red & 0xFFu) | ((green & 0xFFu) << 8) | ((blue & 0xFFu) << 16);
}
constexpr unsigned ColorRed(ColorRef c) { return c & 0xFFu; }
constexpr unsigned ColorGreen(ColorRef c) { return (c >> 8) & 0xFFu; }
constexpr unsigned ColorBlue(ColorRef c) { return (c >> 16) & 0xFFu; }
