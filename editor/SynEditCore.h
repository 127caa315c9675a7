// The source editor without its window: the lines with their line states, caret, selection, view
// position, bookmarks, undo and redo, and every command of the keystroke table. The Qt widget draws
// what this holds and forwards key presses and mouse actions to it.
#pragma once

#include "editor/SynEditChars.h"
#include "editor/SynEditKeyCmds.h"
#include "editor/SynEditLineStates.h"
#include "editor/SynEditTextBuffer.h"
#include "editor/SynEditTypes.h"
#include "editor/SynEditUndo.h"
#include "platform/Encoding.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pindle {

using TSynEditorOptions = std::uint32_t;
inline constexpr TSynEditorOptions eoAutoIndent = 1u << 0;       // a new line takes the indent of its predecessor
inline constexpr TSynEditorOptions eoSmartTabs = 1u << 1;        // Tab goes to the next word start of the line above
inline constexpr TSynEditorOptions eoTabsToSpaces = 1u << 2;     // Tab inserts blanks
inline constexpr TSynEditorOptions eoScrollPastEol = 1u << 3;    // the caret may stand beyond the line's end
inline constexpr TSynEditorOptions eoDragDropEditing = 1u << 4;  // widget: the selection may be dragged
inline constexpr TSynEditorOptions eoShowScrollHint = 1u << 5;   // widget: hint while dragging the scroll box

// How the core reaches the system clipboard; the widget supplies one backed by the desktop.
class ISynClipboard {
public:
    virtual ~ISynClipboard() = default;
    // Takes the text by value: a copied selection can be tens of megabytes, and it is moved on.
    virtual void SetText(std::string text) = 0;
    // The text made in place: `write` puts exactly `size` bytes at the address it is given. A
    // clipboard that keeps its own buffer fills it without an intermediate string.
    virtual void SetTextOf(std::size_t size, const std::function<void(char*)>& write) {
        std::string text(size, '\0');
        write(text.data());
        SetText(std::move(text));
    }
    [[nodiscard]] virtual std::string Text() = 0;
};

// What the core tells its widget. Repaint areas come already clipped to the visible rows and, while
// a command runs, collected into one rectangle; the widget only maps them to pixels.
class ISynEditCoreListener {
public:
    virtual ~ISynEditCoreListener() = default;
    virtual void Repaint(const TRepaintRect& /*area*/) {}
    virtual void CharCellChanged() {}          // measure the character cell again, then repaint all
    virtual void CaretMoved() {}
    virtual void SelectionChanged() {}
    virtual void ScrollChanged() {}            // TopLine or LeftChar changed: the widget repaints all
    virtual void StatusChanged() {}            // insert mode, selection mode, undo or redo availability
    virtual void KeystrokeRefused() {}         // a typed character the caret limit keeps out: sound it
};

class TSynEditCore {
public:
    static constexpr int MaxUndoDefault = 1024;
    static constexpr int MaxLeftCharDefault = 1024;
    static constexpr int BookmarkCount = 10;
    static constexpr int ToLineEnd = 0x7FFFFFFF;  // a selected range that runs on to the window's edge

    TSynEditCore();
    ~TSynEditCore();
    TSynEditCore(const TSynEditCore&) = delete;
    TSynEditCore& operator=(const TSynEditCore&) = delete;

    // The line list. Clear on it resets the editor as Clear does; Add records no undo.
    [[nodiscard]] TSynEditList& Lines() noexcept { return lines_; }
    [[nodiscard]] const TSynEditList& Lines() const noexcept { return lines_; }
    [[nodiscard]] TSynEditLineStates& LineStates() noexcept { return states_; }
    [[nodiscard]] int LineCount() const noexcept { return lines_.Count(); }
    [[nodiscard]] std::string_view LineText(int line) const noexcept { return lines_.Get(line - 1); }  // 1-based

    // Removes all lines, empties both histories, removes the selection, caret to 1,1, view to the top.
    void Clear();

    void SetHighlighter(TSynCustomHighlighter* highlighter);
    [[nodiscard]] TSynCustomHighlighter* Highlighter() const noexcept { return states_.Highlighter(); }

    // What the bytes of the lines mean: in UTF-8 a character is a grapheme cluster, in Windows-1252 a byte.
    [[nodiscard]] TTextEncoding Encoding() const noexcept { return encoding_; }
    void SetEncoding(TTextEncoding encoding) noexcept;
    // Characters that make up a word: the highlighter's IdentifierChars, else codes 33 to 255; in
    // UTF-8 also the letters, marks and digits of every script.
    [[nodiscard]] TSynIdentChars WordChars() const noexcept;

