#include "editor/SynEditPainter.h"

#include <QPainter>

#include <algorithm>
#include <climits>

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
        PrepareSelection(line);
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
    if (ch - 1 >= pastVisible_)
        return pastVisible_;
    return std::min(core_.CharToColumn(line, ch) - 1, pastVisible_);
}

void TSynEditPainter::PaintHighlightedLine(int line, int top)
{
    TSynCustomHighlighter& highlighter = *core_.Highlighter();
    QColor lineBackground = setup_.Color;
    if (const TSynHighlighterAttributes* space = highlighter.StandardAttribute(4);
        space != nullptr && space->Background() != clNone)
        lineBackground = QColorFromColor(space->Background());
    painter_->fillRect(setup_.AreaLeft, top, setup_.TextLeft - setup_.AreaLeft, drawer_.CellHeight(), lineBackground);

    ExpandTabs(core_.LineText(line), core_.TabWidth(), expanded_, static_cast<std::size_t>(pastVisible_) + kScanMargin);
    top_ = top;
    TSynRunBuilder& runs = *runs_;
    runs.BeginLine(ColorFromQColor(lineBackground), ColorFromQColor(setup_.FontColor), wholeLineSelected_);
    highlighter.SetLineState(core_.Lines().GetObject(line - 1));
    highlighter.StartLine(expanded_, line - 1);
    const int leftColumn = firstVisible_ + 1;
    while (!highlighter.AtLineEnd()) {
        const int start = highlighter.TokenStart();
        const std::string text = highlighter.TokenText();
        if (start >= pastVisible_)
            break;  // the rest of the line lies right of the window
        if (start + static_cast<int>(text.size()) >= leftColumn) {
            if (const TSynHighlighterAttributes* attribute = highlighter.TokenAttribute())
                runs.AddToken(start, text, {attribute->Foreground(), attribute->Background(), attribute->Style()});
            else
                runs.AddToken(start, text, {clNone, clNone, setup_.FontStyle});
        }
        highlighter.NextToken();
    }
    runs.Flush();
    FillRestOfRow(static_cast<int>(expanded_.size()), top, lineBackground);
}

void TSynEditPainter::PaintPlainLine(int line, int top)
{
    painter_->fillRect(setup_.AreaLeft, top, setup_.TextLeft - setup_.AreaLeft, drawer_.CellHeight(), setup_.Color);
    ExpandTabs(core_.LineText(line), core_.TabWidth(), expanded_, static_cast<std::size_t>(pastVisible_));
    top_ = top;
    const int end = std::min(static_cast<int>(expanded_.size()), pastVisible_);
    if (end > firstVisible_) {
        DrawRun(firstVisible_, std::string_view(expanded_).substr(static_cast<std::size_t>(firstVisible_),
                                                                  static_cast<std::size_t>(end - firstVisible_)),
                {ColorFromQColor(setup_.FontColor), ColorFromQColor(setup_.Color), setup_.FontStyle});
    }
    FillRestOfRow(static_cast<int>(expanded_.size()), top, setup_.Color);
}

void TSynEditPainter::DrawRun(int startColumn, std::string_view text, const TSynRunLook& look)
{
    int first = std::max(startColumn, firstVisible_);
    const int last = std::min(startColumn + static_cast<int>(text.size()), pastVisible_);
    if (first >= last)
        return;
    const QColor foreground = QColorFromColor(look.Foreground);
    const QColor background = QColorFromColor(look.Background);
    // Up to three pieces: before, inside and after the selection.
    const int cuts[] = {std::clamp(selFirst_, first, last), std::clamp(selLast_, first, last), last};
    for (const int cut : cuts) {
        if (cut <= first)
            continue;
        const bool selected = first >= selFirst_ && first < selLast_;
        DrawSegment(first, text.substr(static_cast<std::size_t>(first - startColumn), static_cast<std::size_t>(cut - first)),
                    look.Style, selected ? setup_.SelectionForeground : foreground,
                    selected ? setup_.SelectionBackground : background);
        first = cut;
    }
}

void TSynEditPainter::DrawSegment(int column, std::string_view text, TFontStyles style, const QColor& foreground,
                                  const QColor& background)
{
    drawer_.DrawCells(*painter_, ColumnLeft(column), top_, text, style, foreground, background);
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
