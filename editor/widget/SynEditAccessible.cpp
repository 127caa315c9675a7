#include "editor/widget/SynEditAccessible.h"

#include "editor/widget/SynEdit.h"
#include "platform/qt/Accessible.h"
#include "platform/qt/Application.h"
#include "platform/qt/QtText.h"

#include <QHash>
#include <QTimer>

#include <algorithm>

namespace pindle {
namespace {

// A place in the text: a 1-based line and a byte offset (0-based) inside it.
struct TTextPlace {
    int Line = 1;
    int Byte = 0;
};

// An empty editor still has one (empty) line to read.
int LinesOf(const TSynEditCore& core)
{
    return std::max(1, core.LineCount());
}

int Utf16Length(const TSynEditCore& core, int line)
{
    return static_cast<int>(ToQString(core.LineText(line), core.Encoding()).size());
}

// The UTF-16 units in front of byte `bytes` of a line; a byte beyond the end (virtual space) counts
// as the end.
int Utf16Before(const TSynEditCore& core, int line, int bytes)
{
    const std::string_view text = core.LineText(line);
    const auto count = static_cast<std::size_t>(std::clamp(bytes, 0, static_cast<int>(text.size())));
    return static_cast<int>(ToQString(text.substr(0, count), core.Encoding()).size());
}

// The byte of a line at which `units` UTF-16 units have passed; never inside a character.
int ByteAfterUtf16(const TSynEditCore& core, int line, int units)
{
    const std::string_view text = core.LineText(line);
    if (core.Encoding() == TTextEncoding::Windows1252)
        return std::clamp(units, 0, static_cast<int>(text.size()));
    std::size_t pos = 0;
    int passed = 0;
    while (pos < text.size() && passed < units) {
        const TDecodedChar decoded = DecodeUtf8(text, pos);
        passed += decoded.Code > 0xFFFF ? 2 : 1;
        pos += static_cast<std::size_t>(decoded.Length);
    }
    return static_cast<int>(pos);
}

// The lines are joined as bytes and converted at once: a line break is one byte in either encoding,
// and one conversion of the whole is many times faster than one per line.
QString FullText(const TSynEditCore& core)
{
    const int lines = LinesOf(core);
    std::size_t size = static_cast<std::size_t>(lines - 1);
    for (int line = 1; line <= lines; ++line)
        size += core.LineText(line).size();
    std::string bytes;
    bytes.reserve(size);
    for (int line = 1; line <= lines; ++line) {
        if (line > 1)
            bytes += '\n';
        bytes += core.LineText(line);
    }
    return ToQString(bytes, core.Encoding());
}

int CharacterCount(const TSynEditCore& core)
{
    const int lines = LinesOf(core);
    int count = lines - 1;
    for (int line = 1; line <= lines; ++line)
        count += Utf16Length(core, line);
    return count;
}

int OffsetOf(const TSynEditCore& core, TTextPlace place)
{
    const int line = std::clamp(place.Line, 1, LinesOf(core));
    int offset = 0;
    for (int before = 1; before < line; ++before)
        offset += Utf16Length(core, before) + 1;
    return offset + Utf16Before(core, line, place.Byte);
}

TTextPlace PlaceOf(const TSynEditCore& core, int offset)
{
    const int lines = LinesOf(core);
    int start = 0;
    for (int line = 1; line <= lines; ++line) {
        const int length = Utf16Length(core, line);
        if (offset <= start + length || line == lines)
            return {line, ByteAfterUtf16(core, line, offset - start)};
        start += length + 1;
    }
    return {};
}

TBufferCoord CoordOf(const TSynEditCore& core, int offset)
{
    const TTextPlace place = PlaceOf(core, offset);
    return {place.Byte + 1, place.Line};
}

int OffsetOfCoord(const TSynEditCore& core, TBufferCoord position)
{
    return OffsetOf(core, {position.Line, position.Char - 1});
}

// The selected range [start, end), or the caret twice when nothing is selected. A line selection
// takes its lines whole, with the line break after the last one.
std::pair<int, int> SelectedRange(const TSynEditCore& core)
{
    if (!core.SelAvail()) {
        const int caret = OffsetOfCoord(core, core.CaretXY());
        return {caret, caret};
    }
    if (core.SelectionMode() == TSynSelectionMode::smLine) {
        const int last = std::min(core.BlockEnd().Line, LinesOf(core));
        const int end = OffsetOf(core, {last, static_cast<int>(core.LineText(last).size())});
        return {OffsetOf(core, {core.BlockBegin().Line, 0}),
                last < LinesOf(core) ? end + 1 : end};
    }
    return {OffsetOfCoord(core, core.BlockBegin()), OffsetOfCoord(core, core.BlockEnd())};
}

class TAccessibleTextState;

// The editors whose accessible text someone has asked for, so that the others cost nothing.
QHash<const TCustomSynEdit*, TAccessibleTextState*>& States()
{
    static QHash<const TCustomSynEdit*, TAccessibleTextState*> states;
    return states;
}

// What assistive technology was last told about one editor; the difference to now becomes events.
class TAccessibleTextState final : public QObject {
public:
    explicit TAccessibleTextState(TCustomSynEdit* edit) : QObject(edit), edit_(edit)
    {
        States().insert(edit, this);
        Take();
    }
    ~TAccessibleTextState() override { States().remove(edit_); }
    TAccessibleTextState(const TAccessibleTextState&) = delete;
    TAccessibleTextState& operator=(const TAccessibleTextState&) = delete;

