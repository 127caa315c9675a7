// Colour values (0x00BBGGRR), their "#RRGGBB" text and the fixed list of named colours that the
// style dialog offers.
#pragma once

#include <cstdint>
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

}  // namespace pindle
