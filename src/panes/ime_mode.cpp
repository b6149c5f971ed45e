#include "panes/ime_mode.h"

namespace {
// The low byte of the conversion mode, as the IME defines its bits.
constexpr std::uint32_t kNative = 0x01;
constexpr std::uint32_t kKatakana = 0x02;
constexpr std::uint32_t kFullShape = 0x08;
}  // namespace

std::uint32_t HiraganaConversionMode(std::uint32_t conversion) {
    const std::uint32_t low = ((conversion & 0xFFu) | kNative | kFullShape) & ~kKatakana;
    return (conversion & ~0xFFu) | low;
}
