#include "editor/SynEditUndo.h"

#include <utility>

namespace pindle {

TSynEditText TSynEditText::FromString(std::string_view text) {
    TSynEditText result;
    const std::size_t firstBreak = text.find('\n');
    if (firstBreak == std::string_view::npos) {
        result.First.assign(text);
        return result;
    }
    const std::size_t lastBreak = text.rfind('\n');
    result.MultiLine = true;
    result.First.assign(text.substr(0, firstBreak));
    result.Last.assign(text.substr(lastBreak + 1));
    for (std::size_t start = firstBreak + 1; start <= lastBreak;) {
        const std::size_t stop = text.find('\n', start);
        result.Middle.Append(text.substr(start, stop - start));
        start = stop + 1;
    }
    return result;
}

std::string TSynEditText::ToString() const {
    if (!MultiLine) return First;
    std::size_t size = First.size() + Last.size() + 1;
    for (int i = 0; i < Middle.Count(); ++i) size += Middle.Get(i).size() + 1;
    std::string text;
    text.reserve(size);
    text += First;
    text += '\n';
    for (int i = 0; i < Middle.Count(); ++i) {
        text += Middle.Get(i);
        text += '\n';
    }
    text += Last;
    return text;
}

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
