// The source editor without its window: the lines with their line states, caret, selection, view
// position, bookmarks, undo and redo, and every command of the keystroke table. The Qt widget draws
// what this holds and forwards key presses and mouse actions to it.
#pragma once

#include "editor/SynEditKeyCmds.h"
#include "editor/SynEditTypes.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace pindle {

class TSynEditList;
class TSynEditLineStates;
class TSynCustomHighlighter;
class TSynEditUndoList;

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
    virtual void SetText(const std::string& text) = 0;
    [[nodiscard]] virtual std::string Text() = 0;
};

// What the core tells its widget. Rows are 1-based line numbers; (-1, -1) means the whole area.
// Repaint notices are already clipped to the visible rows.
class ISynEditCoreListener {
public:
    virtual ~ISynEditCoreListener() = default;
    virtual void CaretMoved() {}
    virtual void SelectionChanged() {}
    virtual void ScrollChanged() {}            // TopLine or LeftChar changed
    virtual void StatusChanged() {}            // insert mode, selection mode, undo or redo availability
    virtual void RepaintTextRows(int /*first*/, int /*last*/) {}
    virtual void RepaintGutterRows(int /*first*/, int /*last*/) {}
    virtual void CharCellChanged() {}          // measure the character cell again and repaint all
};

class TSynEditCore {
public:
    static constexpr int MaxUndoDefault = 1024;
    static constexpr int MaxLeftCharDefault = 1024;
    static constexpr int BookmarkCount = 10;

    TSynEditCore();
    ~TSynEditCore();
    TSynEditCore(const TSynEditCore&) = delete;
    TSynEditCore& operator=(const TSynEditCore&) = delete;

    // The line list. Clear on it resets the editor as Clear does; Add records no undo.
    [[nodiscard]] TSynEditList& Lines() noexcept;
    [[nodiscard]] const TSynEditList& Lines() const noexcept;
    [[nodiscard]] TSynEditLineStates& LineStates() noexcept;
    [[nodiscard]] int LineCount() const noexcept;
    [[nodiscard]] std::string_view LineText(int line) const noexcept;  // 1-based; "" outside the text

    // Removes all lines, empties both histories, removes the selection, caret to 1,1, view to the top.
    void Clear();

    void SetHighlighter(TSynCustomHighlighter* highlighter);
    [[nodiscard]] TSynCustomHighlighter* Highlighter() const noexcept;
    // Characters that make up a word: the highlighter's IdentifierChars, else codes 33 to 255.
    [[nodiscard]] std::bitset<256> WordChars() const noexcept;

    void SetListener(ISynEditCoreListener* listener) noexcept { listener_ = listener; }
    void SetClipboard(ISynClipboard* clipboard) noexcept { clipboard_ = clipboard; }

    // Keys and commands.
    [[nodiscard]] TSynEditKeyStrokes& Keystrokes() noexcept { return keystrokes_; }
    // One key press: looks the keystroke up (with the pending first keystroke of a sequence) and runs
    // the command, or else types `typed` when it is a printable character (0 for none). Returns true
    // when a command ran or a character was typed.
    bool ProcessKeystroke(TShortCut keystroke, char typed);
    // Runs one command; ch is the character for ecChar.
    void ExecuteCommand(TSynEditorCommand command, char ch = 0);

    // Caret, selection and view.
    [[nodiscard]] TBufferCoord CaretXY() const noexcept { return caret_; }
    // Moves the caret (held inside the text and between 1 and MaxLeftChar), removes the selection and
    // scrolls it into view.
    void SetCaretXY(TBufferCoord position);
    // Moves the caret and extends the selection from the anchor to it (a mouse drag).
    void MoveCaretAndSelection(TBufferCoord position);
    [[nodiscard]] TBufferCoord BlockBegin() const noexcept;  // the selection's first position
    [[nodiscard]] TBufferCoord BlockEnd() const noexcept;    // the selection's last position
    [[nodiscard]] TBufferCoord SelAnchor() const noexcept { return anchor_; }
    // Selects from anchor to caret (the caret goes to `caret`).
    void SetSelection(TBufferCoord anchor, TBufferCoord caret);
    [[nodiscard]] bool SelAvail() const noexcept;
    [[nodiscard]] std::string SelText() const;  // lines joined with LF
    // Replaces the selection (or inserts at the caret) with text whose lines may end in CR LF, CR or LF.
    void SetSelText(std::string_view text);
    // Whether the selection covers the given 1-based character of the line (for painting).
    [[nodiscard]] bool IsSelected(int line, int ch) const noexcept;
    // The selected character range [first, last) of a line, or an empty range; last may be past the
    // line's end for line selections and selections running through the line break.
    [[nodiscard]] std::pair<int, int> SelectedCharsOfLine(int line) const noexcept;
    [[nodiscard]] TSynSelectionMode SelectionMode() const noexcept { return selectionMode_; }
    void SetSelectionMode(TSynSelectionMode mode);
    // The word around a position, as [start, end) characters (a double click selects it).
    [[nodiscard]] std::pair<int, int> WordBoundsAt(TBufferCoord position) const;
    void SelectWordAt(TBufferCoord position);