    void SetListener(ISynEditCoreListener* listener) noexcept { listener_ = listener; }
    void SetClipboard(ISynClipboard* clipboard) noexcept { clipboard_ = clipboard; }

    // Keys and commands.
    [[nodiscard]] TSynEditKeyStrokes& Keystrokes() noexcept { return keystrokes_; }
    // One key press: looks the keystroke up (with the pending first keystroke of a sequence) and runs
    // the command, or else types `typed`: text in the document's encoding (empty for none; control
    // characters type nothing). A key with Ctrl or Alt (but not both, which is AltGr) types nothing.
    // Returns true when a command ran or text was typed.
    bool ProcessKeystroke(TShortCut keystroke, std::string_view typed);
    // Runs one command; `typed` is the text for ecChar.
    void ExecuteCommand(TSynEditorCommand command, std::string_view typed = {});

    // Caret and selection. The caret's column is held between 1 and MaxLeftChar; the selection's
    // moving end is the caret, except that it may lie further right on a line longer than that.
    [[nodiscard]] TBufferCoord CaretXY() const noexcept { return caret_; }
    // Moves the caret, removes the selection and scrolls the caret into view.
    void SetCaretXY(TBufferCoord position);
    // Moves the caret and extends the selection from its anchor (a mouse drag, Shift+click).
    void MoveCaretAndSelection(TBufferCoord position);
    [[nodiscard]] TBufferCoord BlockBegin() const noexcept { return std::min(anchor_, selEnd_); }
    [[nodiscard]] TBufferCoord BlockEnd() const noexcept { return std::max(anchor_, selEnd_); }
    [[nodiscard]] TBufferCoord SelAnchor() const noexcept { return anchor_; }
    // Selects from anchor to end; the caret goes to end.
    void SetSelection(TBufferCoord anchor, TBufferCoord end);
    [[nodiscard]] bool SelAvail() const noexcept { return anchor_ != selEnd_; }
    // The selected text, lines joined with LF; a line selection ends every line with LF.
    [[nodiscard]] std::string SelText() const;
    // The size of SelText() in bytes, and the same bytes written at `out` (which has that room).
    [[nodiscard]] std::size_t SelTextSize() const;
    void WriteSelText(char* out) const;
    // Replaces the selection (or inserts at the caret) with text whose lines may end in CR LF, CR or
    // LF; one undo entry.
    void SetSelText(std::string_view text);
    // The selected characters [first, last) of a 1-based line; first == last when none. last is
    // ToLineEnd when the selection runs through the line's end (the rest of the row is selected).
    [[nodiscard]] std::pair<int, int> SelectedCharsOfLine(int line) const noexcept;
    [[nodiscard]] bool IsSelected(int line, int ch) const noexcept;
    [[nodiscard]] TSynSelectionMode SelectionMode() const noexcept { return selectionMode_; }
    void SetSelectionMode(TSynSelectionMode mode);
    // The word at a position as [start, end) characters; start == end when there is none.
    [[nodiscard]] std::pair<int, int> WordBoundsAt(TBufferCoord position) const noexcept;
    void SelectWordAt(TBufferCoord position);
    // Drag-and-drop editing: moves (or copies) the selected text to target, as one undo entry, and
    // selects it there. A target inside the selection changes nothing.
    void DropSelection(TBufferCoord target, bool move);

    [[nodiscard]] bool InsertMode() const noexcept { return insertMode_; }
    void SetInsertMode(bool value);

    // The view: TopLine is the first visible line, LeftChar the first visible display column.
    [[nodiscard]] int TopLine() const noexcept { return topLine_; }
    void SetTopLine(int line);
    [[nodiscard]] int LeftChar() const noexcept { return leftChar_; }
    void SetLeftChar(int column);
    // The window size in whole text rows and columns, set by the widget.
    void SetWindowSize(int linesInWindow, int charsInWindow);
    [[nodiscard]] int LinesInWindow() const noexcept { return linesInWindow_; }
    [[nodiscard]] int CharsInWindow() const noexcept { return charsInWindow_; }
    // The widget has a window and is shown: repaint areas are reported only then.
    void SetVisible(bool visible);
    // Scrolls so that the caret is inside the window.
    void EnsureCursorPosVisible();

