// Where the writer puts the generated block in the pane's text: after the leading statements that a
// browser honours only before every rule.
#pragma once

#include "model/Stylesheet.h"

#include <cstddef>

namespace pindle {

// The block goes into line Line of the pane, before its byte Column: Column 0 puts it before the
// whole line, a Column inside the line breaks the line there, and the rest of the line follows the
// block. CloseStatement asks for a ";" at that place, before the block: the head's last statement was
// ended by the end of the text alone, and the block's rules would otherwise become part of it.
struct TPaneHead {
    std::size_t Line = 0;
    std::size_t Column = 0;
    bool CloseStatement = false;

    friend bool operator==(const TPaneHead&, const TPaneHead&) = default;
};

// The head is the leading run of @charset, @import, @namespace and @layer statements, with the
// blanks and comments before and among them, read as a browser tokenizes CSS: a statement ends at a
// ";" outside strings, comments, url() and brackets, or at the end of the text; one that meets a "{"
// first is a block rule and ends the head. The block goes at the first line end after the last
// statement that is not inside a comment and comes before the first rule, so that a head that ends
// with its line stays as it is; only where no such line end exists is the line broken, right after
// the statement. A statement left open at the end of the text inside a string, url() or bracket does
// not count. One pass over the head, which stops at the first rule.
[[nodiscard]] TPaneHead FindPaneHead(const IStylesheetLines& paneLines);

}  // namespace pindle
