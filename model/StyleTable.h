// The style table: the document's ordered rows and the one selected row, without any display.
// A list view shows it and learns of every change through the change handler.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/StyleRow.h"

namespace pindle {

enum class TStyleTableChangeKind : std::uint8_t {
    RowsInserted,      // rows First..Last are new
    RowsRemoved,       // rows First..Last (positions before the removal) are gone
    RowChanged,        // a text of row First (= Last) changed
    Reset,             // everything may have changed
    SelectionChanged,  // First = Last = the selected index, -1 for none
};

struct TStyleTableChange {
    TStyleTableChangeKind Kind = TStyleTableChangeKind::Reset;
    int First = -1;
    int Last = -1;
};

class TStyleTable {
public:
    using TChangeHandler = std::function<void(const TStyleTableChange&)>;

    TStyleTable() = default;
    TStyleTable(const TStyleTable&) = delete;
    TStyleTable& operator=(const TStyleTable&) = delete;

    [[nodiscard]] int Count() const noexcept;
    // Positions outside 0..Count()-1 are programmer errors and throw std::out_of_range.
    [[nodiscard]] TStyleRow& Row(int i);
    [[nodiscard]] const TStyleRow& Row(int i) const;
    [[nodiscard]] const std::vector<TStyleRow>& Rows() const noexcept;

    [[nodiscard]] int SelectedIndex() const noexcept;  // -1 = none
    [[nodiscard]] TStyleRow* Selected() noexcept;       // nullptr = none
    [[nodiscard]] const TStyleRow* Selected() const noexcept;
    void Select(int index);                             // -1 clears the selection

    TStyleRow& AppendEmptyRow();  // the new last row, not selected
    void AppendRow(std::string caption, std::array<std::string, 11> subItems);

    [[nodiscard]] const std::string& Caption(int i) const;
    void SetCaption(int i, std::string caption);
    [[nodiscard]] const std::string& SubItem(int i, int k) const;
    void SetSubItem(int i, int k, std::string text);
    // Replaces the caption and all sub-items of row i at once (one change notice).
    void SetRow(int i, TStyleRow row);

    // Rows after it move up; a deleted selected row leaves nothing selected, and a selected row
    // after it stays selected at its new position.
    void DeleteRow(int index);
    void Clear();
    void Assign(std::vector<TStyleRow> rows);  // replaces every row, clears the selection

    // Also says that a row reached through Row() or Selected() was changed in place.
    void NotifyRowChanged(int i);

    void SetChangeHandler(TChangeHandler handler);

private:
    void CheckRow(int i) const;
    void Notify(TStyleTableChangeKind kind, int first, int last) const;

    std::vector<TStyleRow> rows_;
    int selected_ = -1;
    TChangeHandler onChange_;
};

}  // namespace pindle
