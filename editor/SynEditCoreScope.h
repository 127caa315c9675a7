// Inside the editor core only: the bracket around each public operation of TSynEditCore.
#pragma once

#include "editor/SynEditCore.h"

#include <utility>

namespace pindle {

// What the widget hears about is worked out by comparing the state before and after a change.
struct TSynEditCore::TSnapshot {
    TBufferCoord Caret;
    TBufferCoord Anchor;
    TBufferCoord SelEnd;
    TSynSelectionMode Mode;
    int TopLine;
    int LeftChar;
    bool InsertMode;
    int UndoCount;
    int RedoCount;
};

// Brackets one public operation: the list's update bracket (so that every repaint mark of the
// operation ends up in one rectangle), one undo entry for all its text changes, and the notices to
// the widget once it is done. Operations nest; only the outermost one does the work.
class TSynEditCore::TCommandScope {
public:
    explicit TCommandScope(TSynEditCore& core) : core_(core), outermost_(core.commandDepth_ == 0) {
        ++core_.commandDepth_;
        if (!outermost_) return;
        before_ = core_.Snapshot();
        core_.KeepInsideText();
        core_.lines_.BeginUpdate();
        core_.pendingGroup_ = {};
        core_.pendingGroup_.Before = {core_.selEnd_, core_.anchor_, core_.selectionMode_};
    }
    ~TCommandScope() {
        --core_.commandDepth_;
        if (!outermost_) return;
        if (!core_.pendingGroup_.Items.empty()) {
            core_.pendingGroup_.After = {core_.selEnd_, core_.anchor_, core_.selectionMode_};
            core_.undo_.Push(std::move(core_.pendingGroup_));
            core_.redo_.Clear();
        }
        core_.pendingGroup_ = {};
        core_.SyncView();
        core_.RepaintChangedSelection(before_.Anchor, before_.SelEnd, before_.Mode);
        if (before_.Caret.Line != core_.caret_.Line) {
            core_.RepaintRows(before_.Caret.Line, before_.Caret.Line);
            core_.RepaintRows(core_.caret_.Line, core_.caret_.Line);
        }
        core_.lines_.EndUpdate();
        core_.Notify(before_);
    }
    TCommandScope(const TCommandScope&) = delete;
    TCommandScope& operator=(const TCommandScope&) = delete;

private:
    TSynEditCore& core_;
    bool outermost_;
    TSnapshot before_{};
};

}  // namespace pindle
