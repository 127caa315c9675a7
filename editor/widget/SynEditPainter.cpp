#include "editor/widget/SynEditPainter.h"

#include "editor/SynEditChars.h"

#include <QPainter>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

namespace pindle {

TColor ColorFromQColor(const QColor& color) noexcept
{
    return static_cast<TColor>(color.red() | (color.green() << 8) | (color.blue() << 16));
}

QColor QColorFromColor(TColor color) noexcept
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

namespace {

// Tokens are taken from the line's text up to this many columns right of the window. A highlighter
// decides a token's kind from a few characters (the CSS one: a keyword has at most 10), so what
// lies further right cannot change how the visible part looks; and a line of 50 MB is not copied
// and scanned whole for every paint.
constexpr std::size_t kScanMargin = 256;

// Eight bytes at a time: no byte has its high bit set.
bool IsAscii(std::string_view text) noexcept
{
    std::size_t i = 0;
    std::uint64_t bits = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + i, 8);
        bits |= word;
    }
    for (; i < text.size(); ++i)
        bits |= static_cast<unsigned char>(text[i]);
    return (bits & 0x8080808080808080ULL) == 0;
}

}  // namespace

void ExpandTabs(std::string_view text, int tabWidth, std::string& expanded, std::size_t limit)
{
    expanded.clear();
    // Every character takes at least one column: no more than limit characters can be needed.
    text = text.substr(0, std::min(text.size(), limit));
    if (text.find('\t') == std::string_view::npos) {
        expanded.assign(text);
        return;
    }
    const std::size_t width = static_cast<std::size_t>(std::max(1, tabWidth));
    for (const char c : text) {
        if (expanded.size() >= limit)
            break;
        if (c == '\t')
            expanded.append(width - expanded.size() % width, ' ');
        else
            expanded.push_back(c);
    }
}

void ExpandTabsUtf8(std::string_view text, int tabWidth, std::size_t columnLimit, std::string& expanded,
                    std::vector<int>& columns, std::size_t& consumed)
{
    expanded.clear();
    columns.clear();
    // A character takes a column or two; a few combining marks or an emoji sequence take many bytes
    // for one. The byte bound keeps a pathological line from being walked whole.
    const std::size_t byteLimit = columnLimit * 16 + 64;
    const int width = std::max(1, tabWidth);
    const auto size = static_cast<int>(text.size());
    int pos = 0;
    int column = 0;
    while (pos < size && static_cast<std::size_t>(column) < columnLimit && expanded.size() < byteLimit) {
        const int next = NextCharBoundary(text, pos, TTextEncoding::Utf8);
        if (text[static_cast<std::size_t>(pos)] == '\t') {
            const int cells = width - column % width;
            for (int i = 0; i < cells; ++i) {
                expanded.push_back(' ');
                columns.push_back(column + i);
            }
            column += cells;
        } else {
            const int cells = CharCells(text, pos, next, column, width, TTextEncoding::Utf8);
            expanded.append(text.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(next - pos)));
            columns.push_back(column);
            columns.insert(columns.end(), static_cast<std::size_t>(next - pos - 1), -1);
            column += cells;
        }
        pos = next;
    }
    columns.push_back(column);
    consumed = static_cast<std::size_t>(pos);
}

TSynEditPainter::TSynEditPainter(const TSynEditCore& core, TSynTextDrawer& drawer, const TSynPaintSetup& setup)
    : core_(core), drawer_(drawer), setup_(setup)
{
}

int TSynEditPainter::ColumnLeft(int column) const noexcept
{
    return setup_.TextLeft + (column - firstVisible_) * drawer_.CellWidth();
}

void TSynEditPainter::PaintRows(QPainter& painter, int firstLine, int lastLine)
{
    painter_ = &painter;
    firstVisible_ = core_.LeftChar() - 1;
    pastVisible_ = firstVisible_ + std::max(0, core_.CharsInWindow()) + 1;  // the last cell may show in part
    const int height = drawer_.CellHeight();
    TSynRunBuilder runs(*this, core_.CharsInWindow());
    runs_ = &runs;
    for (int line = firstLine; line <= lastLine; ++line) {
        const int top = (line - core_.TopLine()) * height;
        if (line > core_.LineCount()) {
            painter.fillRect(setup_.AreaLeft, top, setup_.AreaRight - setup_.AreaLeft, height, setup_.Color);
            continue;
        }
        if (core_.Highlighter() != nullptr)
            PaintHighlightedLine(line, top);
        else
            PaintPlainLine(line, top);
    }
    runs_ = nullptr;
    painter_ = nullptr;
}

