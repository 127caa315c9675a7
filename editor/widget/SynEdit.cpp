// The editor widget TSynEdit: its properties, the editing core's notifications turned into repaints,
// the caret, painting, focus and the palette. Keys and input methods, the mouse, the context menu and
// scrolling are in SynEditInput.cpp, SynEditMouse.cpp, SynEditMenu.cpp and SynEditScroll.cpp.
#include "editor/widget/SynEdit.h"

#include "editor/widget/SynEditAccessible.h"
#include "editor/widget/SynEditKeyMap.h"
#include "platform/qt/Application.h"
#include "platform/qt/Desktop.h"
#include "platform/qt/QtText.h"

#include <QApplication>
#include <QFocusEvent>
#include <QInputMethod>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace pindle {
namespace {

TFontStyles StyleOfFont(const QFont& font) noexcept
{
    TFontStyles style = 0;
    if (font.bold()) style |= fsBold;
    if (font.italic()) style |= fsItalic;
    if (font.underline()) style |= fsUnderline;
    if (font.strikeOut()) style |= fsStrikeOut;
    return style;
}

}  // namespace

TCustomSynEdit::TCustomSynEdit(QWidget* parent)
    : QAbstractScrollArea(parent), drawer_(DefaultEditorFont(13))
{
    core_.SetListener(this);
    core_.SetClipboard(this);
    core_.LineStates().OnLinesChanged = [this] { ScheduleScrollBarUpdate(); };
    color_ = palette().color(QPalette::Base);
    fontColor_ = palette().color(QPalette::Text);
    selectedBackground_ = palette().color(QPalette::Highlight);
    selectedForeground_ = palette().color(QPalette::HighlightedText);
    gutterColor_ = palette().color(QPalette::Button);
    rightEdgeColor_ = QColor(0xC0, 0xC0, 0xC0);
    SetUpScrollBars();
    SetUpCaret();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::IBeamCursor);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    lastPalette_ = palette();
    MeasureCharCell();
    InstallSynEditAccessible();
}

TCustomSynEdit::~TCustomSynEdit()
{
    core_.LineStates().OnLinesChanged = nullptr;
    core_.SetListener(nullptr);
    core_.SetClipboard(nullptr);
}

void TCustomSynEdit::SetUpCaret()
{
    const int flash = QApplication::cursorFlashTime();
    blinkTimer_.setInterval(flash > 0 ? flash / 2 : 500);
    connect(&blinkTimer_, &QTimer::timeout, this, &TCustomSynEdit::BlinkCaret);
}

void TCustomSynEdit::Clear()
{
    core_.Clear();
    UpdateScrollBars();
    InvalidateAll();
}

void TCustomSynEdit::SetHighlighter(TSynCustomHighlighter* highlighter)
{
    if (highlighter == Highlighter())
        return;
    core_.SetHighlighter(highlighter);
    MeasureCharCell();
}

void TCustomSynEdit::SetEncoding(TTextEncoding encoding)
{
    if (encoding == core_.Encoding())
        return;
    core_.SetEncoding(encoding);
    InvalidateAll();
}

void TCustomSynEdit::SetEditorFont(const QFont& font)
{
    drawer_.SetFont(font);
    MeasureCharCell();
}

void TCustomSynEdit::SetFontColor(const QColor& color)
{
    fontColor_ = color;
    InvalidateAll();
}

void TCustomSynEdit::SetColor(const QColor& color)
{
    color_ = color;
    InvalidateAll();
}

void TCustomSynEdit::SetSelectedColors(const QColor& background, const QColor& foreground)
{
    selectedBackground_ = background;
    selectedForeground_ = foreground;
    InvalidateAll();
}

void TCustomSynEdit::SetExtraLineSpacing(int pixels)
{
    extraLineSpacing_ = pixels;
    MeasureCharCell();
}

void TCustomSynEdit::SetGutterWidth(int pixels)
{
    gutterWidth_ = std::max(0, pixels);
    SizeOrFontChanged();
}

