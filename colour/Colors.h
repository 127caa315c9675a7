// Colour values (0x00BBGGRR), their "#RRGGBB" text and the fixed list of named colours that the
// style dialog offers.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "platform/Exceptions.h"

namespace pindle {

// The value of "no colour": what an empty colour text converts to. No named colour has it.
inline constexpr std::int32_t clNone = 0x1FFFFFFF;

// Six upper-case hex digits, red first. Values outside 0..0xFFFFFF still give six digits (the low
// bytes of the value's hex text in the same reordering), so -1 gives "FFFFFF".
[[nodiscard]] std::string ColorToHex(std::int32_t value);

// Accepts "#RRGGBB" or "RRGGBB" (either case); empty text gives clNone. Throws EConvertError when
// the reordered text is not a hex number.
[[nodiscard]] std::int32_t HexToColor(std::string_view text);

struct TNamedColor {
    const char* Name;
    std::int32_t Value;
};

// The 28 named colours, in their order of insertion into a colour combo box.
[[nodiscard]] std::span<const TNamedColor> NamedColors();

// How far two colours stand apart for the eye: the ratio of their relative luminances (each plus
// 0.05), from 1 (the same) to 21 (black and white). Only the low three bytes of a value count.
[[nodiscard]] double ContrastRatio(std::int32_t a, std::int32_t b);

// The first candidate that stands apart from every background by at least `ratio`; when none
// does, the one whose worst contrast is the best. Candidates must not be empty.
[[nodiscard]] std::int32_t ColorStandingOut(std::initializer_list<std::int32_t> candidates,
                                            std::initializer_list<std::int32_t> backgrounds, double ratio);

}  // namespace pindle