void TSynEditPainter::PrepareSelection(int line)
{
    selFirst_ = selLast_ = 0;
    wholeLineSelected_ = false;
    if (!setup_.ShowSelection || !core_.SelAvail())
        return;
    const auto [first, last] = core_.SelectedCharsOfLine(line);
    if (first >= last)
        return;
    selFirst_ = VisibleColumn(line, first);
    selLast_ = last == TSynEditCore::ToLineEnd ? INT_MAX : VisibleColumn(line, last);
    const int length = static_cast<int>(core_.LineText(line).size());
    wholeLineSelected_ = first <= 1 && (last == TSynEditCore::ToLineEnd || last > length);
}

// The 0-based display column of a character, exact inside the window; anything right of it is
// pastVisible_, which draws the same and needs no walk along a long line.
int TSynEditPainter::VisibleColumn(int line, int ch) const noexcept
{
    if (byteColumns_ ? ch - 1 >= pastVisible_ : (ch - 1 >= static_cast<int>(consumed_) && static_cast<int>(consumed_) < lineSize_))
        return pastVisible_;
    return std::min(core_.CharToColumn(line, ch) - 1, pastVisible_);
}

void TSynEditPainter::Expand(int line, std::size_t limit)
{
    const std::string_view text = core_.LineText(line);
    lineSize_ = static_cast<int>(text.size());
    byteColumns_ = core_.Encoding() == TTextEncoding::Windows1252;
    if (!byteColumns_) {
        // ASCII needs no table: one byte, one column after the tabs.
        const std::string_view head = text.substr(0, std::min(text.size(), limit));
        byteColumns_ = IsAscii(head) && (head.size() == text.size() || static_cast<unsigned char>(text[head.size()]) < 0x80);
    }
    if (byteColumns_) {
        ExpandTabs(text, core_.TabWidth(), expanded_, limit);
        consumed_ = text.size();
        return;
    }
    ExpandTabsUtf8(text, core_.TabWidth(), limit, expanded_, columns_, consumed_);
}

int TSynEditPainter::ColumnOfByte(int byte) const noexcept
{
    if (byteColumns_)
        return byte;
    byte = BoundaryAtOrAfter(byte);
    return columns_[static_cast<std::size_t>(byte)];
}

int TSynEditPainter::BoundaryAtOrAfter(int byte) const noexcept
{
    const auto size = static_cast<int>(expanded_.size());
    if (byteColumns_)
        return std::min(byte, size);
    byte = std::clamp(byte, 0, size);
    while (byte < size && columns_[static_cast<std::size_t>(byte)] < 0)
        ++byte;
    return byte;
}

// The first character boundary in [from, to] whose column is at least `column`.
int TSynEditPainter::ByteOfColumn(int from, int to, int column) const noexcept
{
    if (byteColumns_)
        return std::clamp(column, from, to);
    int byte = from;
    while (byte < to && (columns_[static_cast<std::size_t>(byte)] < 0 || columns_[static_cast<std::size_t>(byte)] < column))
        ++byte;
    return byte;
}

void TSynEditPainter::PaintHighlightedLine(int line, int top)
{
    TSynCustomHighlighter& highlighter = *core_.Highlighter();
    QColor lineBackground = setup_.Color;
    if (const TSynHighlighterAttributes* space = highlighter.StandardAttribute(4);
        space != nullptr && space->Background() != clNone)
        lineBackground = QColorFromColor(space->Background());
    painter_->fillRect(setup_.AreaLeft, top, setup_.TextLeft - setup_.AreaLeft, drawer_.CellHeight(), lineBackground);

    Expand(line, static_cast<std::size_t>(pastVisible_) + kScanMargin);
    PrepareSelection(line);
    top_ = top;
    TSynRunBuilder& runs = *runs_;
    runs.BeginLine(ColorFromQColor(lineBackground), ColorFromQColor(setup_.FontColor), wholeLineSelected_);
    highlighter.SetLineState(core_.Lines().GetObject(line - 1));
    highlighter.StartLine(expanded_, line - 1);
    const int leftColumn = firstVisible_ + 1;
    int scanned = 0;  // bytes of expanded_ the tokens covered
    while (!highlighter.AtLineEnd()) {
        const int start = highlighter.TokenStart();
        const std::string text = highlighter.TokenText();
        if (ColumnOfByte(start) >= pastVisible_) {
            scanned = static_cast<int>(expanded_.size());
            break;  // the rest of the line lies right of the window
        }
        if (ColumnOfByte(start + static_cast<int>(text.size())) >= leftColumn) {
            if (const TSynHighlighterAttributes* attribute = highlighter.TokenAttribute())
                runs.AddToken(start, text, {attribute->Foreground(), attribute->Background(), attribute->Style()});
            else
                runs.AddToken(start, text, {clNone, clNone, setup_.FontStyle});
        }
        scanned = start + static_cast<int>(text.size());
        highlighter.NextToken();
    }
    // The highlighter stops at a NUL byte; what follows is drawn in the plain colours.
    if (scanned < static_cast<int>(expanded_.size()))
        runs.AddToken(scanned, std::string_view(expanded_).substr(static_cast<std::size_t>(scanned)),
                      {clNone, clNone, setup_.FontStyle});
    runs.Flush();
    FillRestOfRow(ColumnOfByte(static_cast<int>(expanded_.size())), top, lineBackground);
}

