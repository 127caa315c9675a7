// The source editor widget: draws the editing core's text with its highlighter, turns key presses,
// mouse actions and scroll bars into core operations, and repaints only the rows the core names.
// TSynEdit is the editor with the settings the program's source pane uses.
#pragma once

#include "editor/SynEditCore.h"
#include "editor/widget/SynEditPainter.h"
#include "editor/widget/SynTextDrawer.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QPalette>
#include <QTimer>

#include <array>
#include <optional>
#include <string>

namespace pindle {

enum class TSynEditCaretType : std::uint8_t { ctVerticalLine, ctHorizontalLine, ctHalfBlock, ctBlock };

class TCustomSynEdit : public QAbstractScrollArea, private ISynEditCoreListener, private ISynClipboard {
    Q_OBJECT

public:
    explicit TCustomSynEdit(QWidget* parent = nullptr);
    ~TCustomSynEdit() override;

    [[nodiscard]] TSynEditCore& Core() noexcept { return core_; }
    [[nodiscard]] const TSynEditCore& Core() const noexcept { return core_; }
    // The lines; Clear on them resets the editor, Add records no undo.
    [[nodiscard]] TSynEditList& Lines() noexcept { return core_.Lines(); }
    // Empties the text and both histories, removes the selection, caret and view to the start.
    void Clear();

    void SetHighlighter(TSynCustomHighlighter* highlighter);
    [[nodiscard]] TSynCustomHighlighter* Highlighter() const noexcept { return core_.Highlighter(); }

    // The document's encoding: how the lines' bytes are shown and how typed or pasted text is stored.
    [[nodiscard]] TTextEncoding Encoding() const noexcept { return core_.Encoding(); }
    void SetEncoding(TTextEncoding encoding);

    // Appearance.
    void SetEditorFont(const QFont& font);
    [[nodiscard]] const QFont& EditorFont() const noexcept { return drawer_.Font(); }
    void SetFontColor(const QColor& color);
    [[nodiscard]] const QColor& FontColor() const noexcept { return fontColor_; }
    void SetColor(const QColor& color);
    [[nodiscard]] const QColor& Color() const noexcept { return color_; }
    void SetSelectedColors(const QColor& background, const QColor& foreground);
    void SetExtraLineSpacing(int pixels);
    void SetGutterWidth(int pixels);
    [[nodiscard]] int GutterWidth() const noexcept { return gutterWidth_; }
    void SetGutterColor(const QColor& color);
    void SetRightEdge(int column);
    void SetRightEdgeColor(const QColor& color);
    void SetHideSelection(bool value);
    // Without WantTabs, Tab and Shift+Tab move the keyboard focus and never reach the key table.
    void SetWantTabs(bool value) noexcept { wantTabs_ = value; }
    [[nodiscard]] bool WantTabs() const noexcept { return wantTabs_; }
    void SetInsertCaret(TSynEditCaretType type);
    void SetOverwriteCaret(TSynEditCaretType type);

    // The character cell: the row height and the column width in pixels.
    [[nodiscard]] int LineHeight() const noexcept { return drawer_.CellHeight(); }
    [[nodiscard]] int CharWidth() const noexcept { return drawer_.CellWidth(); }
    // Measures the cell again from the font, in the styles the highlighter uses.
    void MeasureCharCell();

    // Viewport pixels and text positions.
    [[nodiscard]] TBufferCoord PixelsToBufferPos(QPoint point) const noexcept;
    [[nodiscard]] QPoint BufferPosToPixels(TBufferCoord position) const noexcept;
    // The viewport rectangle of the rows of lines first to last (1-based).
    [[nodiscard]] QRect RowsRect(int firstLine, int lastLine, bool gutter, bool textArea) const noexcept;

    // Paints the part of the viewport inside area: gutter, text rows, right edge, caret.
    void PaintArea(QPainter& painter, const QRect& area);

    // What an input method asks: the caret's rectangle, the text around the caret, the font.
    [[nodiscard]] QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

protected:
    // Every repaint request of the widget goes through here, so that a test can see what is marked.
    virtual void InvalidateRect(const QRect& rect);