    [[nodiscard]] bool InsertMode() const noexcept { return insertMode_; }
    void SetInsertMode(bool value);

    [[nodiscard]] int TopLine() const noexcept { return topLine_; }
    void SetTopLine(int line);
    [[nodiscard]] int LeftChar() const noexcept { return leftChar_; }
    void SetLeftChar(int column);
    // The window size in whole text rows and columns, set by the widget.
    void SetWindowSize(int linesInWindow, int charsInWindow);
    [[nodiscard]] int LinesInWindow() const noexcept { return linesInWindow_; }
    [[nodiscard]] int CharsInWindow() const noexcept { return charsInWindow_; }
    // The widget has a window and is shown: repaint notices mean something only then.
    void SetVisible(bool visible);
    // Scrolls so that the caret is inside the window.
    void EnsureCursorPosVisible();

    // Display columns: tabs expand to the next multiple of TabWidth.
    [[nodiscard]] int CharToColumn(int line, int ch) const noexcept;
    [[nodiscard]] int ColumnToChar(int line, int column) const noexcept;

    // Settings.
    [[nodiscard]] int TabWidth() const noexcept { return tabWidth_; }
    void SetTabWidth(int value);
    [[nodiscard]] int BlockIndent() const noexcept { return blockIndent_; }
    void SetBlockIndent(int value) noexcept { blockIndent_ = value < 1 ? 1 : value; }
    [[nodiscard]] int MaxLeftChar() const noexcept { return maxLeftChar_; }
    void SetMaxLeftChar(int value);  // 1 to 32767
    [[nodiscard]] int MaxUndo() const noexcept;
    void SetMaxUndo(int value);
    [[nodiscard]] TSynEditorOptions Options() const noexcept { return options_; }
    void SetOptions(TSynEditorOptions value) noexcept { options_ = value; }
    [[nodiscard]] bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool value) noexcept { readOnly_ = value; }

    // Bookmarks 0 to 9; a bookmark follows its line when lines are inserted or deleted above it.
    void SetBookmark(int index, TBufferCoord position);
    void ClearBookmark(int index);
    // The bookmark's position, or false when it is not set.
    [[nodiscard]] bool GetBookmark(int index, TBufferCoord& position) const noexcept;
    void GotoBookmark(int index);

    // Undo and redo.
    [[nodiscard]] bool CanUndo() const noexcept;
    [[nodiscard]] bool CanRedo() const noexcept;
    [[nodiscard]] int UndoCount() const noexcept;
    [[nodiscard]] int RedoCount() const noexcept;
    void Undo();
    void Redo();
    void ClearUndo();

    // Clipboard commands.
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();

private:
    class TListHooks;
    friend class TListHooks;

    // The two primitives through which every text change goes; both record undo.
    TBufferCoord InsertText(TBufferCoord at, std::string_view text);
    std::string DeleteText(TBufferCoord from, TBufferCoord to);

    void ExecuteMovement(TSynEditorCommand command);
    void ExecuteEditing(TSynEditorCommand command, char ch);
    void MoveCaret(TBufferCoord position, bool select);
    void TypeChar(char ch);
    void DeleteSelection();
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

    [[nodiscard]] TBufferCoord ClampCaret(TBufferCoord position) const noexcept;
    [[nodiscard]] TBufferCoord TextEnd() const noexcept;
    [[nodiscard]] TBufferCoord WordLeftOf(TBufferCoord position) const noexcept;
    [[nodiscard]] TBufferCoord WordRightOf(TBufferCoord position) const noexcept;
    [[nodiscard]] std::string PadTo(TBufferCoord position) const;

    void BeginChange();
    void EndChange();
    void OnLinesInserted(int index, int count);
    void OnLinesDeleted(int index, int count);
    void OnLinesCleared();
    void RepaintRows(int first, int last);
    void SelectionRowsChanged(TBufferCoord oldAnchor, TBufferCoord oldCaret);
    void SyncView();

    std::unique_ptr<TSynEditList> lines_;
    std::unique_ptr<TSynEditLineStates> states_;
    std::unique_ptr<TListHooks> hooks_;
    std::unique_ptr<TSynEditUndoList> undo_;
    std::unique_ptr<TSynEditUndoList> redo_;
    TSynEditKeyStrokes keystrokes_;
    TSynKeyTranslator translator_;
    ISynEditCoreListener* listener_ = nullptr;
    ISynClipboard* clipboard_ = nullptr;

    TBufferCoord caret_;
    TBufferCoord anchor_;
    TSynSelectionMode selectionMode_ = TSynSelectionMode::smNormal;
    bool insertMode_ = true;
    bool readOnly_ = false;
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
    std::array<TBufferCoord, BookmarkCount> bookmarks_{};
    std::array<bool, BookmarkCount> bookmarkSet_{};
    int changeDepth_ = 0;
    bool inUndoRedo_ = false;
};

}  // namespace pindle
