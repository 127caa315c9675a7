// Paints rows of the editor's text area: each visible line scanned by the highlighter from its stored
// start state, tabs expanded, tokens joined into runs, the selection drawn in its own colours.
#pragma once

#include "editor/SynEditCore.h"
#include "editor/SynEditRuns.h"
#include "editor/SynTextDrawer.h"

#include <QColor>

#include <string>

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
};

}  // namespace pindle
