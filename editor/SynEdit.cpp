#include "editor/SynEdit.h"

#include "editor/SynEditAccessible.h"
#include "editor/SynEditKeyMap.h"
#include "platform/Application.h"
#include "platform/Desktop.h"
#include "platform/QtText.h"

#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace pindle {
namespace {

constexpr int kAutoScrollInterval = 50;

TFontStyles StyleOfFont(const QFont& font) noexcept
{
    TFontStyles style = 0;
    if (font.bold()) style |= fsBold;
    if (font.italic()) style |= fsItalic;
    if (font.underline()) style |= fsUnderline;
    if (font.strikeOut()) style |= fsStrikeOut;
    return style;
}

int FloorDiv(int value, int divisor) noexcept
{
    return static_cast<int>(std::floor(static_cast<double>(value) / divisor));
}

// The text a key press or an input method types: empty when it holds a control character.
QString TypedText(const QString& text)
{
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code < 32 || code == 127 || (code >= 128 && code < 160))
            return {};
    }
    return text;
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

void TCustomSynEdit::SetUpScrollBars()
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(verticalScrollBar(), &QScrollBar::sliderMoved, this, &TCustomSynEdit::ShowScrollHint);
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, [] { QToolTip::hideText(); });
    scrollTimer_.setInterval(kAutoScrollInterval);
    connect(&scrollTimer_, &QTimer::timeout, this, &TCustomSynEdit::AutoScroll);
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

void TCustomSynEdit::ScheduleScrollBarUpdate()
{
    // Appending a file's lines one by one would otherwise set the scroll range a million times.
    if (scrollBarUpdatePending_)
        return;
    scrollBarUpdatePending_ = true;
    QMetaObject::invokeMethod(this, [this] { UpdateScrollBars(); }, Qt::QueuedConnection);
}

void TCustomSynEdit::UpdateScrollBars()
{
    scrollBarUpdatePending_ = false;
    updatingScrollBars_ = true;
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(1, std::max(1, core_.LineCount() - core_.LinesInWindow() + 1));
    vertical->setPageStep(std::max(1, core_.LinesInWindow()));
    vertical->setSingleStep(1);
    vertical->setValue(core_.TopLine());
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(1, std::max(1, core_.MaxLeftChar() - core_.CharsInWindow() + 1));
    horizontal->setPageStep(std::max(1, core_.CharsInWindow()));
    horizontal->setSingleStep(1);
    horizontal->setValue(core_.LeftChar());
    updatingScrollBars_ = false;
}

void TCustomSynEdit::scrollContentsBy(int, int)
{
    if (updatingScrollBars_)
        return;
    core_.SetTopLine(verticalScrollBar()->value());
    core_.SetLeftChar(horizontalScrollBar()->value());
}

void TCustomSynEdit::ShowScrollHint(int value)
{
    if ((core_.Options() & eoShowScrollHint) == 0)
        return;
    QToolTip::showText(QCursor::pos() + QPoint(-60, 0), QStringLiteral("Top Line: %1").arg(value), this);
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
    InvalidateCaret();
    RestartBlink();
    CheckBookmarks();
    SynEditAccessibleChanged(this);
}

