#include "base/dpi_scale.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>

int SaneDpi(int dpi) { return dpi >= kMinDpi && dpi <= kMaxDpi ? dpi : kBaseDpi; }

int ScaleBetweenDpi(int value, int fromDpi, int toDpi) {
    const std::int64_t from = SaneDpi(fromDpi);
    const std::int64_t product = static_cast<std::int64_t>(value) * SaneDpi(toDpi);
    // Halves round away from zero, as MulDiv does.
    const std::int64_t scaled = product >= 0 ? (product + from / 2) / from : -((-product + from / 2) / from);
    // A setting may hold any number: the result stays an int.
    return static_cast<int>(
        std::clamp<std::int64_t>(scaled, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int ScaleForDpi(int value, int dpi) { return ScaleBetweenDpi(value, kBaseDpi, dpi); }

DpiRect ScaleRectForDpi(const DpiRect& rect, int dpi) {
    return {ScaleForDpi(rect.left, dpi), ScaleForDpi(rect.top, dpi), ScaleForDpi(rect.right, dpi),
            ScaleForDpi(rect.bottom, dpi)};
}

int PictureSetForDpi(int dpi) {
    dpi = SaneDpi(dpi);
    int chosen = 0;
    for (int i = 0; i < static_cast<int>(std::size(kPictureSetDpis)); ++i) {
        if (kPictureSetDpis[i] <= dpi) chosen = i;
    }
    return chosen;
}
