#include "colour/Colors.h"

#include "platform/Exceptions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

namespace pindle {

namespace {

// The characters at 1-based positions 5-6, 3-4, 1-2 of the text; pairs past the end contribute only
// what exists. This swaps the red and blue bytes between the value's and the text's order.
std::string SwapPairs(std::string_view text)
{
    std::string result;
    for (std::size_t start : {4U, 2U, 0U}) {
        if (start < text.size())
            result += text.substr(start, 2);
    }
    return result;
}

int HexDigit(char c) noexcept
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string ColorToHex(std::int32_t value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%06X", static_cast<std::uint32_t>(value));
    return SwapPairs(std::string_view(buffer).substr(0, 6));
}

std::int32_t HexToColor(std::string_view text)
{
    if (text.empty())
        return clNone;
    if (text.front() == '#')
        text.remove_prefix(1);
    const std::string digits = SwapPairs(text.substr(0, std::min<std::size_t>(text.size(), 6)));
    if (digits.empty())
        throw EConvertError("'$' is not a valid integer value");
    std::uint32_t value = 0;
    for (char c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0)
            throw EConvertError("'$" + digits + "' is not a valid integer value");
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::int32_t>(value);
}

std::span<const TNamedColor> NamedColors()
{
    static const std::array<TNamedColor, 28> colors = {{
        {"Aqua", 0xFFFF00},
        {"Black", 0x000000},
        {"Blue", 0xFF0000},
        {"Dark gray", 0x808080},
        {"Fuchsia", 0xFF00FF},
        {"Gray", 0x808080},
        {"Green", 0x008000},
        {"Lime", 0x00FF00},
        {"Light gray", 0xC0C0C0},
        {"Maroon", 0x000080},
        {"Navy", 0x800000},
        {"Olive", 0x008080},
        {"Purple", 0x800080},
        {"Red", 0x0000FF},
        {"Silver", 0xC0C0C0},
        {"Teal", 0x808000},
        {"White", 0xFFFFFF},
        {"Yellow", 0x00FFFF},
        {"Light red", HexToColor("#FF8080")},
        {"Pink", HexToColor("#FF80C0")},
        {"Light yellow", HexToColor("#FFFF80")},
        {"Brown", HexToColor("#804040")},
        {"Orange", HexToColor("#FF8040")},
        {"Light green", HexToColor("#80FF80")},
        {"Dark green", HexToColor("#004000")},
        {"Light blue", HexToColor("#80FFFF")},
        {"Blue grey", HexToColor("#0080C0")},
        {"Light purple", HexToColor("#8080FF")},
    }};
    return colors;
}

namespace {

// Relative luminance of an sRGB colour, 0 for black to 1 for white.
double Luminance(std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    const auto linear = [](std::uint32_t channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(bits & 0xFF) + 0.7152 * linear((bits >> 8) & 0xFF) + 0.0722 * linear((bits >> 16) & 0xFF);
}

}  // namespace

double ContrastRatio(std::int32_t a, std::int32_t b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

std::int32_t ColorStandingOut(std::initializer_list<std::int32_t> candidates,
                              std::initializer_list<std::int32_t> backgrounds, double ratio)
{
    std::int32_t best = *candidates.begin();
    double bestWorst = -1;
    for (const std::int32_t candidate : candidates) {
        double worst = std::numeric_limits<double>::max();
        for (const std::int32_t background : backgrounds)
            worst = std::min(worst, ContrastRatio(candidate, background));
        if (worst >= ratio)
            return candidate;
        if (worst > bestWorst) {
            best = candidate;
            bestWorst = worst;
        }
    }
    return best;
}

}  // namespace pindle