void TCustomSynEdit::SelectionChanged()
{
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

// The desktop's clipboard holds UTF-8; the document's bytes are converted on the way.
void TCustomSynEdit::SetText(const std::string& text)
{
    if (Encoding() == TTextEncoding::Utf8)
        Desktop().SetClipboardText(text);
    else
        Desktop().SetClipboardText(FromQString(ToQString(text, Encoding()), TTextEncoding::Utf8));
}

// Text a Windows-1252 document cannot hold raises EEncodingError before anything is changed.
std::string TCustomSynEdit::Text()
{
    const std::string text = Desktop().ClipboardText();
    if (Encoding() == TTextEncoding::Utf8 && IsValidUtf8(text))
        return text;
    return FromQString(ToQString(text, TTextEncoding::Utf8), Encoding());
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
    InvalidateRect(CaretRect());
}

void TCustomSynEdit::RestartBlink()
{
    caretBlinkOn_ = true;
    if (hasFocus())
        blinkTimer_.start();
}

TBufferCoord TCustomSynEdit::PixelsToBufferPos(QPoint point) const noexcept
{
    const int line = std::clamp(core_.TopLine() + FloorDiv(point.y(), LineHeight()), 1, std::max(1, core_.LineCount()));
    // A click in the right half of a cell puts the caret after that character.
    const int column = std::max(1, core_.LeftChar() + FloorDiv(point.x() - TextLeft() + CharWidth() / 2, CharWidth()));
    int ch = core_.ColumnToChar(line, column);
    // A wide character: after it from its middle on.
    const int start = core_.CharToColumn(line, ch);
    if (start < column && core_.LineText(line).substr(static_cast<std::size_t>(ch - 1), 1) != "\t") {
        const int next = core_.NextChar(line, ch);
        const int middle = (start + core_.CharToColumn(line, next)) * CharWidth() / 2;
        const int x = (core_.LeftChar() - 1) * CharWidth() + point.x() - TextLeft() + CharWidth();
        if (x >= middle)
            ch = next;
    }
    return {ch, line};
}

QPoint TCustomSynEdit::BufferPosToPixels(TBufferCoord position) const noexcept
{
    const int column = core_.CharToColumn(position.Line, position.Char);
    return {TextLeft() + (column - core_.LeftChar()) * CharWidth(), (position.Line - core_.TopLine()) * LineHeight()};
}

bool TCustomSynEdit::InsideSelection(TBufferCoord position) const noexcept
{
    return core_.SelAvail() && core_.IsSelected(position.Line, position.Char);
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

// The text being composed covers the cells right of the caret, underlined, as Qt's own editors show
// it; the caret stands at the input method's place inside it.
void TCustomSynEdit::PaintPreedit(QPainter& painter)
{
    if (preedit_.isEmpty())
        return;
    const QPoint origin = BufferPosToPixels(core_.CaretXY());
    const std::string text = FromQString(preedit_, TTextEncoding::Utf8);
    painter.save();
    const int cells = drawer_.DrawCells(painter, origin.x(), origin.y(), text, 0, fontColor_, color_, TTextEncoding::Utf8);
    painter.setPen(fontColor_);
    painter.drawLine(origin.x(), origin.y() + LineHeight() - 2, origin.x() + cells * CharWidth() - 1, origin.y() + LineHeight() - 2);
    painter.restore();
}

void TCustomSynEdit::PaintCaret(QPainter& painter)
{
    if (!hasFocus() || !caretBlinkOn_)
        return;
    const QRect rect = CaretRect();
    if (rect.left() < TextAreaLeft())
        return;
    if (CaretType() == TSynEditCaretType::ctVerticalLine) {
        if (!preedit_.isEmpty()) {
            const std::string before = FromQString(preedit_.left(preeditCursor_), TTextEncoding::Utf8);
            int cells = 0;
            for (int pos = 0, size = static_cast<int>(before.size()); pos < size;) {
                const int next = NextCharBoundary(before, pos, TTextEncoding::Utf8);
                cells += CharCells(before, pos, next, cells, 8, TTextEncoding::Utf8);
                pos = next;
            }
            painter.fillRect(rect.translated(cells * CharWidth(), 0), fontColor_);
            return;
        }
        painter.fillRect(rect, fontColor_);
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

bool TCustomSynEdit::event(QEvent* event)
{
    // Keys of the key table belong to the editor even where the window has a shortcut for them.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const TShortCut keystroke = KeystrokeOf(key->key(), key->modifiers());
        const bool typing = !TypedText(key->text()).isEmpty()
            && (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0;
        if ((keystroke != 0 && core_.Keystrokes().FindShortcut(keystroke) >= 0) || typing) {
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::ApplicationPaletteChange)
        FollowPalette();
    return QAbstractScrollArea::event(event);
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

std::optional<std::string> TCustomSynEdit::EncodeTyped(const QString& text)
{
    std::optional<std::string> typed;
    Application().Run([&] { typed = FromQString(text, Encoding()); });
    return typed;
}

void TCustomSynEdit::keyPressEvent(QKeyEvent* event)
{
    const bool tabKey = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tabKey && !wantTabs_ && (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0) {
        event->ignore();
        return;
    }
    const TShortCut keystroke = KeystrokeOf(event->key(), event->modifiers());
    const QString text = TypedText(event->text());
    const bool command = keystroke != 0 && core_.Keystrokes().FindShortcut(keystroke) >= 0;
    // Ctrl or Alt alone types nothing; both together are AltGr.
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    const bool alt = event->modifiers().testFlag(Qt::AltModifier);
    std::string typed;
    if (!text.isEmpty() && !command && ctrl == alt) {
        const std::optional<std::string> encoded = EncodeTyped(text);
        if (!encoded) {
            event->accept();  // refused with a message
            return;
        }
        typed = *encoded;
    }
    bool done = false;
    // A command may reach the clipboard, whose text the document may not be able to hold.
    Application().Run([&] { done = (keystroke != 0 || !typed.empty()) && core_.ProcessKeystroke(keystroke, typed); });
    if (!done) {
        event->ignore();
        return;
    }
    event->accept();
}

void TCustomSynEdit::inputMethodEvent(QInputMethodEvent* event)
{
    const QString commit = TypedText(event->commitString());
    if (!commit.isEmpty()) {
        if (const std::optional<std::string> typed = EncodeTyped(commit))
            Application().Run([&] { core_.ExecuteCommand(ecChar, *typed); });
    }
    const QString preedit = event->preeditString();
    int cursor = static_cast<int>(preedit.size());
    for (const QInputMethodEvent::Attribute& attribute : event->attributes()) {
        if (attribute.type == QInputMethodEvent::Cursor)
            cursor = std::clamp(attribute.start, 0, static_cast<int>(preedit.size()));
    }
    if (preedit != preedit_ || cursor != preeditCursor_) {
        preedit_ = preedit;
        preeditCursor_ = cursor;
        const int line = core_.CaretXY().Line;
        InvalidateRect(RowsRect(line, line, false, true));
    }
    event->accept();
}

// What an input method asks about the place it types into: the caret's rectangle for its candidate
// window, and the text around the caret (at most a few hundred characters of a long line).
QVariant TCustomSynEdit::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const TBufferCoord caret = core_.CaretXY();
    const std::string_view line = core_.LineText(caret.Line);
    const TTextEncoding encoding = core_.Encoding();
    constexpr int kAround = 512;
    const int caretByte = std::min(caret.Char - 1, static_cast<int>(line.size()));
    const int from = CharStartAt(line, std::max(0, caretByte - kAround), encoding);
    const int to = CharStartAt(line, std::min(static_cast<int>(line.size()), caretByte + kAround), encoding);
    const auto part = [&](int a, int b) {
        return ToQString(line.substr(static_cast<std::size_t>(a), static_cast<std::size_t>(std::max(0, b - a))), encoding);
    };
    const auto positionOf = [&](TBufferCoord at) {
        if (at.Line != caret.Line)
            return static_cast<int>(part(from, caretByte).size());
        return static_cast<int>(part(from, std::clamp(at.Char - 1, from, to)).size());
    };
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return QRectF(CaretRect().translated(viewport()->pos()));
    case Qt::ImFont:
        return EditorFont();
    case Qt::ImSurroundingText:
        return part(from, to);
    case Qt::ImCursorPosition:
        return positionOf(caret);
    case Qt::ImAnchorPosition:
        return positionOf(core_.SelAnchor());
    case Qt::ImCurrentSelection:
        return ToQString(core_.SelText(), encoding);
    case Qt::ImHints:
        return static_cast<int>(Qt::ImhMultiLine | Qt::ImhNoAutoUppercase | Qt::ImhNoPredictiveText);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void TCustomSynEdit::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->position().toPoint();
    const TBufferCoord position = PixelsToBufferPos(point);
    pressPoint_ = lastMousePoint_ = point;
    if (event->modifiers().testFlag(Qt::ShiftModifier)) {
        core_.MoveCaretAndSelection(position);
        mouseAction_ = TMouseAction::Selecting;
    } else if ((core_.Options() & eoDragDropEditing) != 0 && InsideSelection(position)) {
        mouseAction_ = TMouseAction::DragPending;
    } else {
        core_.SetCaretXY(position);
        mouseAction_ = TMouseAction::Selecting;
    }
}

void TCustomSynEdit::mouseMoveEvent(QMouseEvent* event)
{
    if (!event->buttons().testFlag(Qt::LeftButton) || mouseAction_ == TMouseAction::None)
        return;
    lastMousePoint_ = event->position().toPoint();
    if (mouseAction_ == TMouseAction::DragPending) {
        if ((lastMousePoint_ - pressPoint_).manhattanLength() < QApplication::startDragDistance())
            return;
        mouseAction_ = TMouseAction::Dragging;
        viewport()->setCursor(Qt::DragMoveCursor);
    }
    if (mouseAction_ == TMouseAction::Dragging) {
        dropPosition_ = PixelsToBufferPos(lastMousePoint_);
        InvalidateAll();
    } else {
        core_.MoveCaretAndSelection(PixelsToBufferPos(lastMousePoint_));
    }
    const QRect textArea(TextAreaLeft(), 0, viewport()->width() - TextAreaLeft(), viewport()->height());
    if (textArea.contains(lastMousePoint_))
        scrollTimer_.stop();
    else if (!scrollTimer_.isActive())
        scrollTimer_.start();
}

void TCustomSynEdit::AutoScroll()
{
    // Moving the caret to the line or column just outside the window scrolls it into view.
    if (mouseAction_ == TMouseAction::Selecting) {
        core_.MoveCaretAndSelection(PixelsToBufferPos(lastMousePoint_));
    } else if (mouseAction_ == TMouseAction::Dragging) {
        const QPoint point = lastMousePoint_;
        if (point.y() < 0)
            core_.SetTopLine(core_.TopLine() - 1);
        else if (point.y() >= viewport()->height())
            core_.SetTopLine(core_.TopLine() + 1);
        if (point.x() < TextAreaLeft())
            core_.SetLeftChar(core_.LeftChar() - 1);
        else if (point.x() >= viewport()->width())
            core_.SetLeftChar(core_.LeftChar() + 1);
        dropPosition_ = PixelsToBufferPos(point);
        InvalidateAll();
    } else {
        scrollTimer_.stop();
    }
}

void TCustomSynEdit::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    scrollTimer_.stop();
    const TMouseAction action = mouseAction_;
    mouseAction_ = TMouseAction::None;
    if (action == TMouseAction::DragPending) {
        core_.SetCaretXY(PixelsToBufferPos(pressPoint_));
    } else if (action == TMouseAction::Dragging) {
        viewport()->setCursor(Qt::IBeamCursor);
        const std::optional<TBufferCoord> drop = dropPosition_;
        dropPosition_.reset();
        InvalidateAll();
        // Ctrl copies, as in every editor that lets the selection be dragged.
        if (drop && !InsideSelection(*drop))
            core_.DropSelection(*drop, !event->modifiers().testFlag(Qt::ControlModifier));
    }
}

void TCustomSynEdit::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    core_.SelectWordAt(PixelsToBufferPos(event->position().toPoint()));
    mouseAction_ = TMouseAction::None;
}

void TCustomSynEdit::wheelEvent(QWheelEvent* event)
{
    // Touchpads send fractions of a notch: keep the remainder until it makes up a line.
    wheelRemainder_ += event->angleDelta();
    const int lines = QApplication::wheelScrollLines();
    const int notchesY = wheelRemainder_.y() / 120;
    const int notchesX = wheelRemainder_.x() / 120;
    wheelRemainder_ -= QPoint(notchesX * 120, notchesY * 120);
    if (notchesY != 0)
        core_.SetTopLine(core_.TopLine() - notchesY * lines);
    if (notchesX != 0)
        core_.SetLeftChar(core_.LeftChar() - notchesX * lines);
    event->accept();
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