void TCustomSynEdit::SetGutterColor(const QColor& color)
{
    gutterColor_ = color;
    InvalidateAll();
}

void TCustomSynEdit::SetRightEdge(int column)
{
    rightEdge_ = column;
    InvalidateAll();
}

void TCustomSynEdit::SetRightEdgeColor(const QColor& color)
{
    rightEdgeColor_ = color;
    InvalidateAll();
}

void TCustomSynEdit::SetHideSelection(bool value)
{
    hideSelection_ = value;
    InvalidateAll();
}

void TCustomSynEdit::SetInsertCaret(TSynEditCaretType type)
{
    insertCaret_ = type;
    InvalidateCaret();
}

void TCustomSynEdit::SetOverwriteCaret(TSynEditCaretType type)
{
    overwriteCaret_ = type;
    InvalidateCaret();
}

void TCustomSynEdit::MeasureCharCell()
{
    // The cell must hold the tallest and the widest glyphs that will be drawn: italics may reach
    // higher, bold may be wider.
    TFontStyles used = 0;
    if (const TSynCustomHighlighter* highlighter = Highlighter()) {
        for (int i = 0; i < highlighter->AttributeCount(); ++i) {
            if (const TSynHighlighterAttributes* attribute = highlighter->AttributeAt(i))
                used |= attribute->Style();
        }
    } else {
        used = StyleOfFont(drawer_.Font());
    }
    const int height = drawer_.CharHeight(used & fsItalic) + extraLineSpacing_;
    const int width = drawer_.CharWidth(used & fsBold);
    drawer_.SetCell(width, height);
    SizeOrFontChanged();
}

void TCustomSynEdit::SizeOrFontChanged()
{
    const int lines = viewport()->height() / LineHeight();
    const int chars = std::max(0, (viewport()->width() - TextLeft()) / CharWidth());
    core_.SetWindowSize(lines, chars);
    UpdateScrollBars();
    lastCaretRect_ = CaretRect();
    InvalidateAll();
}

void TCustomSynEdit::InvalidateRect(const QRect& rect)
{
    if (!rect.isEmpty())
        viewport()->update(rect);
}

void TCustomSynEdit::InvalidateAll()
{
    InvalidateRect(viewport()->rect());
}

QRect TCustomSynEdit::RowsRect(int firstLine, int lastLine, bool gutter, bool textArea) const noexcept
{
    const int left = gutter ? 0 : TextAreaLeft();
    const int right = textArea ? viewport()->width() : TextAreaLeft();
    const int top = (firstLine - core_.TopLine()) * LineHeight();
    const int bottom = (lastLine - core_.TopLine() + 1) * LineHeight();
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).intersected(viewport()->rect());
}

void TCustomSynEdit::Repaint(const TRepaintRect& area)
{
    if (area.AllRows)
        InvalidateRect(RowsRect(core_.TopLine(), core_.TopLine() + core_.LinesInWindow(), area.Gutter, area.TextArea));
    else
        InvalidateRect(RowsRect(area.FirstLine, area.LastLine, area.Gutter, area.TextArea));
    CheckBookmarks();
    SynEditAccessibleChanged(this);
}

void TCustomSynEdit::CharCellChanged()
{
    MeasureCharCell();
}

void TCustomSynEdit::CaretMoved()
{
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
    InvalidateCaret();
    RestartBlink();
    CheckBookmarks();
    SynEditAccessibleChanged(this);
}

void TCustomSynEdit::SelectionChanged()
{
    PublishPrimarySelection();
    CheckBookmarks();
    SynEditAccessibleChanged(this);
}

void TCustomSynEdit::ScrollChanged()
{
    UpdateScrollBars();
    lastCaretRect_ = CaretRect();
    InvalidateAll();
}

void TCustomSynEdit::StatusChanged()
{
    InvalidateCaret();
    CheckBookmarks();
}