    // While no one listens, changes are not followed; what was last told is then out of date.
    void MarkStale() noexcept { stale_ = true; }

    void Schedule()
    {
        if (pending_)
            return;
        pending_ = true;
        QTimer::singleShot(0, this, [this] {
            pending_ = false;
            Report();
        });
    }

private:
    void Take()
    {
        const TSynEditCore& core = edit_->Core();
        text_ = FullText(core);
        caret_ = OffsetOfCoord(core, core.CaretXY());
        selection_ = SelectedRange(core);
    }

    // The text as one replaced stretch: what lies between the common start and the common end.
    void ReportText(const QString& before)
    {
        const qsizetype shorter = std::min(before.size(), text_.size());
        qsizetype head = 0;
        while (head < shorter && before.at(head) == text_.at(head))
            ++head;
        qsizetype tail = 0;
        while (tail < shorter - head && before.at(before.size() - 1 - tail) == text_.at(text_.size() - 1 - tail))
            ++tail;
        // Neither end cuts a character outside the BMP in two.
        if (head > 0 && QChar::isHighSurrogate(before.at(head - 1).unicode()))
            --head;
        if (tail > 0 && QChar::isLowSurrogate(before.at(before.size() - tail).unicode()))
            --tail;
        const QString removed = before.mid(head, before.size() - head - tail);
        const QString inserted = text_.mid(head, text_.size() - head - tail);
        const int at = static_cast<int>(head);
        if (!removed.isEmpty() && !inserted.isEmpty()) {
            QAccessibleTextUpdateEvent event(edit_, at, removed, inserted);
            QAccessible::updateAccessibility(&event);
        } else if (!removed.isEmpty()) {
            QAccessibleTextRemoveEvent event(edit_, at, removed);
            QAccessible::updateAccessibility(&event);
        } else if (!inserted.isEmpty()) {
            QAccessibleTextInsertEvent event(edit_, at, inserted);
            QAccessible::updateAccessibility(&event);
        }
    }

    void Report()
    {
        if (!QAccessible::isActive())
            return;
        if (stale_) {
            stale_ = false;
            Take();
            return;
        }
        const QString before = text_;
        const int caret = caret_;
        const std::pair<int, int> selection = selection_;
        Take();
        ReportText(before);
        if (selection_ != selection) {
            QAccessibleTextSelectionEvent event(edit_, selection_.first, selection_.second);
            QAccessible::updateAccessibility(&event);
        }
        if (caret_ != caret) {
            QAccessibleTextCursorEvent event(edit_, caret_);
            QAccessible::updateAccessibility(&event);
        }
    }

    TCustomSynEdit* edit_;
    QString text_;
    int caret_ = 0;
    std::pair<int, int> selection_;
    bool pending_ = false;
    bool stale_ = false;
};

}  // namespace

TSynEditAccessible::TSynEditAccessible(TCustomSynEdit* edit) : QAccessibleWidget(edit, QAccessible::EditableText)
{
    // The interface lives as long as its editor; from now on the editor's changes are reported.
    if (!States().contains(edit))
        new TAccessibleTextState(edit);
}

TCustomSynEdit* TSynEditAccessible::Edit() const
{
    return static_cast<TCustomSynEdit*>(widget());
}

QAccessible::State TSynEditAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    const bool readOnly = Edit()->Core().ReadOnly();
    state.editable = !readOnly;
    state.readOnly = readOnly;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

void* TSynEditAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

void TSynEditAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const
{
    *startOffset = 0;
    *endOffset = 0;
    if (selectionIndex != 0 || !Edit()->Core().SelAvail())
        return;
    const std::pair<int, int> range = SelectedRange(Edit()->Core());
    *startOffset = range.first;
    *endOffset = range.second;
}

int TSynEditAccessible::selectionCount() const
{
    return Edit()->Core().SelAvail() ? 1 : 0;
}

void TSynEditAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void TSynEditAccessible::removeSelection(int selectionIndex)
{
    TSynEditCore& core = Edit()->Core();
    if (selectionIndex == 0 && core.SelAvail())
        core.SetCaretXY(core.CaretXY());
}

void TSynEditAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex != 0)
        return;
    TSynEditCore& core = Edit()->Core();
    core.SetSelectionMode(TSynSelectionMode::smNormal);
    core.SetSelection(CoordOf(core, startOffset), CoordOf(core, endOffset));
}

