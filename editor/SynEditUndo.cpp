#include "editor/SynEditUndo.h"

#include <utility>

namespace pindle {

void TSynEditUndoList::Push(TSynEditUndoGroup group) {
    if (group.Items.empty()) return;
    groups_.push_back(std::move(group));
    Trim();
}

TSynEditUndoGroup TSynEditUndoList::Pop() {
    TSynEditUndoGroup group = std::move(groups_.back());
    groups_.pop_back();
    return group;
}

void TSynEditUndoList::SetMaxUndo(int value) {
    maxUndo_ = value < 0 ? 0 : value;
    Trim();
}

void TSynEditUndoList::Trim() {
    while (static_cast<int>(groups_.size()) > maxUndo_) groups_.pop_front();
}

}  // namespace pindle