// A refused keystroke sounds as the program's other refusals do.
void TCustomSynEdit::KeystrokeRefused()
{
    Desktop().MessageBeep(TBeep::Exclamation);
}

// The desktop's clipboard and primary selection hold UTF-8; the document's bytes are converted on
// the way.
std::string TCustomSynEdit::ToDesktopText(std::string text) const
{
    if (Encoding() == TTextEncoding::Utf8)
        return text;  // moved, not copied
    return FromQString(ToQString(text, Encoding()), TTextEncoding::Utf8);
}

// Text a Windows-1252 document cannot hold raises EEncodingError before anything is changed.
std::string TCustomSynEdit::FromDesktopText(const std::string& text) const
{
    if (Encoding() == TTextEncoding::Utf8 && IsValidUtf8(text))
        return text;
    return FromQString(ToQString(text, TTextEncoding::Utf8), Encoding());
}

void TCustomSynEdit::SetText(std::string text)
{
    Desktop().SetClipboardText(ToDesktopText(std::move(text)));
}

// A UTF-8 document's selection is written straight into the desktop's clipboard buffer.
void TCustomSynEdit::SetTextOf(std::size_t size, const std::function<void(char*)>& write)
{
    if (Encoding() == TTextEncoding::Utf8) {
        Desktop().SetClipboardTextOf(size, write);
        return;
    }
    ISynClipboard::SetTextOf(size, write);
}

std::string TCustomSynEdit::Text()
{
    return FromDesktopText(Desktop().ClipboardText());
}

// A selection made with the mouse or the keyboard becomes the primary selection; while the mouse is
// still selecting, only once the button is released. The selected text is made only for a desktop
// that has a primary selection.
void TCustomSynEdit::PublishPrimarySelection()
{
    if (mouseAction_ != TMouseAction::Selecting && core_.SelAvail() && Desktop().HasPrimarySelection())
        Desktop().SetPrimaryText(ToDesktopText(core_.SelText()));
}

void TCustomSynEdit::CheckBookmarks()
{
    std::array<int, TSynEditCore::BookmarkCount> lines{};
    for (int i = 0; i < TSynEditCore::BookmarkCount; ++i) {
        if (const std::optional<TBufferCoord> mark = core_.GetBookmark(i))
            lines[static_cast<std::size_t>(i)] = mark->Line;
    }
    if (lines == bookmarkLines_)
        return;
    bookmarkLines_ = lines;
    InvalidateRect(QRect(0, 0, gutterWidth_, viewport()->height()));
}

TSynEditCaretType TCustomSynEdit::CaretType() const noexcept
{
    return core_.InsertMode() ? insertCaret_ : overwriteCaret_;
}

QRect TCustomSynEdit::CaretRect() const noexcept
{
    const QPoint origin = BufferPosToPixels(core_.CaretXY());
    const int width = CharWidth();
    const int height = LineHeight();
    switch (CaretType()) {
    case TSynEditCaretType::ctVerticalLine: return QRect(origin.x() - 1, origin.y(), 2, height);
    case TSynEditCaretType::ctHorizontalLine: return QRect(origin.x(), origin.y() + height - 2, width, 2);
    case TSynEditCaretType::ctHalfBlock: return QRect(origin.x(), origin.y() + height / 2, width, height - height / 2);
    case TSynEditCaretType::ctBlock: break;
    }
    return QRect(origin.x(), origin.y(), width, height);
}

void TCustomSynEdit::InvalidateCaret()
{
    const QRect rect = CaretRect();
    if (rect != lastCaretRect_)
        InvalidateRect(lastCaretRect_);
    InvalidateRect(rect);
    lastCaretRect_ = rect;
}

void TCustomSynEdit::BlinkCaret()
{
    caretBlinkOn_ = !caretBlinkOn_;
    InvalidateRect(ShownCaretRect());
}

