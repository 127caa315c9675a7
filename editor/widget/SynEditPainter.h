// Paints rows of the editor's text area: each visible line scanned by the highlighter from its stored
// start state, tabs expanded, tokens joined into runs, the selection drawn in its own colours.
#pragma once

#include "editor/SynEditCore.h"
#include "editor/widget/SynEditRuns.h"
#include "editor/widget/SynTextDrawer.h"

#include <QColor>

#include <string>
#include <vector>

class QPainter;

namespace pindle {

// How and where the rows are painted; filled in by the widget for each paint.
struct TSynPaintSetup {
    int AreaLeft = 0;        // left edge of the text area (the margin after the gutter starts here)
    int TextLeft = 0;        // left edge of the cell of the first visible column
    int AreaRight = 0;       // one past the right edge of the text area
    QColor Color;            // the editor's background
    QColor FontColor;
    TFontStyles FontStyle = 0;
    QColor SelectionBackground;
    QColor SelectionForeground;
    bool ShowSelection = true;
};

// 0x00BBGGRR values and Qt colours.
[[nodiscard]] TColor ColorFromQColor(const QColor& color) noexcept;
[[nodiscard]] QColor QColorFromColor(TColor color) noexcept;

// The line with every tab replaced by blanks up to the next tab stop; with a limit, only as much of
// it as reaches that many columns (the rest is left out).
void ExpandTabs(std::string_view text, int tabWidth, std::string& expanded,
                std::size_t limit = std::string::npos);

// The same for a UTF-8 line: expanded up to `columnLimit` display columns (and a proportional number
// of bytes), with the 0-based column of each character's first byte in `columns` (-1 for the other
// bytes; one entry more for the end). `consumed` is the number of bytes of text taken.
void ExpandTabsUtf8(std::string_view text, int tabWidth, std::size_t columnLimit, std::string& expanded,
                    std::vector<int>& columns, std::size_t& consumed);

class TSynEditPainter final : private ISynRunSink {
public:
    TSynEditPainter(const TSynEditCore& core, TSynTextDrawer& drawer, const TSynPaintSetup& setup);

    // Paints the rows of lines first to last (1-based, first at the window's row `firstRow`, 0-based);
    // rows past the last line are filled with the background.
    void PaintRows(QPainter& painter, int firstLine, int lastLine);

private:
    void PaintHighlightedLine(int line, int top);
    void PaintPlainLine(int line, int top);
    void FillRestOfRow(int fromColumn, int top, const QColor& background);
    void Expand(int line, std::size_t limit);
    // Columns of the expanded line: a byte's display column, and the first character boundary at or
    // after a byte (bytes equal columns where the line is ASCII or Windows-1252).
    [[nodiscard]] int ColumnOfByte(int byte) const noexcept;
    [[nodiscard]] int BoundaryAtOrAfter(int byte) const noexcept;
    [[nodiscard]] int ByteOfColumn(int from, int to, int column) const noexcept;
    void DrawRun(int startColumn, std::string_view text, const TSynRunLook& look) override;
    void DrawSegment(int column, std::string_view text, TFontStyles style, const QColor& foreground,
                     const QColor& background);
    void PrepareSelection(int line);
    [[nodiscard]] int VisibleColumn(int line, int ch) const noexcept;
    [[nodiscard]] int ColumnLeft(int column) const noexcept;

    const TSynEditCore& core_;
    TSynTextDrawer& drawer_;
    const TSynPaintSetup& setup_;
    QPainter* painter_ = nullptr;
    TSynRunBuilder* runs_ = nullptr;
    int top_ = 0;
    int firstVisible_ = 0;   // 0-based display column of the first cell
    int pastVisible_ = 0;    // 0-based display column just right of the window
    int selFirst_ = 0;       // the selected display columns of the current line, [selFirst_, selLast_)
    int selLast_ = 0;
    bool wholeLineSelected_ = false;
    std::string expanded_;
    std::vector<int> columns_;
    bool byteColumns_ = true;     // one byte, one column: no table needed
    std::size_t consumed_ = 0;    // bytes of the line that expanded_ holds
    int lineSize_ = 0;
};

}  // namespace pindle
