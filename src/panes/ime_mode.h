// Code and number fields want direct half-width input, the sample layers' character field wants
// full-width hiragana; the fields switch the input method editor when they get the focus, so
// the user need not. These are the modes and the conversion-mode arithmetic, without the IME.
#pragma once

#include <cstdint>

inline constexpr int kImeModeNone = 0;
inline constexpr int kImeModeHiragana = 1;
inline constexpr int kImeModeHankaku = 9;

// The conversion mode that gives full-width hiragana: native and full-shape on, katakana off,
// every other bit as the user had it.
std::uint32_t HiraganaConversionMode(std::uint32_t conversion);