int TSynEditAccessible::cursorPosition() const
{
    return OffsetOfCoord(Edit()->Core(), Edit()->Core().CaretXY());
}

void TSynEditAccessible::setCursorPosition(int position)
{
    TSynEditCore& core = Edit()->Core();
    core.SetCaretXY(CoordOf(core, position));
}

QString TSynEditAccessible::text(int startOffset, int endOffset) const
{
    const QString all = FullText(Edit()->Core());
    if (endOffset < 0 || endOffset > all.size())
        endOffset = static_cast<int>(all.size());
    startOffset = std::clamp(startOffset, 0, endOffset);
    return all.mid(startOffset, endOffset - startOffset);
}

int TSynEditAccessible::characterCount() const
{
    return CharacterCount(Edit()->Core());
}

QRect TSynEditAccessible::characterRect(int offset) const
{
    TCustomSynEdit* edit = Edit();
    const TBufferCoord position = CoordOf(edit->Core(), offset);
    const QPoint topLeft = edit->BufferPosToPixels(position);
    return {edit->viewport()->mapToGlobal(topLeft), QSize(edit->CharWidth(), edit->LineHeight())};
}

int TSynEditAccessible::offsetAtPoint(const QPoint& point) const
{
    TCustomSynEdit* edit = Edit();
    const QPoint local = edit->viewport()->mapFromGlobal(point);
    if (!edit->viewport()->rect().contains(local))
        return -1;
    return OffsetOfCoord(edit->Core(), edit->PixelsToBufferPos(local));
}

void TSynEditAccessible::scrollToSubstring(int startIndex, int /*endIndex*/)
{
    TSynEditCore& core = Edit()->Core();
    const int line = PlaceOf(core, startIndex).Line;
    if (line < core.TopLine() || line >= core.TopLine() + std::max(1, core.LinesInWindow()))
        core.SetTopLine(line);
}

QString TSynEditAccessible::attributes(int offset, int* startOffset, int* endOffset) const
{
    // The highlighter's colours are not reported: the whole text is one run without attributes.
    const int count = characterCount();
    *startOffset = offset < 0 || offset > count ? -1 : 0;
    *endOffset = offset < 0 || offset > count ? -1 : count;
    return {};
}

void TSynEditAccessible::deleteText(int startOffset, int endOffset)
{
    replaceText(startOffset, endOffset, QString());
}

void TSynEditAccessible::insertText(int offset, const QString& text)
{
    replaceText(offset, offset, text);
}

void TSynEditAccessible::replaceText(int startOffset, int endOffset, const QString& text)
{
    TSynEditCore& core = Edit()->Core();
    if (core.ReadOnly())
        return;
    // A character that a Windows-1252 document cannot hold is refused with its message, as a paste is,
    // before anything changes.
    Application().Run([&] {
        const std::string bytes = FromQString(text, core.Encoding());
        const TSynSelectionMode mode = core.SelectionMode();
        core.SetSelectionMode(TSynSelectionMode::smNormal);
        core.SetSelection(CoordOf(core, startOffset), CoordOf(core, endOffset));
        core.SetSelText(bytes);
        core.SetSelectionMode(mode);
    });
}

void InstallSynEditAccessible()
{
    InstallAccessible<TCustomSynEdit, TSynEditAccessible>();
}

void SynEditAccessibleChanged(TCustomSynEdit* edit)
{
    if (States().isEmpty())
        return;
    TAccessibleTextState* state = States().value(edit, nullptr);
    if (state == nullptr)
        return;  // no one has asked for this editor's accessible text yet
    if (QAccessible::isActive())
        state->Schedule();
    else
        state->MarkStale();
}

}  // namespace pindle