// Inside the text being composed the caret stands at the input method's place.
QRect TCustomSynEdit::ShownCaretRect() const
{
    return CaretRect().translated(PreeditCells(preeditCursor_) * CharWidth(), 0);
}

void TCustomSynEdit::RestartBlink()
{
    caretBlinkOn_ = true;
    if (hasFocus())
        blinkTimer_.start();
}

QPoint TCustomSynEdit::BufferPosToPixels(TBufferCoord position) const noexcept
{
    const int column = core_.CharToColumn(position.Line, position.Char);
    return {TextLeft() + (column - core_.LeftChar()) * CharWidth(), (position.Line - core_.TopLine()) * LineHeight()};
}

void TCustomSynEdit::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    PaintArea(painter, event->rect());
}

void TCustomSynEdit::PaintArea(QPainter& painter, const QRect& area)
{
    const int firstLine = core_.TopLine() + std::max(0, area.top()) / LineHeight();
    const int lastLine = core_.TopLine() + std::max(0, area.bottom()) / LineHeight();
    if (area.left() < gutterWidth_)
        PaintGutter(painter, area, firstLine, lastLine);
    const int areaRight = std::max(area.right() + 1, viewport()->width());
    if (area.right() >= TextAreaLeft()) {
        TSynPaintSetup setup;
        setup.AreaLeft = TextAreaLeft();
        setup.TextLeft = TextLeft();
        setup.AreaRight = areaRight;
        setup.Color = color_;
        setup.FontColor = fontColor_;
        setup.FontStyle = StyleOfFont(drawer_.Font());
        setup.SelectionBackground = selectedBackground_;
        setup.SelectionForeground = selectedForeground_;
        setup.ShowSelection = SelectionShown();
        TSynEditPainter(core_, drawer_, setup).PaintRows(painter, firstLine, lastLine);
        // The text being composed stands inline at the caret: the rest of the caret's row moves right
        // by its width.
        const int shift = PreeditCells(static_cast<int>(preedit_.size())) * CharWidth();
        const int caretLine = core_.CaretXY().Line;
        if (shift > 0 && caretLine >= firstLine && caretLine <= lastLine) {
            const QPoint caret = BufferPosToPixels(core_.CaretXY());
            const int left = std::max(caret.x() + shift, TextAreaLeft());
            painter.save();
            painter.setClipRect(QRect(left, caret.y(), std::max(0, areaRight - left), LineHeight()));
            painter.translate(shift, 0);
            TSynEditPainter(core_, drawer_, setup).PaintRows(painter, caretLine, caretLine);
            painter.restore();
        }
        const int edge = TextLeft() + (rightEdge_ - core_.LeftChar() + 1) * CharWidth();
        if (rightEdge_ > 0 && edge >= TextAreaLeft()) {
            painter.setPen(rightEdgeColor_);
            painter.drawLine(edge, area.top(), edge, area.bottom());
        }
    }
    if (dropPosition_) {
        const QPoint drop = BufferPosToPixels(*dropPosition_);
        painter.fillRect(drop.x() - 1, drop.y(), 2, LineHeight(), fontColor_);
    }
    PaintPreedit(painter);
    PaintCaret(painter);
}

void TCustomSynEdit::PaintCaret(QPainter& painter)
{
    if (!hasFocus() || !caretBlinkOn_)
        return;
    const QRect rect = CaretRect();
    if (rect.left() < TextAreaLeft())
        return;
    if (CaretType() == TSynEditCaretType::ctVerticalLine) {
        painter.fillRect(ShownCaretRect(), fontColor_);
        return;
    }
    // A block caret inverts what it covers, so the character under it stays readable.
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.fillRect(rect, Qt::white);
    painter.restore();
}