    bool event(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // What the core tells the widget.
    void Repaint(const TRepaintRect& area) override;
    void CharCellChanged() override;
    void CaretMoved() override;
    void SelectionChanged() override;
    void ScrollChanged() override;
    void StatusChanged() override;
    void KeystrokeRefused() override;
    // The core's clipboard is the desktop's.
    void SetText(std::string text) override;
    void SetTextOf(std::size_t size, const std::function<void(char*)>& write) override;
    [[nodiscard]] std::string Text() override;
    [[nodiscard]] std::string ToDesktopText(std::string text) const;
    [[nodiscard]] std::string FromDesktopText(const std::string& text) const;
    void PublishPrimarySelection();
    // A middle click: the caret to the point, the primary selection inserted there.
    void PastePrimarySelection(QPoint point);

    void SetUpScrollBars();
    void SetUpCaret();
    void SizeOrFontChanged();
    void ScheduleScrollBarUpdate();
    void UpdateScrollBars();
    void InvalidateAll();
    void InvalidateCaret();
    void CheckBookmarks();
    void ShowScrollHint(int value);
    void AutoScroll();
    void BlinkCaret();
    void RestartBlink();

    [[nodiscard]] int TextAreaLeft() const noexcept { return gutterWidth_; }
    [[nodiscard]] int TextLeft() const noexcept { return gutterWidth_ + kTextMargin; }
    [[nodiscard]] bool SelectionShown() const noexcept { return !hideSelection_ || hasFocus(); }
    [[nodiscard]] QRect CaretRect() const noexcept;
    [[nodiscard]] QRect ShownCaretRect() const;
    // The cells that the first `units` UTF-16 units of the text being composed take.
    [[nodiscard]] int PreeditCells(int units) const;
    [[nodiscard]] TSynEditCaretType CaretType() const noexcept;
    [[nodiscard]] bool InsideSelection(TBufferCoord position) const noexcept;

    void PaintGutter(QPainter& painter, const QRect& area, int firstLine, int lastLine);
    void PaintBookmark(QPainter& painter, int index, int top);
    void PaintCaret(QPainter& painter);
    void PaintPreedit(QPainter& painter);
    // Typed or committed text in the document's encoding; text the encoding cannot hold is refused
    // through the program's error handler and gives nothing.
    [[nodiscard]] std::optional<std::string> EncodeTyped(const QString& text);
    // Colours taken from the palette follow it when it changes.
    void FollowPalette();

    static constexpr int kTextMargin = 2;

    TSynEditCore core_;
    TSynTextDrawer drawer_;
    QColor color_;
    QColor fontColor_;
    QColor selectedBackground_;
    QColor selectedForeground_;
    QColor gutterColor_;
    QColor rightEdgeColor_;
    int extraLineSpacing_ = 0;
    int gutterWidth_ = 30;
    int rightEdge_ = 80;
    bool hideSelection_ = false;
    bool wantTabs_ = false;
    TSynEditCaretType insertCaret_ = TSynEditCaretType::ctVerticalLine;
    TSynEditCaretType overwriteCaret_ = TSynEditCaretType::ctBlock;

    QRect lastCaretRect_;
    QString preedit_;           // the input method's text being composed, shown inline at the caret
    int preeditCursor_ = 0;     // the caret inside it, in UTF-16 units
    QPalette lastPalette_;
    bool caretBlinkOn_ = true;
    QTimer blinkTimer_;
    QTimer scrollTimer_;
    bool updatingScrollBars_ = false;
    bool scrollBarUpdatePending_ = false;
    QPoint wheelRemainder_;
    std::array<int, TSynEditCore::BookmarkCount> bookmarkLines_{};

    // Mouse state.
    enum class TMouseAction : std::uint8_t { None, Selecting, DragPending, Dragging };
    TMouseAction mouseAction_ = TMouseAction::None;
    QPoint pressPoint_;
    QPoint lastMousePoint_;
    std::optional<TBufferCoord> dropPosition_;
};

// The editor as the source pane has it: "Courier New" 13 px, window colours, I-beam cursor, selection
// hidden without focus, Tab moving the focus, tab width 8, right edge after column 80 in silver, both
// scroll bars, a 30 px gutter with bookmark glyphs, and the editing options the pane uses.
class TSynEdit : public TCustomSynEdit {
    Q_OBJECT

public:
    explicit TSynEdit(QWidget* parent = nullptr);
};

}  // namespace pindle
