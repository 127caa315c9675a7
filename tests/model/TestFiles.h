// Test helpers of the model: a temporary folder per test, and rows that print as their texts.
#pragma once

#include <ostream>

#include "model/StyleRow.h"
#include "tests/support/TempFolder.h"

namespace pindle {

// Rows print as their texts in failure messages.
inline void PrintTo(const TStyleRow& row, std::ostream* out)
{
    *out << "{" << ::testing::PrintToString(row.Caption);
    for (const std::string& item : row.SubItems)
        *out << ", " << ::testing::PrintToString(item);
    *out << "}";
}

}  // namespace pindle