void TCustomSynEdit::PaintGutter(QPainter& painter, const QRect& area, int firstLine, int lastLine)
{
    painter.fillRect(QRect(0, area.top(), gutterWidth_, area.height()), gutterColor_);
    for (int i = 0; i < TSynEditCore::BookmarkCount; ++i) {
        const std::optional<TBufferCoord> mark = core_.GetBookmark(i);
        if (mark && mark->Line >= firstLine && mark->Line <= lastLine)
            PaintBookmark(painter, i, (mark->Line - core_.TopLine()) * LineHeight());
    }
}

void TCustomSynEdit::PaintBookmark(QPainter& painter, int index, int top)
{
    // A small tab with the bookmark's digit.
    const int size = std::min(LineHeight() - 2, 12);
    const QRect box(gutterWidth_ - size - 4, top + (LineHeight() - size) / 2, size, size);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(0x20, 0x40, 0x80));
    painter.setBrush(QColor(0x40, 0x70, 0xC0));
    painter.drawRoundedRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    QFont font = QApplication::font();
    font.setPixelSize(std::max(6, size - 3));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, QString::number(index));
    painter.restore();
}

void TCustomSynEdit::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    SizeOrFontChanged();
}

void TCustomSynEdit::showEvent(QShowEvent* event)
{
    QAbstractScrollArea::showEvent(event);
    core_.SetVisible(true);
    SizeOrFontChanged();
}

void TCustomSynEdit::hideEvent(QHideEvent* event)
{
    core_.SetVisible(false);
    QAbstractScrollArea::hideEvent(event);
}

void TCustomSynEdit::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    RestartBlink();
    if (hideSelection_ && core_.SelAvail())
        InvalidateAll();
    else
        InvalidateCaret();
}

void TCustomSynEdit::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    blinkTimer_.stop();
    if (hideSelection_ && core_.SelAvail())
        InvalidateAll();
    else
        InvalidateCaret();
}

bool TCustomSynEdit::focusNextPrevChild(bool next)
{
    if (wantTabs_)
        return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void TCustomSynEdit::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        FollowPalette();
}

void TCustomSynEdit::FollowPalette()
{
    const QPalette now = palette();
    if (now == lastPalette_)
        return;
    const auto follow = [&](QColor& colour, std::initializer_list<QPalette::ColorRole> roles) {
        for (const QPalette::ColorRole role : roles) {
            if (colour == lastPalette_.color(role)) {
                colour = now.color(role);
                return;
            }
        }
    };
    follow(color_, {QPalette::Base});
    follow(fontColor_, {QPalette::WindowText, QPalette::Text});
    follow(selectedBackground_, {QPalette::Highlight});
    follow(selectedForeground_, {QPalette::HighlightedText});
    follow(gutterColor_, {QPalette::Button});
    lastPalette_ = now;
    InvalidateAll();
}

TSynEdit::TSynEdit(QWidget* parent) : TCustomSynEdit(parent)
{
    SetEditorFont(DefaultEditorFont(13));
    SetFontColor(palette().color(QPalette::WindowText));
    SetColor(palette().color(QPalette::Base));
    viewport()->setCursor(Qt::IBeamCursor);
    SetHideSelection(true);
    SetWantTabs(false);
    Core().SetReadOnly(false);
    Core().SetMaxUndo(1024);
    Core().SetMaxLeftChar(1024);
    Core().SetInsertMode(true);
    SetInsertCaret(TSynEditCaretType::ctVerticalLine);
    SetOverwriteCaret(TSynEditCaretType::ctBlock);
    Core().SetTabWidth(8);
    SetExtraLineSpacing(0);
    SetRightEdge(80);
    SetRightEdgeColor(QColor(0xC0, 0xC0, 0xC0));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    SetGutterWidth(30);
    SetGutterColor(palette().color(QPalette::Button));
    SetSelectedColors(palette().color(QPalette::Highlight), palette().color(QPalette::HighlightedText));
    Core().SetOptions(eoAutoIndent | eoDragDropEditing | eoScrollPastEol | eoShowScrollHint | eoSmartTabs |
                      eoTabsToSpaces);
}

}  // namespace pindle
