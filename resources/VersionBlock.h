// Builds the program's version block: a version-information tree with fixed file information,
// one string table and one translation, laid out as the Windows version resource is.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pindle {

struct TVersionInfo {
    std::array<std::uint16_t, 4> FileVersion{};     // 1.0.0.21 = {1, 0, 0, 21}
    std::array<std::uint16_t, 4> ProductVersion{};
    std::uint16_t Language = 0x0409;
    std::uint16_t CodePage = 1252;
    std::vector<std::pair<std::string, std::string>> Strings;  // field name, 8-bit text
};

// The block's bytes, little-endian, every node on a 32-bit boundary from the block's start.
std::string BuildVersionBlock(const TVersionInfo& info);

// The program's own fields for the given version text ("1.0.0.21").
TVersionInfo PindleVersionInfo(const std::string& version);

}  // namespace pindle