    // Display columns (1-based): a tab reaches the next multiple of TabWidth plus one, a wide
    // character takes two columns. ColumnToChar gives the character whose cells hold the column.
    [[nodiscard]] int CharToColumn(int line, int ch) const noexcept;
    [[nodiscard]] int ColumnToChar(int line, int column) const noexcept;
    // The positions of the character after and before position ch of a line; beyond the line's end
    // each step is one column of virtual space.
    [[nodiscard]] int NextChar(int line, int ch) const noexcept;
    [[nodiscard]] int PrevChar(int line, int ch) const noexcept;

    // Settings.
    [[nodiscard]] int TabWidth() const noexcept { return tabWidth_; }
    void SetTabWidth(int value);
    // Block indent and unindent shift lines by this many blanks.
    [[nodiscard]] int BlockIndent() const noexcept { return blockIndent_; }
    void SetBlockIndent(int value) noexcept { blockIndent_ = value < 1 ? 1 : value; }
    [[nodiscard]] int MaxLeftChar() const noexcept { return maxLeftChar_; }
    void SetMaxLeftChar(int value);  // held between 1 and 32767
    [[nodiscard]] int MaxUndo() const noexcept { return undo_.MaxUndo(); }
    void SetMaxUndo(int value);
    [[nodiscard]] TSynEditorOptions Options() const noexcept { return options_; }
    void SetOptions(TSynEditorOptions value) noexcept { options_ = value; }
    [[nodiscard]] bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool value) noexcept { readOnly_ = value; }

    // Bookmarks 0 to 9. A bookmark follows its line when lines are inserted or deleted above it and
    // goes with its line when that is deleted.
    void SetBookmark(int index, TBufferCoord position);
    void ClearBookmark(int index);
    // The bookmark's position, or nothing when it is not set.
    [[nodiscard]] std::optional<TBufferCoord> GetBookmark(int index) const noexcept;
    void GotoBookmark(int index);

    // Undo and redo: one entry per command that changed the text.
    [[nodiscard]] bool CanUndo() const noexcept { return !undo_.Empty(); }
    [[nodiscard]] bool CanRedo() const noexcept { return !redo_.Empty(); }
    [[nodiscard]] int UndoCount() const noexcept { return undo_.Count(); }
    [[nodiscard]] int RedoCount() const noexcept { return redo_.Count(); }
    void Undo();
    void Redo();
    void ClearUndo();

    // The clipboard commands; without a clipboard they do nothing.
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();

