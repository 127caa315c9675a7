// The stylesheet file: a generated block of rule lines between two marker lines, then free CSS.
#pragma once

#include "model/StyleRow.h"
#include "platform/Encoding.h"
#include "platform/Exceptions.h"  // the reader and the writer throw EInOutError

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pindle {

inline constexpr std::string_view BeginMarker = "/**Begin Pindle*****************************************/";
inline constexpr std::string_view WarningLine = "/**DO NOT MODIFY ANYTHING IN THIS SECTION.**/";
inline constexpr std::string_view EndMarker = "/**End Pindle*******************************************/";

std::string BuildRuleLine(const TStyleRow& row);               // one rule line, no line end

// Rule lines.
//
// The writer puts the row's properties in a fixed order, each as "name:value" after a ";" (the
// font family right after " {"), then ";}" and the comment as "   /* text*/".
//
// The parser reads a line as the writer builds it, but does not depend on the order:
//   1. The caption is the text before the first " {"; the rest R follows it (without " {" there
//      is no caption and R is the line without its first character).
//   2. The declarations are the text of R up to the "}" that closes them: the first "}" that stands
//      where a declaration would begin (after " {" or a ";", blanks allowed), or else the first "}"
//      of R; the rule's comment is what follows.
//   3. The declarations are split at every ";". A piece "name:value" whose name (ignoring letter
//      case, blanks around it and anything up to a "{" in it) is one of the ten properties fills
//      that property with the value exactly as written, if no earlier piece filled it. Any other
//      non-blank piece is kept for the comment.
//   4. The comment is the kept pieces joined by ";", then a blank and the text after the "}";
//      from each of the two, every "/*" and then every "*/" is removed and blanks are trimmed.
// For a line in the writer's order this gives what searching the keys one after the other gives,
// as long as no value holds ";" or another property's key. Text after the closing brace is
// never searched for keys, so a comment such as "set color: later" stays a comment, and no text
// of the line is lost: what is not a known property ends up in the comment.
TStyleRow ParseRuleLine(std::string_view line);                // one rule line -> one row

// How a file's bytes are to be read, found by the reader and kept for the save: the encoding (UTF-8
// when every byte is valid UTF-8, otherwise Windows-1252) and whether the file began with a UTF-8
// byte-order mark, which is not text: the reader leaves it out and the writer puts it back first.
struct TStylesheetFormat {
    TTextEncoding Encoding = TTextEncoding::Utf8;
    bool ByteOrderMark = false;

    friend bool operator==(const TStylesheetFormat&, const TStylesheetFormat&) = default;
};

struct TStylesheet {
    std::vector<TStyleRow> Rows;
    std::vector<std::string> PaneLines;
    TStylesheetFormat Format;
};

// Where the reader puts a file's contents as it sorts the lines, in file order: the rows of the
// generated block, and every line outside it for the source pane.
class IStylesheetReceiver {
public:
    virtual ~IStylesheetReceiver() = default;
    virtual void AddRow(TStyleRow row) = 0;
    // The view lasts for the call only.
    virtual void AddPaneLine(std::string_view line) = 0;
};

// Reads the whole file before anything is shown, so that a failure leaves the document alone.
// Lines end at CR LF, CR or LF; every other byte, NUL and Ctrl-Z included, is text.
TStylesheet ReadStylesheet(const std::string& fileName);       // throws EInOutError
// The same reading, handing each row and pane line over as soon as it is read, so that a caller
// can keep them in whatever form it shows them without a copy of the whole file in between.
TStylesheetFormat ReadStylesheet(const std::string& fileName, IStylesheetReceiver& receiver);  // throws EInOutError
// Saves through TSafeSave: the new content replaces the old file only when every byte of it is on
// the disk, so a failed save leaves the old file as it was (mode and owner are kept). Only a file in
// a folder that takes no new file is written in place. Anything but a regular file is refused.
//
// The file holds the byte-order mark when the format has one, then the pane's head (its leading
// @charset, @import, @namespace and @layer statements with the blanks and comments before and among
// them, which CSS honours only before every rule), the generated block, and the rest of the pane.
// A head that ends inside a line has that line broken after it, for the block (see FindPaneHead in
// StylesheetHead.h). A pane that does not begin with such a statement has no head: the block comes
// first.
void WriteStylesheet(const std::string& fileName, const std::vector<TStyleRow>& rows,
                     const std::vector<std::string>& paneLines,
                     const TStylesheetFormat& format = {});  // throws EInOutError

// The pane's lines as the writer takes them, one after the other, so that they need not be copied
// into a vector first.
class IStylesheetLines {
public:
    virtual ~IStylesheetLines() = default;
    [[nodiscard]] virtual std::size_t Count() const = 0;
    // The view must last until the next call.
    [[nodiscard]] virtual std::string_view Line(std::size_t index) const = 0;
    // Views of lines first, first + 1 ... into views, as many as fit and exist; returns how many. A
    // source whose views last together gives many at once, so that a save costs no call per line;
    // this one gives one.
    [[nodiscard]] virtual std::size_t Lines(std::size_t first, std::span<std::string_view> views) const
    {
        if (views.empty() || first >= Count())
            return 0;
        views[0] = Line(first);
        return 1;
    }
};
// A name of its own, so that a call with braces, WriteStylesheet(name, {}, {}), stays unambiguous.
void WriteStylesheetLines(const std::string& fileName, const std::vector<TStyleRow>& rows,
                          const IStylesheetLines& paneLines,
                          const TStylesheetFormat& format = {});  // throws EInOutError

// The reader's line rules applied to text already in memory (lines end at CR LF, CR or LF).
TStylesheet ParseStylesheet(std::string_view text);

}  // namespace pindle
