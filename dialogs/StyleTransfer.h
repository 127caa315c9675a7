// Carrying a style row into the style dialog and, when the user confirms, back into the row.
#pragma once

#include "model/StyleRow.h"

#include <string>
#include <string_view>
#include <vector>

namespace pindle {

class TStyleDlg;

// Loads the row into the dialog, shows it modally and, on Ok, rewrites the row's caption and all
// eleven sub-items. Returns true on Ok; on Cancel the row is left exactly as it was.
bool EditStyle(TStyleDlg& dialog, TStyleRow& row);

// Removes the characters 0..32 at both ends.
[[nodiscard]] std::string TrimText(std::string_view text);

// A caption "tag.style": the tag before the first ".", the style name after it (further dots
// included); without a "." the whole caption is the tag. Nothing is trimmed.
struct TCaptionParts {
    std::string Tag;
    std::string StyleName;
};
[[nodiscard]] TCaptionParts SplitCaption(std::string_view caption);
// The caption a confirmed dialog writes: the style name is added only when it holds more than blanks.
[[nodiscard]] std::string JoinCaption(const std::string& tag, const std::string& styleName);

// The comma-separated names, each trimmed, empty names dropped.
[[nodiscard]] std::vector<std::string> SplitFontFamily(std::string_view text);
// The names joined with ",", trimmed, one trailing "," removed.
[[nodiscard]] std::string JoinFontFamily(const std::vector<std::string>& names);

}  // namespace pindle