private:
    class TCommandScope;
    friend class TCommandScope;
    struct TSnapshot;  // what the widget is told about after a change

    // The two primitives through which every text change goes; both record undo and keep the line
    // states right through the list's events. Positions are clamped to the text; inserting beyond a
    // line's end first fills the gap with blanks.
    TBufferCoord InsertText(TBufferCoord at, std::string_view text);
    void DeleteText(TBufferCoord from, TBufferCoord to);
    // The same without the undo record, for the replay of the histories; `at`, `from` and `to` come
    // back clamped (`at` to where the text went in after the blanks).
    TBufferCoord PlaceText(TBufferCoord& at, TSynEditText text);
    TSynEditText RemoveText(TBufferCoord& from, TBufferCoord& to);

    void ExecuteMovement(TSynEditorCommand command);
    void ExecuteEditing(TSynEditorCommand command, std::string_view typed);
    // Where a movement takes the caret; vertical ones go to the display column `column`.
    [[nodiscard]] TBufferCoord MovementTarget(TSynEditorCommand command, int column) const noexcept;
    void MoveCaret(TBufferCoord position, bool select);
    void PlaceCaret(TBufferCoord position);  // caret and both selection ends, nothing else
    void SetMovingEnd(TBufferCoord position);
    void TypeText(std::string_view typed);
    void TypeAt(std::string_view typed);
    [[nodiscard]] TBufferCoord TypingPosition() const noexcept;
    // Deletes the selection and returns where it began: the place for text that replaces it. The
    // caret goes there too as far as MaxLeftChar lets it.
    TBufferCoord DeleteSelection();
    // The selected characters of a line of a column selection, [first, last).
    [[nodiscard]] std::pair<int, int> ColumnBlockOfLine(int line) const noexcept;
    template <typename TPiece>
    void ForEachSelPiece(TPiece&& piece) const;
    void SelectionToClipboard();
    void DeleteWholeLines(int first, int last);
    void JoinNextLine(TBufferCoord at);
    void BreakLine(bool caretStays);
    void DeleteLastChar();
    void DeleteChar();
    void DeleteWord(bool backwards);
    void DeleteLine();
    void DeleteEndOfLine();
    void InsertTab();
    void IndentLines(bool indent);
    void MatchBracket();
    void ScrollBy(int lines);
    void ApplyUndoGroup(TSynEditUndoGroup& group, bool undo);
    void MoveUndoGroup(TSynEditUndoList& from, TSynEditUndoList& to, bool undo);

    [[nodiscard]] int LastLine() const noexcept { return std::max(1, lines_.Count()); }
    [[nodiscard]] int LineLength(int line) const noexcept { return static_cast<int>(LineText(line).size()); }
    [[nodiscard]] TBufferCoord ClampToText(TBufferCoord position) const noexcept;
    [[nodiscard]] TBufferCoord ClampToCaret(TBufferCoord position) const noexcept;
    [[nodiscard]] TBufferCoord ClampToPosition(TBufferCoord position) const noexcept;
    // The character boundary at or before position.
    [[nodiscard]] TBufferCoord AlignToChar(TBufferCoord position) const noexcept;
    // The boundary and display column (both 0-based) at or before byte `pos` of a line, and of the
    // character whose cells hold `column`; long lines keep column checkpoints.
    [[nodiscard]] TCharPlace PlaceOfPos(int line, int pos) const noexcept;
    [[nodiscard]] TCharPlace PlaceOfColumn(int line, int column) const noexcept;
    [[nodiscard]] TCharPlace NearestMark(int line, bool byColumn, int value) const noexcept;
    void DropColumnMarks() noexcept { marks_.clear(); marksLine_ = 0; }
    [[nodiscard]] TBufferCoord TextEnd() const noexcept;
    [[nodiscard]] TBufferCoord WordLeftOf(TBufferCoord position) const noexcept;
    [[nodiscard]] TBufferCoord WordRightOf(TBufferCoord position) const noexcept;
    [[nodiscard]] int MaxTopLine() const noexcept;
    [[nodiscard]] int PageLines() const noexcept { return std::max(1, linesInWindow_); }

    void OnLineEvent(TSynLineEvent event, int index, int count);
    void ResetForClear();
    void KeepInsideText() noexcept;
    void RepaintRows(int first, int last);
    void RepaintChangedSelection(TBufferCoord oldAnchor, TBufferCoord oldEnd, TSynSelectionMode oldMode);
    void SyncView();
    void Notify(const TSnapshot& before);
    [[nodiscard]] TSnapshot Snapshot() const noexcept;

    TSynEditList lines_;
    TSynEditLineStates states_{lines_};
    TSynEditUndoList undo_{MaxUndoDefault};
    TSynEditUndoList redo_{MaxUndoDefault};
    TSynEditUndoGroup pendingGroup_;
    int commandDepth_ = 0;

    TSynEditKeyStrokes keystrokes_;
    TSynKeyTranslator translator_;
    ISynEditCoreListener* listener_ = nullptr;
    ISynClipboard* clipboard_ = nullptr;

    TBufferCoord caret_;
    TBufferCoord anchor_;
    TBufferCoord selEnd_;
    int keptColumn_ = 0;  // the column Up and Down keep; 0 when the caret moved otherwise
    TSynSelectionMode selectionMode_ = TSynSelectionMode::smNormal;
    bool insertMode_ = true;
    bool readOnly_ = false;
    TTextEncoding encoding_ = TTextEncoding::Utf8;
    int topLine_ = 1;
    int leftChar_ = 1;
    int linesInWindow_ = 0;
    int charsInWindow_ = 0;
    bool visible_ = false;
    int tabWidth_ = 8;
    int blockIndent_ = 2;
    int maxLeftChar_ = MaxLeftCharDefault;
    TSynEditorOptions options_ = eoAutoIndent | eoDragDropEditing | eoScrollPastEol | eoShowScrollHint |
                                 eoSmartTabs | eoTabsToSpaces;
    std::array<std::optional<TBufferCoord>, BookmarkCount> bookmarks_{};

    // Column checkpoints of the most recent long line, every few kilobytes, so that mapping a byte to
    // its column on a line of megabytes walks only from the nearest one. An edit of the line drops
    // those from the changed byte on (editByte_ names it while the list reports the change); any
    // other change of the lines drops them all.
    mutable std::vector<TCharPlace> marks_;
    mutable int marksLine_ = 0;
    int editByte_ = -1;
};

}  // namespace pindle