void TSynEditPainter::PaintPlainLine(int line, int top)
{
    painter_->fillRect(setup_.AreaLeft, top, setup_.TextLeft - setup_.AreaLeft, drawer_.CellHeight(), setup_.Color);
    Expand(line, static_cast<std::size_t>(pastVisible_));
    PrepareSelection(line);
    top_ = top;
    DrawRun(0, expanded_, {ColorFromQColor(setup_.FontColor), ColorFromQColor(setup_.Color), setup_.FontStyle});
    FillRestOfRow(ColumnOfByte(static_cast<int>(expanded_.size())), top, setup_.Color);
}

// A run is given in bytes of the expanded line; a character belongs to the run in which it starts,
// so a token's colour covers whole characters.
void TSynEditPainter::DrawRun(int startByte, std::string_view text, const TSynRunLook& look)
{
    const int runFirst = BoundaryAtOrAfter(startByte);
    const int runLast = BoundaryAtOrAfter(startByte + static_cast<int>(text.size()));
    int first = ByteOfColumn(runFirst, runLast, firstVisible_);
    const int last = ByteOfColumn(first, runLast, pastVisible_);
    if (first >= last)
        return;
    const QColor foreground = QColorFromColor(look.Foreground);
    const QColor background = QColorFromColor(look.Background);
    // A wide character cut by the window's left edge leaves its visible cell empty.
    if (const int gap = ColumnOfByte(first) - std::max(firstVisible_, ColumnOfByte(runFirst)); gap > 0 && first > runFirst) {
        const int gapColumn = ColumnOfByte(first) - gap;
        const bool selected = gapColumn >= selFirst_ && gapColumn < selLast_;
        painter_->fillRect(ColumnLeft(gapColumn), top_, gap * drawer_.CellWidth(), drawer_.CellHeight(),
                           selected ? setup_.SelectionBackground : background);
    }
    // Up to three pieces: before, inside and after the selection.
    const int cuts[] = {ByteOfColumn(first, last, selFirst_), ByteOfColumn(first, last, selLast_), last};
    for (const int cut : cuts) {
        if (cut <= first)
            continue;
        const int column = ColumnOfByte(first);
        const bool selected = column >= selFirst_ && column < selLast_;
        DrawSegment(column, std::string_view(expanded_).substr(static_cast<std::size_t>(first), static_cast<std::size_t>(cut - first)),
                    look.Style, selected ? setup_.SelectionForeground : foreground,
                    selected ? setup_.SelectionBackground : background);
        first = cut;
    }
}

void TSynEditPainter::DrawSegment(int column, std::string_view text, TFontStyles style, const QColor& foreground,
                                  const QColor& background)
{
    // Where bytes are columns (Windows-1252, or ASCII, which reads the same) each byte is a cell.
    drawer_.DrawCells(*painter_, ColumnLeft(column), top_, text, style, foreground, background,
                      byteColumns_ ? TTextEncoding::Windows1252 : TTextEncoding::Utf8);
}

void TSynEditPainter::FillRestOfRow(int fromColumn, int top, const QColor& background)
{
    const int from = std::max(fromColumn, firstVisible_);
    if (from >= pastVisible_)
        return;  // the text reaches past the window
    const int height = drawer_.CellHeight();
    int x = ColumnLeft(from);
    if (selLast_ > from && selFirst_ < pastVisible_) {
        const int selStart = std::max(selFirst_, from);
        const int selLeft = ColumnLeft(selStart);
        const int selRight = selLast_ >= pastVisible_ ? setup_.AreaRight : ColumnLeft(selLast_);
        painter_->fillRect(x, top, selLeft - x, height, background);
        painter_->fillRect(selLeft, top, selRight - selLeft, height, setup_.SelectionBackground);
        x = selRight;
    }
    if (x < setup_.AreaRight)
        painter_->fillRect(x, top, setup_.AreaRight - x, height, background);
}

}  // namespace pindle
