// The editor's undo and redo histories. One entry is one user action (a typed character, a paste, a
// block indent...), made of the primitive insertions and deletions it took, plus the caret and
// selection before and after it so that undo and redo put them back.
#pragma once

#include "editor/SynEditLineStore.h"
#include "editor/SynEditTypes.h"

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace pindle {

enum class TSynChangeReason : std::uint8_t { crInsert, crDelete };

// A text of one or more lines as the editing primitives move it: the part before its first line
// break, the whole lines between its first and its last break, and the part after its last break.
// The whole lines are a block taken out of the line list as they were, so that deleting a whole
// document and undoing that copies no text.
struct TSynEditText {
    std::string First;       // all of the text when it holds no line break
    TSynLineStore Middle;
    std::string Last;
    bool MultiLine = false;  // the text holds a line break

    // Lines separated by LF.
    [[nodiscard]] static TSynEditText FromString(std::string_view text);
    [[nodiscard]] std::string ToString() const;
    [[nodiscard]] bool Empty() const noexcept { return !MultiLine && First.empty(); }
};

// One primitive change: Text was inserted at Start (ending at End), or deleted from Start to End.
// A deletion keeps its text from the start; an insertion gets it when it is undone, for the redo.
struct TSynEditUndoItem {
    TSynChangeReason Reason = TSynChangeReason::crInsert;
    TBufferCoord Start;
    TBufferCoord End;
    TSynEditText Text;
};

struct TSynEditSelectionState {
    TBufferCoord SelEnd;  // the selection's moving end, where the caret goes
    TBufferCoord Anchor;
    TSynSelectionMode Mode = TSynSelectionMode::smNormal;
};

struct TSynEditUndoGroup {
    std::vector<TSynEditUndoItem> Items;
    TSynEditSelectionState Before;
    TSynEditSelectionState After;
};

class TSynEditUndoList {
public:
    explicit TSynEditUndoList(int maxUndo) noexcept : maxUndo_(maxUndo < 0 ? 0 : maxUndo) {}
    TSynEditUndoList(const TSynEditUndoList&) = delete;
    TSynEditUndoList& operator=(const TSynEditUndoList&) = delete;

    // Adds an entry, dropping the oldest ones beyond MaxUndo.
    void Push(TSynEditUndoGroup group);
    // Removes and returns the newest entry; the list must not be empty.
    [[nodiscard]] TSynEditUndoGroup Pop();
    void Clear() noexcept { groups_.clear(); }

    [[nodiscard]] bool Empty() const noexcept { return groups_.empty(); }
    [[nodiscard]] int Count() const noexcept { return static_cast<int>(groups_.size()); }
    [[nodiscard]] int MaxUndo() const noexcept { return maxUndo_; }
    void SetMaxUndo(int value);

private:
    void Trim();

    std::deque<TSynEditUndoGroup> groups_;
    int maxUndo_;
};

}  // namespace pindle
