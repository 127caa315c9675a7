// The stylesheet file: a generated block of rule lines between two marker lines, then free CSS.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/StyleRow.h"

namespace pindle {

inline constexpr std::string_view BeginMarker = "/**Begin Pindle*****************************************/";
inline constexpr std::string_view WarningLine = "/**DO NOT MODIFY ANYTHING IN THIS SECTION.**/";
inline constexpr std::string_view EndMarker = "/**End Pindle*******************************************/";

std::string BuildRuleLine(const TStyleRow& row);               // one rule line, no line end
TStyleRow ParseRuleLine(std::string_view line);                // one rule line -> one row

struct TStylesheet {
    std::vector<TStyleRow> Rows;
    std::vector<std::string> PaneLines;
};

TStylesheet ReadStylesheet(const std::string& fileName);       // throws EInOutError
void WriteStylesheet(const std::string& fileName, const std::vector<TStyleRow>& rows,
                     const std::vector<std::string>& paneLines);  // throws EInOutError

// The reader's line rules applied to text already in memory (lines end at CR LF, CR or LF).
TStylesheet ParseStylesheet(std::string_view text);

}  // namespace pindle
