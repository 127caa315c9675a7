#include "editor/SynEditCore.h"

#include "editor/SynEditCoreScope.h"
#include "editor/SynEditTextUtils.h"
#include "platform/HugePages.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <span>
#include <utility>

namespace pindle {

namespace {

// Lines shorter than this are walked from their start; longer ones keep column checkpoints this far
// apart.
constexpr int kLongLine = 4096;
constexpr int kMarkStep = 256;

}  // namespace

TSynEditCore::TSynEditCore() {
    keystrokes_.ResetDefaults();
    states_.AfterLineEvent = [this](TSynLineEvent event, int index, int count) { OnLineEvent(event, index, count); };
    states_.OnRepaint = [this](const TRepaintRect& area) {
        if (listener_ != nullptr) listener_->Repaint(area);
    };
    states_.OnRepaintAll = [this] {
        if (listener_ != nullptr) listener_->Repaint({true, true, true, 0, 0});
    };
    states_.OnMeasureCharCell = [this] {
        if (listener_ != nullptr) listener_->CharCellChanged();
    };
}

TSynEditCore::~TSynEditCore() {
    states_.AfterLineEvent = nullptr;
    states_.OnRepaint = nullptr;
    states_.OnRepaintAll = nullptr;
    states_.OnMeasureCharCell = nullptr;
}

void TSynEditCore::Clear() {
    TCommandScope scope(*this);
    lines_.Clear();
    ResetForClear();
}

void TSynEditCore::SetHighlighter(TSynCustomHighlighter* highlighter) {
    states_.SetHighlighter(highlighter);
}

void TSynEditCore::SetEncoding(TTextEncoding encoding) noexcept {
    encoding_ = encoding;
    DropColumnMarks();
}

TSynIdentChars TSynEditCore::WordChars() const noexcept {
    if (const TSynCustomHighlighter* highlighter = Highlighter()) return highlighter->IdentifierChars();
    return DefaultIdentChars();
}

// The list tells about every change, including those made on it directly (Clear, Add), so the
// caret, bookmarks and histories are kept right here rather than in each command.
void TSynEditCore::OnLineEvent(TSynLineEvent event, int index, int count) {
    if (event == TSynLineEvent::LineReplaced && index + 1 == marksLine_ && editByte_ >= 0) {
        // Checkpoints before the changed byte keep their columns; a few bytes of room cover a mark
        // that the edit joins to the character before it.
        const int keep = editByte_ - 4;
        std::erase_if(marks_, [keep](const TCharPlace& mark) { return mark.Pos >= keep; });
        if (marks_.empty()) DropColumnMarks();
    } else if (event != TSynLineEvent::LineReplaced && event != TSynLineEvent::LineAdded) {
        DropColumnMarks();
    } else if (event == TSynLineEvent::LineReplaced && index + 1 == marksLine_) {
        DropColumnMarks();
    }
    switch (event) {
    case TSynLineEvent::LinesCleared:
        ResetForClear();
        break;
    case TSynLineEvent::LineInserted:
    case TSynLineEvent::LinesInserted:
        for (auto& mark : bookmarks_)
            if (mark && mark->Line > index) mark->Line += count;
        break;
    case TSynLineEvent::LineDeleted:
    case TSynLineEvent::LinesDeleted:
        for (auto& mark : bookmarks_) {
            if (!mark) continue;
            if (mark->Line > index + count) mark->Line -= count;
            else if (mark->Line > index) mark.reset();
        }
        break;
    default:
        break;
    }
}

void TSynEditCore::ResetForClear() {
    undo_.Clear();
    redo_.Clear();
    pendingGroup_.Items.clear();
    caret_ = anchor_ = selEnd_ = {1, 1};
    keptColumn_ = 0;
    selectionMode_ = TSynSelectionMode::smNormal;
    topLine_ = 1;
    leftChar_ = 1;
    bookmarks_ = {};
    translator_.ClearPending();
    SyncView();
    states_.RepaintLines(-1, -1);
    states_.RepaintGutterLines(-1, -1);
    // Lines().Clear() outside a command still has to reach the widget.
    if (commandDepth_ == 0 && listener_ != nullptr) {
        listener_->ScrollChanged();
        listener_->SelectionChanged();
        listener_->CaretMoved();
        listener_->StatusChanged();
    }
}

// Lines deleted on the list directly may have left the caret or the selection below the text.
void TSynEditCore::KeepInsideText() noexcept {
    const int last = LastLine();
    if (caret_.Line > last || anchor_.Line > last || selEnd_.Line > last) {
        caret_ = ClampToCaret(caret_);
        anchor_ = ClampToPosition(anchor_);
        selEnd_ = ClampToPosition(selEnd_);
    }
}

TSynEditCore::TSnapshot TSynEditCore::Snapshot() const noexcept {
    return {caret_, anchor_, selEnd_, selectionMode_, topLine_, leftChar_, insertMode_, undo_.Count(), redo_.Count()};
}

void TSynEditCore::Notify(const TSnapshot& before) {
    if (listener_ == nullptr) return;
    if (before.TopLine != topLine_ || before.LeftChar != leftChar_) listener_->ScrollChanged();
    if (before.Anchor != anchor_ || before.SelEnd != selEnd_ || before.Mode != selectionMode_)
        listener_->SelectionChanged();
    if (before.Caret != caret_) listener_->CaretMoved();
    if (before.InsertMode != insertMode_ || before.Mode != selectionMode_ || (before.UndoCount == 0) != (undo_.Count() == 0) ||
        (before.RedoCount == 0) != (redo_.Count() == 0))
        listener_->StatusChanged();
}

void TSynEditCore::RepaintRows(int first, int last) {
    states_.RepaintLines(first, last);
}

// Only the rows whose look changed: when just the moving end of a normal or line selection moved,
// the rows between its old and new place; otherwise every row of the old and the new selection.
void TSynEditCore::RepaintChangedSelection(TBufferCoord oldAnchor, TBufferCoord oldEnd, TSynSelectionMode oldMode) {
    const bool hadSelection = oldAnchor != oldEnd;
    if (!hadSelection && !SelAvail()) return;
    if (hadSelection && SelAvail() && oldAnchor == anchor_ && oldMode == selectionMode_ &&
        selectionMode_ != TSynSelectionMode::smColumn) {
        if (oldEnd != selEnd_) RepaintRows(std::min(oldEnd.Line, selEnd_.Line), std::max(oldEnd.Line, selEnd_.Line));
        return;
    }
    if (hadSelection) RepaintRows(std::min(oldAnchor.Line, oldEnd.Line), std::max(oldAnchor.Line, oldEnd.Line));
    if (SelAvail()) RepaintRows(BlockBegin().Line, BlockEnd().Line);
}

TBufferCoord TSynEditCore::AlignToChar(TBufferCoord position) const noexcept {
    if (position.Char > 1 && position.Char <= LineLength(position.Line))
        position.Char = CharStartAt(LineText(position.Line), position.Char - 1, encoding_) + 1;
    return position;
}

TBufferCoord TSynEditCore::ClampToText(TBufferCoord position) const noexcept {
    position.Line = std::clamp(position.Line, 1, LastLine());
    position.Char = std::clamp(position.Char, 1, LineLength(position.Line) + 1);
    return AlignToChar(position);
}

// Where the caret may stand: on a character boundary inside the text, or beyond a line's end when
// scrolling past the end of a line is on; never right of display column MaxLeftChar.
TBufferCoord TSynEditCore::ClampToCaret(TBufferCoord position) const noexcept {
    position.Line = std::clamp(position.Line, 1, LastLine());
    position.Char = std::max(position.Char, 1);
    if ((options_ & eoScrollPastEol) == 0) position.Char = std::min(position.Char, LineLength(position.Line) + 1);
    // No character takes more columns than a tab or a wide character: near the line's start no
    // walk along it is needed.
    if (static_cast<long long>(position.Char - 1) * std::max(tabWidth_, 2) < maxLeftChar_)
        return AlignToChar(position);
    // The walk goes only as far as the limit, however far along a long line the position lies.
    const int last = PlaceOfColumn(position.Line, maxLeftChar_ - 1).Pos + 1;  // the character holding the limit
    if (position.Char > last) position.Char = last;
    return AlignToChar(position);
}

TBufferCoord TSynEditCore::TextEnd() const noexcept {
    return {LineLength(LastLine()) + 1, LastLine()};
}

void TSynEditCore::PlaceCaret(TBufferCoord position) {
    keptColumn_ = 0;
    caret_ = ClampToCaret(position);
    anchor_ = selEnd_ = caret_;
}

TBufferCoord TSynEditCore::ClampToPosition(TBufferCoord position) const noexcept {
    position.Line = std::clamp(position.Line, 1, LastLine());
    const int length = LineLength(position.Line);
    int limit = length + 1;
    if ((options_ & eoScrollPastEol) != 0 && position.Char > limit)
        limit = std::max(limit, PlaceOfColumn(position.Line, maxLeftChar_ - 1).Pos + 1);
    position.Char = std::clamp(position.Char, 1, limit);
    return AlignToChar(position);
}

// The caret goes as close to position as it may; the selection's moving end goes to position itself
// when that lies further right in the text (on a line longer than MaxLeftChar).
void TSynEditCore::SetMovingEnd(TBufferCoord position) {
    position.Line = std::clamp(position.Line, 1, LastLine());
    keptColumn_ = 0;
    caret_ = ClampToCaret(position);
    selEnd_ = position.Char > caret_.Char ? ClampToPosition(position) : caret_;
}

void TSynEditCore::MoveCaret(TBufferCoord position, bool select) {
    if (select && !SelAvail()) anchor_ = selEnd_;
    SetMovingEnd(position);
    if (!select) anchor_ = selEnd_ = caret_;
}

void TSynEditCore::SetCaretXY(TBufferCoord position) {
    TCommandScope scope(*this);
    MoveCaret(position, false);
    EnsureCursorPosVisible();
}

void TSynEditCore::MoveCaretAndSelection(TBufferCoord position) {
    TCommandScope scope(*this);
    MoveCaret(position, true);
    EnsureCursorPosVisible();
}

void TSynEditCore::SetSelection(TBufferCoord anchor, TBufferCoord end) {
    TCommandScope scope(*this);
    SetMovingEnd(end);
    anchor_ = ClampToPosition(anchor);
    EnsureCursorPosVisible();
}

void TSynEditCore::SetSelectionMode(TSynSelectionMode mode) {
    TCommandScope scope(*this);
    if (mode == selectionMode_) return;
    if (SelAvail()) RepaintRows(BlockBegin().Line, BlockEnd().Line);
    selectionMode_ = mode;
}

std::pair<int, int> TSynEditCore::SelectedCharsOfLine(int line) const noexcept {
    if (!SelAvail()) return {0, 0};
    const TBufferCoord b = BlockBegin();
    const TBufferCoord e = BlockEnd();
    if (line < b.Line || line > e.Line) return {0, 0};
    switch (selectionMode_) {
    case TSynSelectionMode::smLine:
        return {1, ToLineEnd};
    case TSynSelectionMode::smColumn:
        return ColumnBlockOfLine(line);
    case TSynSelectionMode::smNormal:
        break;
    }
    const int first = line == b.Line ? b.Char : 1;
    const int last = line == e.Line ? e.Char : ToLineEnd;
    return {first, last};
}

// A column selection spans the display columns between its two ends; on each line it takes the
// characters that start inside that span.
std::pair<int, int> TSynEditCore::ColumnBlockOfLine(int line) const noexcept {
    const int a = CharToColumn(anchor_.Line, anchor_.Char);
    const int e = CharToColumn(selEnd_.Line, selEnd_.Char);
    const auto charFrom = [&](int column) {
        const int ch = ColumnToChar(line, column);
        return CharToColumn(line, ch) < column ? NextChar(line, ch) : ch;
    };
    return {charFrom(std::min(a, e)), charFrom(std::max(a, e))};
}

bool TSynEditCore::IsSelected(int line, int ch) const noexcept {
    const auto [first, last] = SelectedCharsOfLine(line);
    return ch >= first && ch < last;
}

// Calls `piece` with each part of the selected text in order: the selected part of each line and
// the line breaks between them.
template <typename TPiece>
void TSynEditCore::ForEachSelPiece(TPiece&& piece) const {
    const TBufferCoord b = ClampToText(BlockBegin());
    const TBufferCoord e = ClampToText(BlockEnd());
    // The lines are taken from the list a batch at a time, not looked up one by one.
    std::array<std::string_view, 256> batch;
    std::size_t taken = 0;
    std::size_t next = 0;
    for (int line = b.Line; line <= e.Line; ++line) {
        if (next == taken) {
            taken = lines_.GetRange(line - 1, std::span(batch.data(), std::min<std::size_t>(batch.size(), e.Line - line + 1)));
            next = 0;
        }
        const std::string_view s = next < taken ? batch[next++] : std::string_view();
        if (selectionMode_ == TSynSelectionMode::smNormal) {
            const std::size_t from = line == b.Line ? static_cast<std::size_t>(b.Char - 1) : 0;
            const std::size_t to = line == e.Line ? static_cast<std::size_t>(e.Char - 1) : s.size();
            piece(s.substr(from, to - from));
        } else if (selectionMode_ == TSynSelectionMode::smLine) {
            piece(s);
            piece(std::string_view("\n"));
            continue;
        } else {
            const auto [left, right] = ColumnBlockOfLine(line);
            piece(CharRange(s, left, right));
        }
        if (line != e.Line) piece(std::string_view("\n"));
    }
}

std::size_t TSynEditCore::SelTextSize() const {
    if (!SelAvail()) return 0;
    std::size_t size = 0;
    ForEachSelPiece([&](std::string_view piece) { size += piece.size(); });
    return size;
}

void TSynEditCore::WriteSelText(char* out) const {
    if (!SelAvail()) return;
    ForEachSelPiece([&](std::string_view piece) {
        std::memcpy(out, piece.data(), piece.size());
        out += piece.size();
    });
}

std::string TSynEditCore::SelText() const {
    std::string text;
    const std::size_t size = SelTextSize();
    if (size == 0) return text;
    text.reserve(size);
    AdviseHugePages(text.data(), text.capacity());
    ForEachSelPiece([&](std::string_view piece) { text.append(piece); });
    return text;
}

void TSynEditCore::SetSelText(std::string_view text) {
    TCommandScope scope(*this);
    if (readOnly_) return;
    // The new text goes where the selection began, even where the caret cannot follow (beyond
    // MaxLeftChar on a long line).
    const TBufferCoord at = SelAvail() ? DeleteSelection() : caret_;
    const TBufferCoord end = InsertText(at, NormalizeLineBreaks(text));
    MoveCaret(end, false);
    EnsureCursorPosVisible();
}

std::pair<int, int> TSynEditCore::WordBoundsAt(TBufferCoord position) const noexcept {
    position = ClampToText(position);
    const std::string_view s = LineText(position.Line);
    const TSynIdentChars chars = WordChars();
    const auto size = static_cast<int>(s.size());
    const auto isWord = [&](int pos) { return IsWordCharAt(s, pos, chars, encoding_); };
    const auto prev = [&](int pos) { return PrevCharBoundary(s, pos, encoding_); };
    int start = position.Char - 1;
    // A position just after a word (at the line's end, say) still names that word.
    if ((start >= size || !isWord(start)) && start > 0 && isWord(prev(start))) start = prev(start);
    if (start >= size || !isWord(start)) return {position.Char, position.Char};
    int end = start;
    while (start > 0 && isWord(prev(start))) start = prev(start);
    while (end < size && isWord(end)) end = NextCharBoundary(s, end, encoding_);
    return {start + 1, end + 1};
}

void TSynEditCore::SelectWordAt(TBufferCoord position) {
    const auto [start, end] = WordBoundsAt(position);
    const int line = ClampToText(position).Line;
    SetSelection({start, line}, {end, line});
}

void TSynEditCore::SetInsertMode(bool value) {
    TCommandScope scope(*this);
    insertMode_ = value;
}

int TSynEditCore::MaxTopLine() const noexcept {
    return std::max(1, lines_.Count() - PageLines() + 1);
}

void TSynEditCore::SetTopLine(int line) {
    TCommandScope scope(*this);
    topLine_ = std::clamp(line, 1, MaxTopLine());
}

void TSynEditCore::SetLeftChar(int column) {
    TCommandScope scope(*this);
    leftChar_ = std::clamp(column, 1, std::max(1, maxLeftChar_ - std::max(1, charsInWindow_) + 1));
}

void TSynEditCore::SetWindowSize(int linesInWindow, int charsInWindow) {
    TCommandScope scope(*this);
    linesInWindow_ = std::max(0, linesInWindow);
    charsInWindow_ = std::max(0, charsInWindow);
    topLine_ = std::clamp(topLine_, 1, MaxTopLine());
}

void TSynEditCore::SetVisible(bool visible) {
    visible_ = visible;
    SyncView();
}

void TSynEditCore::SyncView() {
    states_.SetView(topLine_, linesInWindow_, visible_);
}

void TSynEditCore::EnsureCursorPosVisible() {
    if (caret_.Line < topLine_) topLine_ = caret_.Line;
    else if (linesInWindow_ > 0 && caret_.Line >= topLine_ + linesInWindow_) topLine_ = caret_.Line - linesInWindow_ + 1;
    topLine_ = std::clamp(topLine_, 1, MaxTopLine());
    if (charsInWindow_ <= 0) return;
    const int column = CharToColumn(caret_.Line, caret_.Char);
    if (column < leftChar_) leftChar_ = column;
    else if (column >= leftChar_ + charsInWindow_) leftChar_ = column - charsInWindow_ + 1;
    leftChar_ = std::clamp(leftChar_, 1, std::max(1, maxLeftChar_ - charsInWindow_ + 1));
}

int TSynEditCore::CharToColumn(int line, int ch) const noexcept {
    return PlaceOfPos(line, std::max(ch, 1) - 1).Column + 1;
}

int TSynEditCore::ColumnToChar(int line, int column) const noexcept {
    return PlaceOfColumn(line, std::max(column, 1) - 1).Pos + 1;
}

int TSynEditCore::NextChar(int line, int ch) const noexcept {
    return NextCharBoundary(LineText(line), ch - 1, encoding_) + 1;
}

int TSynEditCore::PrevChar(int line, int ch) const noexcept {
    return PrevCharBoundary(LineText(line), ch - 1, encoding_) + 1;
}

TCharPlace TSynEditCore::PlaceOfPos(int line, int pos) const noexcept {
    const std::string_view s = LineText(line);
    if (static_cast<int>(s.size()) < kLongLine) return WalkToPos(s, {}, pos, tabWidth_, encoding_);
    return WalkToPos(s, NearestMark(line, false, pos), pos, tabWidth_, encoding_);
}

TCharPlace TSynEditCore::PlaceOfColumn(int line, int column) const noexcept {
    const std::string_view s = LineText(line);
    if (static_cast<int>(s.size()) < kLongLine) return WalkToColumn(s, {}, column, tabWidth_, encoding_);
    return WalkToColumn(s, NearestMark(line, true, column), column, tabWidth_, encoding_);
}

// The last checkpoint at or before a byte (or a column) of a long line, laying new ones as far as
// the question reaches.
TCharPlace TSynEditCore::NearestMark(int line, bool byColumn, int value) const noexcept {
    const std::string_view s = LineText(line);
    const auto size = static_cast<int>(s.size());
    if (marksLine_ != line || marks_.empty()) {
        marks_.assign(1, TCharPlace{});
        marksLine_ = line;
    }
    const auto key = [byColumn](const TCharPlace& mark) { return byColumn ? mark.Column : mark.Pos; };
    while (key(marks_.back()) <= value && marks_.back().Pos < size) {
        const TCharPlace last = marks_.back();
        TCharPlace next = WalkToPos(s, last, std::min(size, last.Pos + kMarkStep), tabWidth_, encoding_);
        if (next.Pos <= last.Pos) {
            // One character longer than a step.
            next.Pos = NextCharBoundary(s, last.Pos, encoding_);
            next.Column = last.Column + CharCells(s, last.Pos, next.Pos, last.Column, tabWidth_, encoding_);
        }
        marks_.push_back(next);
    }
    const auto after = std::upper_bound(marks_.begin(), marks_.end(), value,
                                        [&key](int v, const TCharPlace& mark) { return v < key(mark); });
    return after == marks_.begin() ? TCharPlace{} : *(after - 1);
}

void TSynEditCore::SetTabWidth(int value) {
    TCommandScope scope(*this);
    DropColumnMarks();
    tabWidth_ = std::clamp(value, 1, 256);
    states_.RepaintLines(-1, -1);
}

void TSynEditCore::SetMaxLeftChar(int value) {
    TCommandScope scope(*this);
    maxLeftChar_ = std::clamp(value, 1, 32767);
    PlaceCaret(caret_);
}

void TSynEditCore::SetMaxUndo(int value) {
    undo_.SetMaxUndo(value);
    redo_.SetMaxUndo(value);
}

void TSynEditCore::SetBookmark(int index, TBufferCoord position) {
    if (index < 0 || index >= BookmarkCount) return;
    TCommandScope scope(*this);
    if (const auto& old = bookmarks_[static_cast<std::size_t>(index)]) states_.RepaintGutterLines(old->Line, old->Line);
    position = ClampToText(position);
    bookmarks_[static_cast<std::size_t>(index)] = position;
    states_.RepaintGutterLines(position.Line, position.Line);
}

void TSynEditCore::ClearBookmark(int index) {
    if (index < 0 || index >= BookmarkCount) return;
    TCommandScope scope(*this);
    auto& mark = bookmarks_[static_cast<std::size_t>(index)];
    if (mark) states_.RepaintGutterLines(mark->Line, mark->Line);
    mark.reset();
}

std::optional<TBufferCoord> TSynEditCore::GetBookmark(int index) const noexcept {
    if (index < 0 || index >= BookmarkCount) return std::nullopt;
    return bookmarks_[static_cast<std::size_t>(index)];
}

void TSynEditCore::GotoBookmark(int index) {
    if (const auto mark = GetBookmark(index)) SetCaretXY(*mark);
}

// The primitives.

TBufferCoord TSynEditCore::InsertText(TBufferCoord at, std::string_view text) {
    const TBufferCoord end = PlaceText(at, TSynEditText::FromString(text));
    if (at != end) pendingGroup_.Items.push_back({TSynChangeReason::crInsert, at, end, {}});
    return end;
}

void TSynEditCore::DeleteText(TBufferCoord from, TBufferCoord to) {
    TSynEditText deleted = RemoveText(from, to);
    if (from < to) pendingGroup_.Items.push_back({TSynChangeReason::crDelete, from, to, std::move(deleted)});
}

TBufferCoord TSynEditCore::PlaceText(TBufferCoord& at, TSynEditText text) {
    at.Line = std::clamp(at.Line, 1, LastLine());
    if (at.Char < 1) at.Char = 1;
    const int index = at.Line - 1;
    const std::string_view line = LineText(at.Line);
    if (at.Char > static_cast<int>(line.size()) + 1) {
        text.First.insert(0, static_cast<std::size_t>(at.Char) - line.size() - 1, ' ');
        at.Char = static_cast<int>(line.size()) + 1;
    }
    if (text.Empty()) return at;

    const std::size_t split = static_cast<std::size_t>(at.Char - 1);
    if (!text.MultiLine) {
        editByte_ = static_cast<int>(split);
        lines_.Splice(index, split, 0, text.First);
        editByte_ = -1;
        return {at.Char + static_cast<int>(text.First.size()), at.Line};
    }
    const int middle = text.Middle.Count();
    if (at.Char == 1 && text.Last.empty() && index < lines_.Count()) {
        // Whole lines go in above the line at the caret, which keeps its text, state and bookmark.
        lines_.Insert(index, text.First);
        lines_.InsertLines(index + 1, std::move(text.Middle));
        return {1, index + middle + 2};
    }
    std::string last = std::move(text.Last);
    const int lastLength = static_cast<int>(last.size());
    last.append(line.substr(split));
    text.First.insert(0, line.substr(0, split));
    lines_.Put(index, text.First);
    lines_.InsertLines(index + 1, std::move(text.Middle));
    lines_.Insert(index + 1 + middle, last);
    return {lastLength + 1, index + middle + 2};
}

TSynEditText TSynEditCore::RemoveText(TBufferCoord& from, TBufferCoord& to) {
    if (lines_.Count() == 0) {
        to = from;
        return {};
    }
    from = ClampToText(from);
    to = ClampToText(to);
    if (!(from < to)) return {};
    const std::string_view first = LineText(from.Line);
    const auto fromChar = static_cast<std::size_t>(from.Char - 1);
    const auto toChar = static_cast<std::size_t>(to.Char - 1);
    TSynEditText deleted;
    if (from.Line == to.Line) {
        deleted.First.assign(first.substr(fromChar, toChar - fromChar));
        editByte_ = static_cast<int>(fromChar);
        lines_.Splice(from.Line - 1, fromChar, toChar - fromChar, {});
        editByte_ = -1;
        return deleted;
    }
    const std::string_view last = LineText(to.Line);
    deleted.MultiLine = true;
    deleted.First.assign(first.substr(fromChar));
    deleted.Last.assign(last.substr(0, toChar));
    // The lines between the first and the last leave the list as one block, their texts and states
    // untouched, and that block is what the undo history keeps.
    const int middle = to.Line - from.Line - 1;
    if (from.Char == 1) {
        // Whole lines go and the last line keeps its identity (its bookmark).
        const std::string rest(last.substr(toChar));
        if (middle > 0) deleted.Middle = lines_.ExtractLines(from.Line, middle);
        lines_.Delete(from.Line - 1);
        if (to.Char > 1) lines_.Put(from.Line - 1, rest);
    } else {
        // The first line takes the rest of the last one.
        std::string joined(first.substr(0, fromChar));
        joined.append(last.substr(toChar));
        if (middle > 0) deleted.Middle = lines_.ExtractLines(from.Line, middle);
        lines_.Delete(from.Line);
        lines_.Put(from.Line - 1, joined);
    }
    return deleted;
}

// Undo and redo. Replaying moves each text back into the list, and each deletion hands the text it
// took to its item again, so that the entry can be replayed the other way.

void TSynEditCore::ApplyUndoGroup(TSynEditUndoGroup& group, bool undo) {
    const auto insert = [this](TSynEditUndoItem& item) {
        TBufferCoord at = item.Start;
        PlaceText(at, std::move(item.Text));
        item.Text = {};
    };
    const auto remove = [this](TSynEditUndoItem& item) {
        TBufferCoord from = item.Start;
        TBufferCoord to = item.End;
        item.Text = RemoveText(from, to);
    };
    if (undo) {
        for (auto item = group.Items.rbegin(); item != group.Items.rend(); ++item) {
            if (item->Reason == TSynChangeReason::crInsert) remove(*item);
            else insert(*item);
        }
    } else {
        for (auto& item : group.Items) {
            if (item.Reason == TSynChangeReason::crInsert) insert(item);
            else remove(item);
        }
    }
    const TSynEditSelectionState& state = undo ? group.Before : group.After;
    selectionMode_ = state.Mode;
    SetMovingEnd(state.SelEnd);
    anchor_ = ClampToPosition(state.Anchor);
    EnsureCursorPosVisible();
}

// Replays the newest entry of one history and hands it to the other.
void TSynEditCore::MoveUndoGroup(TSynEditUndoList& from, TSynEditUndoList& to, bool undo) {
    TCommandScope scope(*this);
    if (from.Empty()) return;
    TSynEditUndoGroup group = from.Pop();
    ApplyUndoGroup(group, undo);
    to.Push(std::move(group));
}

void TSynEditCore::Undo() {
    MoveUndoGroup(undo_, redo_, true);
}

void TSynEditCore::Redo() {
    MoveUndoGroup(redo_, undo_, false);
}

void TSynEditCore::ClearUndo() {
    TCommandScope scope(*this);
    undo_.Clear();
    redo_.Clear();
}

// Clipboard.

// The selection is written straight into the clipboard's buffer, without a string in between.
void TSynEditCore::SelectionToClipboard() {
    clipboard_->SetTextOf(SelTextSize(), [this](char* out) { WriteSelText(out); });
}

void TSynEditCore::CopyToClipboard() {
    if (clipboard_ == nullptr || !SelAvail()) return;
    SelectionToClipboard();
}

void TSynEditCore::CutToClipboard() {
    if (clipboard_ == nullptr || !SelAvail() || readOnly_) return;
    TCommandScope scope(*this);
    SelectionToClipboard();
    DeleteSelection();
    EnsureCursorPosVisible();
}

void TSynEditCore::PasteFromClipboard() {
    if (clipboard_ == nullptr || readOnly_) return;
    const std::string text = clipboard_->Text();
    if (text.empty()) return;
    SetSelText(text);
}

}  // namespace pindle
