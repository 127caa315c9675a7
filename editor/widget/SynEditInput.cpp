// What the editor widget is typed into: keys (through the key map to the editing core's commands, or
// as text), input methods with their pre-edit text and the queries they make, and shortcuts that the
// editor keeps from the window.
#include "editor/widget/SynEdit.h"

#include "editor/widget/SynEditKeyMap.h"
#include "platform/qt/Application.h"
#include "platform/qt/QtText.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace pindle {
namespace {

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
        // The candidate window follows the caret inside the text being composed.
        QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
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
        return QRectF(ShownCaretRect().translated(viewport()->pos()));
    case Qt::ImFont:
        return EditorFont();
    case Qt::ImSurroundingText:
        return part(from, to);
    case Qt::ImCursorPosition:
        return positionOf(caret);
    case Qt::ImAnchorPosition:
        return positionOf(core_.SelAnchor());
    case Qt::ImCurrentSelection: {
        // As far as the selection lies in the surrounding text, which an input method reads it with:
        // Select All in a large document would otherwise be converted whole at every caret move.
        const QString around = part(from, to);
        const auto inAround = [&](TBufferCoord at) {
            if (at.Line != caret.Line)
                return at.Line < caret.Line ? 0 : static_cast<int>(around.size());
            return positionOf(at);
        };
        const int anchor = inAround(core_.SelAnchor());
        const int cursor = positionOf(caret);
        return around.mid(std::min(anchor, cursor), std::abs(anchor - cursor));
    }
    case Qt::ImHints:
        return static_cast<int>(Qt::ImhMultiLine | Qt::ImhNoAutoUppercase | Qt::ImhNoPredictiveText);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

int TCustomSynEdit::PreeditCells(int units) const
{
    if (preedit_.isEmpty() || units <= 0)
        return 0;
    const std::string text = FromQString(preedit_.left(units), TTextEncoding::Utf8);
    int cells = 0;
    for (int pos = 0, size = static_cast<int>(text.size()); pos < size;) {
        const int next = NextCharBoundary(text, pos, TTextEncoding::Utf8);
        cells += CharCells(text, pos, next, cells, 8, TTextEncoding::Utf8);
        pos = next;
    }
    return cells;
}

// The text being composed, underlined as Qt's own editors show it, in the cells at the caret that the
// rest of the row has made room for.
void TCustomSynEdit::PaintPreedit(QPainter& painter)
{
    if (preedit_.isEmpty())
        return;
    const QPoint origin = BufferPosToPixels(core_.CaretXY());
    const std::string text = FromQString(preedit_, TTextEncoding::Utf8);
    painter.save();
    painter.setClipRect(QRect(TextAreaLeft(), origin.y(), std::max(0, viewport()->width() - TextAreaLeft()), LineHeight()));
    const int cells = drawer_.DrawCells(painter, origin.x(), origin.y(), text, 0, fontColor_, color_, TTextEncoding::Utf8);
    painter.setPen(fontColor_);
    painter.drawLine(origin.x(), origin.y() + LineHeight() - 2, origin.x() + cells * CharWidth() - 1, origin.y() + LineHeight() - 2);
    painter.restore();
}

}  // namespace pindle
