#include "model/StyleTable.h"

#include <stdexcept>
#include <utility>

namespace pindle {

int TStyleTable::Count() const noexcept { return static_cast<int>(rows_.size()); }

void TStyleTable::CheckRow(int i) const
{
    if (i < 0 || i >= Count())
        throw std::out_of_range("style table row " + std::to_string(i) + " of " + std::to_string(Count()));
}

void TStyleTable::Notify(TStyleTableChangeKind kind, int first, int last) const
{
    if (onChange_)
        onChange_(TStyleTableChange{kind, first, last});
}

TStyleRow& TStyleTable::Row(int i)
{
    CheckRow(i);
    return rows_[static_cast<std::size_t>(i)];
}

const TStyleRow& TStyleTable::Row(int i) const
{
    CheckRow(i);
    return rows_[static_cast<std::size_t>(i)];
}

const std::vector<TStyleRow>& TStyleTable::Rows() const noexcept { return rows_; }

int TStyleTable::SelectedIndex() const noexcept { return selected_; }

TStyleRow* TStyleTable::Selected() noexcept
{
    return selected_ < 0 ? nullptr : &rows_[static_cast<std::size_t>(selected_)];
}

const TStyleRow* TStyleTable::Selected() const noexcept
{
    return selected_ < 0 ? nullptr : &rows_[static_cast<std::size_t>(selected_)];
}

void TStyleTable::Select(int index)
{
    if (index != -1)
        CheckRow(index);
    if (index == selected_)
        return;
    selected_ = index;
    Notify(TStyleTableChangeKind::SelectionChanged, selected_, selected_);
}

TStyleRow& TStyleTable::AppendEmptyRow()
{
    rows_.emplace_back();
    Notify(TStyleTableChangeKind::RowsInserted, Count() - 1, Count() - 1);
    return rows_.back();
}

void TStyleTable::AppendRow(std::string caption, std::array<std::string, 11> subItems)
{
    rows_.push_back(TStyleRow{std::move(caption), 0, std::move(subItems)});
    Notify(TStyleTableChangeKind::RowsInserted, Count() - 1, Count() - 1);
}

const std::string& TStyleTable::Caption(int i) const { return Row(i).Caption; }

void TStyleTable::SetCaption(int i, std::string caption)
{
    Row(i).Caption = std::move(caption);
    Notify(TStyleTableChangeKind::RowChanged, i, i);
}

const std::string& TStyleTable::SubItem(int i, int k) const
{
    return Row(i).SubItems.at(static_cast<std::size_t>(k));
}

void TStyleTable::SetSubItem(int i, int k, std::string text)
{
    Row(i).SubItems.at(static_cast<std::size_t>(k)) = std::move(text);
    Notify(TStyleTableChangeKind::RowChanged, i, i);
}

void TStyleTable::SetRow(int i, TStyleRow row)
{
    Row(i) = std::move(row);
    Notify(TStyleTableChangeKind::RowChanged, i, i);
}

void TStyleTable::DeleteRow(int index)
{
    CheckRow(index);
    rows_.erase(rows_.begin() + index);
    int selectedBefore = selected_;
    if (selected_ == index)
        selected_ = -1;
    else if (selected_ > index)
        --selected_;
    Notify(TStyleTableChangeKind::RowsRemoved, index, index);
    if (selected_ != selectedBefore)
        Notify(TStyleTableChangeKind::SelectionChanged, selected_, selected_);
}

void TStyleTable::Clear()
{
    Assign({});
}

void TStyleTable::Assign(std::vector<TStyleRow> rows)
{
    bool hadSelection = selected_ != -1;
    rows_ = std::move(rows);
    selected_ = -1;
    Notify(TStyleTableChangeKind::Reset, -1, -1);
    if (hadSelection)
        Notify(TStyleTableChangeKind::SelectionChanged, -1, -1);
}

void TStyleTable::NotifyRowChanged(int i)
{
    CheckRow(i);
    Notify(TStyleTableChangeKind::RowChanged, i, i);
}

void TStyleTable::SetChangeHandler(TChangeHandler handler) { onChange_ = std::move(handler); }

}  // namespace pindle
