// The commands of the keystroke table, carried out on the editor core.
#include "editor/SynEditCore.h"

#include "editor/SynEditCoreScope.h"
#include "editor/SynEditTextUtils.h"

#include <algorithm>
#include <vector>

namespace pindle {

namespace {

bool IsMovement(TSynEditorCommand command) noexcept {
    return (command >= ecLeft && command <= ecEditorBottom) ||
           (command >= ecLeft + ecSelection && command <= ecEditorBottom + ecSelection);
}

// A key with Ctrl or Alt types nothing, unless it has both: that is how AltGr arrives on some systems.
bool TypesCharacter(TShortCut keystroke) noexcept {
    const bool ctrl = (keystroke & scCtrl) != 0;
    const bool alt = (keystroke & scAlt) != 0;
    return ctrl == alt;
}

// Text that typing may insert: not empty and free of control characters (a tab alone is typeable).
bool IsTypeable(std::string_view text) noexcept {
    if (text == "\t") return true;
    return !text.empty() && std::none_of(text.begin(), text.end(), [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return code < 32 || code == 127;
    });
}

}  // namespace

bool TSynEditCore::ProcessKeystroke(TShortCut keystroke, std::string_view typed) {
    const TSynEditorCommand command = translator_.Translate(keystrokes_, keystroke);
    if (command != ecNone) {
        ExecuteCommand(command);
        return true;
    }
    if (!TypesCharacter(keystroke) || typed == "\t" || !IsTypeable(typed)) return false;
    ExecuteCommand(ecChar, typed);
    return true;
}

void TSynEditCore::ExecuteCommand(TSynEditorCommand command, std::string_view ch) {
    TCommandScope scope(*this);
    if (IsMovement(command)) {
        ExecuteMovement(command);
        return;
    }
    switch (command) {
    case ecSelectAll:
        selectionMode_ = TSynSelectionMode::smNormal;
        MoveCaret({1, 1}, false);
        MoveCaret(TextEnd(), true);
        EnsureCursorPosVisible();
        return;
    case ecScrollUp:
        ScrollBy(-1);
        return;
    case ecScrollDown:
        ScrollBy(1);
        return;
    case ecToggleMode:
        insertMode_ = !insertMode_;
        return;
    case ecNormalSelect:
        SetSelectionMode(TSynSelectionMode::smNormal);
        return;
    case ecColumnSelect:
        SetSelectionMode(TSynSelectionMode::smColumn);
        return;
    case ecLineSelect:
        SetSelectionMode(TSynSelectionMode::smLine);
        return;
    case ecMatchBracket:
        MatchBracket();
        return;
    case ecCopy:
        CopyToClipboard();
        return;
    case ecUndo:
        Undo();
        return;
    case ecRedo:
        Redo();
        return;
    default:
        break;
    }
    if (command >= ecGotoMarker0 && command <= ecGotoMarker9) {
        GotoBookmark(command - ecGotoMarker0);
        return;
    }
    if (command >= ecSetMarker0 && command <= ecSetMarker9) {
        SetBookmark(command - ecSetMarker0, caret_);
        return;
    }
    if (!readOnly_) ExecuteEditing(command, ch);
}

void TSynEditCore::ExecuteMovement(TSynEditorCommand command) {
    const bool select = command > ecSelection;
    const TSynEditorCommand movement = select ? static_cast<TSynEditorCommand>(command - ecSelection) : command;
    if (movement == ecPageUp || movement == ecPageDown) {
        const int delta = movement == ecPageUp ? -PageLines() : PageLines();
        topLine_ = std::clamp(topLine_ + delta, 1, MaxTopLine());
    }
    // Up and down keep the column the caret was in before the first of them, through lines where
    // that column falls inside a wide character or beyond the line's end.
    const bool vertical = movement == ecUp || movement == ecDown || movement == ecPageUp || movement == ecPageDown ||
                          movement == ecPageTop || movement == ecPageBottom;
    const int column = vertical && keptColumn_ > 0 ? keptColumn_ : CharToColumn(caret_.Line, caret_.Char);
    MoveCaret(MovementTarget(movement, column), select);
    if (vertical) keptColumn_ = column;
    EnsureCursorPosVisible();
}

TBufferCoord TSynEditCore::MovementTarget(TSynEditorCommand command, int column) const noexcept {
    const TBufferCoord c = caret_;
    const bool pastEol = (options_ & eoScrollPastEol) != 0;
    // Up and down go to the screen column, also across lines with tabs.
    const auto vertical = [&](int line) {
        line = std::clamp(line, 1, LastLine());
        return TBufferCoord{ColumnToChar(line, column), line};
    };
    switch (command) {
    case ecLeft:
        if (c.Char > 1) return {PrevChar(c.Line, c.Char), c.Line};
        if (c.Line > 1) return {LineLength(c.Line - 1) + 1, c.Line - 1};
        return c;
    case ecRight: {
        const int next = NextChar(c.Line, c.Char);
        if (pastEol ? CharToColumn(c.Line, next) <= maxLeftChar_ : c.Char <= LineLength(c.Line)) return {next, c.Line};
        if (!pastEol && c.Line < LastLine()) return {1, c.Line + 1};
        return c;
    }
    case ecUp:
        return vertical(c.Line - 1);
    case ecDown:
        return vertical(c.Line + 1);
    case ecWordLeft:
        return WordLeftOf(c);
    case ecWordRight:
        return WordRightOf(c);
    case ecLineStart:
        return {1, c.Line};
    case ecLineEnd:
        return {LineLength(c.Line) + 1, c.Line};
    case ecPageUp:
        return vertical(c.Line - PageLines());
    case ecPageDown:
        return vertical(c.Line + PageLines());
    case ecPageTop:
        return vertical(topLine_);
    case ecPageBottom:
        return vertical(topLine_ + PageLines() - 1);
    case ecEditorTop:
        return {1, 1};
    case ecEditorBottom:
        return TextEnd();
    default:
        return c;
    }
}

// Ctrl+Up and Ctrl+Down move the view by a line; the caret moves only as far as it must to stay in it.
void TSynEditCore::ScrollBy(int lines) {
    topLine_ = std::clamp(topLine_ + lines, 1, MaxTopLine());
    TBufferCoord target = caret_;
    if (target.Line < topLine_) target.Line = topLine_;
    if (linesInWindow_ > 0 && target.Line >= topLine_ + linesInWindow_) target.Line = topLine_ + linesInWindow_ - 1;
    if (target != caret_) MoveCaret(target, false);
}

TBufferCoord TSynEditCore::WordLeftOf(TBufferCoord position) const noexcept {
    const std::string_view s = LineText(position.Line);
    int i = std::min(position.Char - 1, static_cast<int>(s.size()));
    if (i <= 0) return position.Line > 1 ? TBufferCoord{LineLength(position.Line - 1) + 1, position.Line - 1} : TBufferCoord{1, 1};
    const TSynIdentChars chars = WordChars();
    i = CharStartAt(s, i, encoding_);
    const auto wordBefore = [&](int pos) { return IsWordCharAt(s, PrevCharBoundary(s, pos, encoding_), chars, encoding_); };
    while (i > 0 && !wordBefore(i)) i = PrevCharBoundary(s, i, encoding_);
    while (i > 0 && wordBefore(i)) i = PrevCharBoundary(s, i, encoding_);
    return {i + 1, position.Line};
}

TBufferCoord TSynEditCore::WordRightOf(TBufferCoord position) const noexcept {
    const std::string_view s = LineText(position.Line);
    const auto size = static_cast<int>(s.size());
    int i = position.Char - 1;
    if (i >= size) return position.Line < LastLine() ? TBufferCoord{1, position.Line + 1} : TBufferCoord{size + 1, position.Line};
    const TSynIdentChars chars = WordChars();
    i = CharStartAt(s, i, encoding_);
    while (i < size && IsWordCharAt(s, i, chars, encoding_)) i = NextCharBoundary(s, i, encoding_);
    while (i < size && !IsWordCharAt(s, i, chars, encoding_)) i = NextCharBoundary(s, i, encoding_);
    return {i + 1, position.Line};
}

void TSynEditCore::ExecuteEditing(TSynEditorCommand command, std::string_view ch) {
    switch (command) {
    case ecChar:
        TypeText(ch);
        break;
    case ecDeleteLastChar:
        DeleteLastChar();
        break;
    case ecDeleteChar:
        DeleteChar();
        break;
    case ecDeleteWord:
        DeleteWord(false);
        break;
    case ecDeleteLastWord:
        DeleteWord(true);
        break;
    case ecDeleteLine:
        DeleteLine();
        break;
    case ecDeleteEOL:
        DeleteEndOfLine();
        break;
    case ecLineBreak:
        BreakLine(false);
        break;
    case ecInsertLine:
        BreakLine(true);
        break;
    case ecTab:
        InsertTab();
        break;
    case ecShiftTab:
        IndentLines(false);
        break;
    case ecBlockIndent:
        IndentLines(true);
        break;
    case ecBlockUnindent:
        IndentLines(false);
        break;
    case ecCut:
        CutToClipboard();
        break;
    case ecPaste:
        PasteFromClipboard();
        break;
    default:
        return;
    }
    EnsureCursorPosVisible();
}

TBufferCoord TSynEditCore::DeleteSelection() {
    if (!SelAvail()) return caret_;
    const TBufferCoord b = ClampToText(BlockBegin());
    const TBufferCoord e = ClampToText(BlockEnd());
    switch (selectionMode_) {
    case TSynSelectionMode::smNormal:
        DeleteText(b, e);
        PlaceCaret(b);
        return b;
    case TSynSelectionMode::smColumn: {
        // Each line loses the characters inside the block's columns; the block's own columns are
        // taken before the first deletion changes them.
        std::vector<std::pair<int, int>> ranges;
        for (int line = b.Line; line <= e.Line; ++line) ranges.push_back(ColumnBlockOfLine(line));
        for (int line = b.Line; line <= e.Line; ++line) {
            const auto [left, right] = ranges[static_cast<std::size_t>(line - b.Line)];
            DeleteText({left, line}, {right, line});
        }
        const TBufferCoord start{ranges.front().first, b.Line};
        PlaceCaret(start);
        return start;
    }
    case TSynSelectionMode::smLine:
        DeleteWholeLines(b.Line, e.Line);
        PlaceCaret({1, b.Line});
        return {1, b.Line};
    }
    return caret_;
}

// Lines first to last with their line breaks; the text's last line takes the break before it with
// it, and the only line left empties.
void TSynEditCore::DeleteWholeLines(int first, int last) {
    if (last < lines_.Count()) DeleteText({1, first}, {1, last + 1});
    else if (first > 1) DeleteText({LineLength(first - 1) + 1, first - 1}, {LineLength(last) + 1, last});
    else DeleteText({1, 1}, {LineLength(last) + 1, last});
}

// Joining from beyond the line's end first fills the gap with blanks, so that the next line's text
// comes to stand where the caret is.
void TSynEditCore::JoinNextLine(TBufferCoord at) {
    InsertText(at, {});
    DeleteText(at, {1, at.Line + 1});
}

// Where a typed character goes: the caret, or where the selection begins once it is deleted.
TBufferCoord TSynEditCore::TypingPosition() const noexcept {
    if (!SelAvail()) return caret_;
    const TBufferCoord begin = ClampToText(BlockBegin());
    switch (selectionMode_) {
    case TSynSelectionMode::smColumn: return {ColumnBlockOfLine(begin.Line).first, begin.Line};
    case TSynSelectionMode::smLine: return {1, begin.Line};
    case TSynSelectionMode::smNormal: break;
    }
    return begin;
}

void TSynEditCore::TypeText(std::string_view typed) {
    if (!IsTypeable(typed)) return;
    // The caret cannot move past MaxLeftChar, so text that would end beyond it would push what
    // follows in before the caret; typing stops at that column instead, leaving text and selection
    // alone, and says so, so that no keystroke is lost unnoticed.
    const TBufferCoord at = TypingPosition();
    // Near the line's start (no character takes more columns than a tab or a wide character) the
    // limit cannot be reached and no column is needed.
    const long long widest = std::max(tabWidth_, 2);
    if ((at.Char + static_cast<long long>(typed.size())) * widest < maxLeftChar_) {
        TypeAt(typed);
        return;
    }
    const int startColumn = CharToColumn(at.Line, at.Char);
    int cells = 0;
    for (int pos = 0, column = startColumn - 1; pos < static_cast<int>(typed.size());) {
        const int next = NextCharBoundary(typed, pos, encoding_);
        const int width = CharCells(typed, pos, next, column, tabWidth_, encoding_);
        cells += width;
        column += width;
        pos = next;
    }
    if (startColumn + cells > maxLeftChar_) {
        if (listener_ != nullptr) listener_->KeystrokeRefused();
        return;
    }
    TypeAt(typed);
}

// Typed text replaces the selection and nothing more; overwrite mode takes as many whole characters
// as are typed, only when nothing was selected.
void TSynEditCore::TypeAt(std::string_view typed) {
    const bool replacesSelection = SelAvail();
    DeleteSelection();
    if (!replacesSelection && !insertMode_ && caret_.Char <= LineLength(caret_.Line)) {
        TBufferCoord end = caret_;
        for (int n = CharCount(typed, encoding_); n > 0 && end.Char <= LineLength(end.Line); --n)
            end.Char = NextChar(end.Line, end.Char);
        DeleteText(caret_, end);
    }
    MoveCaret(InsertText(caret_, typed), false);
}

void TSynEditCore::BreakLine(bool caretStays) {
    // The break goes where the selection began, also beyond the caret's limit.
    const TBufferCoord at = ClampToText(SelAvail() ? DeleteSelection() : caret_);
    std::string text = "\n";
    if ((options_ & eoAutoIndent) != 0) {
        const std::string_view line = LineText(at.Line);
        text.append(line.substr(0, static_cast<std::size_t>(std::min(LeadingBlanks(line), at.Char - 1))));
    }
    const TBufferCoord end = InsertText(at, text);
    if (!caretStays) MoveCaret(end, false);
}

void TSynEditCore::DeleteLastChar() {
    if (SelAvail()) {
        DeleteSelection();
        return;
    }
    const TBufferCoord c = caret_;
    if (c.Char > LineLength(c.Line) + 1) {
        MoveCaret({c.Char - 1, c.Line}, false);  // in the blank space beyond the end: just step back
    } else if (c.Char > 1) {
        const TBufferCoord previous{PrevChar(c.Line, c.Char), c.Line};
        DeleteText(previous, c);
        MoveCaret(previous, false);
    } else if (c.Line > 1) {
        const TBufferCoord joint{LineLength(c.Line - 1) + 1, c.Line - 1};
        DeleteText(joint, c);
        MoveCaret(joint, false);
    }
}

void TSynEditCore::DeleteChar() {
    if (SelAvail()) {
        DeleteSelection();
        return;
    }
    const TBufferCoord c = caret_;
    if (c.Char <= LineLength(c.Line)) {
        DeleteText(c, {NextChar(c.Line, c.Char), c.Line});
    } else if (c.Line < lines_.Count()) {
        JoinNextLine(c);
    }
    MoveCaret(c, false);
}

void TSynEditCore::DeleteWord(bool backwards) {
    if (SelAvail()) {
        DeleteSelection();
        return;
    }
    const TBufferCoord c = caret_;
    if (backwards) {
        const TBufferCoord from = c.Char > LineLength(c.Line) + 1 ? TBufferCoord{LineLength(c.Line) + 1, c.Line} : WordLeftOf(c);
        DeleteText(from, c);
        MoveCaret(from, false);
        return;
    }
    if (c.Char > LineLength(c.Line) && c.Line < lines_.Count()) {
        JoinNextLine(c);
    } else {
        DeleteText(c, WordRightOf(c));
    }
    MoveCaret(c, false);
}

void TSynEditCore::DeleteLine() {
    if (lines_.Count() == 0) return;
    const int line = caret_.Line;
    DeleteWholeLines(line, line);
    MoveCaret({1, std::min(line, LastLine())}, false);
}

void TSynEditCore::DeleteEndOfLine() {
    const TBufferCoord c = caret_;
    if (c.Char <= LineLength(c.Line)) DeleteText(c, {LineLength(c.Line) + 1, c.Line});
    MoveCaret(c, false);
}

// Tab: with a selection over several lines it indents them; otherwise it moves the caret to the
// next tab stop, or with smart tabs under the next word start of the nearest non-empty line above.
void TSynEditCore::InsertTab() {
    if (SelAvail() && BlockBegin().Line != BlockEnd().Line) {
        IndentLines(true);
        return;
    }
    DeleteSelection();
    const int column = CharToColumn(caret_.Line, caret_.Char);
    int target = (column - 1) / tabWidth_ * tabWidth_ + tabWidth_ + 1;
    bool smart = false;
    if ((options_ & eoSmartTabs) != 0) {
        int above = caret_.Line - 1;
        while (above >= 1 && LineLength(above) == 0) --above;
        if (above >= 1) {
            const std::string_view s = LineText(above);
            for (int ch = ColumnToChar(above, column); ch <= static_cast<int>(s.size()); ++ch) {
                const int at = CharToColumn(above, ch);
                if (at > column && !IsBlank(s[static_cast<std::size_t>(ch - 1)]) && IsBlank(s[static_cast<std::size_t>(ch - 2)])) {
                    target = at;
                    smart = true;
                    break;
                }
            }
        }
    }
    const std::string text = (options_ & eoTabsToSpaces) != 0 || smart
                                 ? std::string(static_cast<std::size_t>(target - column), ' ')
                                 : std::string("\t");
    if (target > maxLeftChar_) return;
    MoveCaret(InsertText(caret_, text), false);
}

// Shifts the lines of the selection (or the caret's line) by BlockIndent blanks. A selection that
// ends at the start of a line leaves that line alone; empty lines are not indented.
void TSynEditCore::IndentLines(bool indent) {
    const TBufferCoord b = BlockBegin();
    const TBufferCoord e = BlockEnd();
    int last = e.Line;
    if (SelAvail() && selectionMode_ == TSynSelectionMode::smNormal && e.Char == 1 && e.Line > b.Line) --last;
    last = std::min(last, lines_.Count());
    const bool hadSelection = SelAvail();
    const TBufferCoord oldAnchor = anchor_;
    const TBufferCoord oldEnd = selEnd_;
    const TBufferCoord oldCaret = caret_;
    const std::string blanks(static_cast<std::size_t>(blockIndent_), ' ');
    auto shift = [](TBufferCoord p, int line, int delta) {
        if (p.Line == line && p.Char > 1) p.Char = std::max(1, p.Char + delta);
        return p;
    };
    TBufferCoord anchor = oldAnchor, end = oldEnd, caret = oldCaret;
    for (int line = b.Line; line <= last; ++line) {
        const std::string_view s = LineText(line);
        int delta = 0;
        if (indent) {
            if (s.empty()) continue;
            InsertText({1, line}, (options_ & eoTabsToSpaces) != 0 ? std::string_view(blanks) : std::string_view("\t"));
            delta = (options_ & eoTabsToSpaces) != 0 ? blockIndent_ : 1;
        } else {
            int n = 0;
            if (!s.empty() && s[0] == '\t') n = 1;
            else
                while (n < blockIndent_ && n < static_cast<int>(s.size()) && s[static_cast<std::size_t>(n)] == ' ') ++n;
            if (n == 0) continue;
            DeleteText({1, line}, {n + 1, line});
            delta = -n;
        }
        anchor = shift(anchor, line, delta);
        end = shift(end, line, delta);
        caret = shift(caret, line, delta);
    }
    MoveCaret(caret, false);
    if (!hadSelection) return;
    anchor_ = ClampToPosition(anchor);
    selEnd_ = oldEnd == oldCaret ? caret_ : ClampToPosition(end);
}

// Looks for the partner of the bracket at the caret (or just before it), counting nesting of the
// same kind of bracket, and puts the caret on it.
void TSynEditCore::MatchBracket() {
    static constexpr std::string_view Opening = "([{<";
    static constexpr std::string_view Closing = ")]}>";
    TBufferCoord at = ClampToText(caret_);
    std::string_view s = LineText(at.Line);
    auto bracketAt = [&](int ch) {
        return ch >= 1 && ch <= static_cast<int>(s.size()) &&
               (Opening.find(s[static_cast<std::size_t>(ch - 1)]) != std::string_view::npos ||
                Closing.find(s[static_cast<std::size_t>(ch - 1)]) != std::string_view::npos);
    };
    if (!bracketAt(at.Char)) {
        const int before = PrevChar(at.Line, at.Char);
        if (at.Char == 1 || !bracketAt(before)) return;
        at.Char = before;
    }
    const char bracket = s[static_cast<std::size_t>(at.Char - 1)];
    const bool forward = Opening.find(bracket) != std::string_view::npos;
    const char partner = forward ? Closing[Opening.find(bracket)] : Opening[Closing.find(bracket)];
    int depth = 0;
    int line = at.Line;
    int i = at.Char - 1;  // 0-based index in s
    for (;;) {
        if (forward) {
            ++i;
            while (i >= static_cast<int>(s.size())) {
                if (++line > lines_.Count()) return;
                s = LineText(line);
                i = 0;
            }
        } else {
            --i;
            while (i < 0) {
                if (--line < 1) return;
                s = LineText(line);
                i = static_cast<int>(s.size()) - 1;
            }
        }
        const char c = s[static_cast<std::size_t>(i)];
        if (c == bracket) {
            ++depth;
        } else if (c == partner) {
            if (depth == 0) break;
            --depth;
        }
    }
    MoveCaret({i + 1, line}, false);
    EnsureCursorPosVisible();
}

void TSynEditCore::DropSelection(TBufferCoord target, bool move) {
    TCommandScope scope(*this);
    if (!SelAvail() || readOnly_) return;
    const TBufferCoord b = ClampToText(BlockBegin());
    const TBufferCoord e = ClampToText(BlockEnd());
    target = ClampToText(target);
    const bool normal = selectionMode_ == TSynSelectionMode::smNormal;
    if (normal ? (b < target && target < e) : (target.Line >= b.Line && target.Line <= e.Line)) return;
    const std::string text = SelText();
    if (move) {
        const TSynSelectionMode mode = selectionMode_;
        DeleteSelection();
        // The text after the removed part moved up (and on the selection's last line, left); the
        // selection's own end is such text too.
        if (!(target < e)) {
            if (mode == TSynSelectionMode::smLine) target.Line -= e.Line - b.Line + 1;
            else if (normal && target.Line == e.Line) target = {b.Char + (target.Char - e.Char), b.Line};
            else if (normal) target.Line -= e.Line - b.Line;
            target = ClampToText(target);
        }
    }
    selectionMode_ = TSynSelectionMode::smNormal;
    const TBufferCoord end = InsertText(target, text);
    // The dropped text is selected where it went in, also beyond MaxLeftChar, where only the
    // caret is held back.
    SetMovingEnd(end);
    anchor_ = ClampToPosition(target);
    EnsureCursorPosVisible();
}

}  // namespace pindle
