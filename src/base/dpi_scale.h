// Every window of ours lays itself out for the DPI of the screen it is on. Lengths are designed at
// 96 DPI (100 %) and scaled to the window's DPI where they are used. Settings that hold a size in
// pixels keep the DPI they were taken at beside them, so that a zoom or a window size means the same
// on the screen after the user changes the scale or moves the window to another screen; window
// places (left, top) are desktop coordinates, which a change of scale does not move.
#pragma once

#include "base/int_rect.h"

inline constexpr int kBaseDpi = 96;
// The DPI range a screen can report; anything outside is a setting or a message we did not write.
inline constexpr int kMinDpi = 48;
inline constexpr int kMaxDpi = 960;

// dpi when it lies in kMinDpi..kMaxDpi, otherwise 96.
int SaneDpi(int dpi);
// A length designed at 96 DPI, at dpi: rounded to the nearest pixel, halves away from zero.
int ScaleForDpi(int value, int dpi);
// A length taken at fromDpi, at toDpi (the same rounding; a result beyond an int is cut to its range).
int ScaleBetweenDpi(int value, int fromDpi, int toDpi);
// A rectangle's sides each scaled from 96 DPI, so that adjoining rectangles stay adjoining.
using DpiRect = IntRect;
DpiRect ScaleRectForDpi(const DpiRect& rect, int dpi);

// Pictures drawn pixel by pixel come in three sets, for 96, 144 and 192 DPI (100, 150 and 200 %). A
// window takes the largest set its DPI reaches: the index into kPictureSetDpis.
inline constexpr int kPictureSetDpis[] = {96, 144, 192};
int PictureSetForDpi(int dpi);
