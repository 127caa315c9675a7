#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

#include "model/StyleTable.h"

namespace pindle {
namespace {

using Kind = TStyleTableChangeKind;

std::array<std::string, 11> Items(const std::string& first)
{
    std::array<std::string, 11> items;
    items[0] = first;
    return items;
}

// Five rows named r0..r4, with a recorder of every change notice.
class StyleTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 5; ++i) {
            const std::string number = std::to_string(i);
            table_.AppendRow("r" + number, Items("f" + number));
        }
        table_.SetChangeHandler([this](const TStyleTableChange& c) { changes_.push_back(c); });
    }

    std::vector<std::string> Captions() const
    {
        std::vector<std::string> captions;
        for (const TStyleRow& row : table_.Rows())
            captions.push_back(row.Caption);
        return captions;
    }

    TStyleTable table_;
    std::vector<TStyleTableChange> changes_;
};

TEST_F(StyleTableTest, DeletingARowKeepsTheSelectionOnItsOwnRow)
{
    struct Case {
        int selected, deleted, selectedAfter;
        const char* selectedCaption;
    } cases[] = {
        {2, 2, -1, nullptr},  // the selected row itself: nothing selected afterwards
        {3, 1, 2, "r3"},      // a row before the selected one: the selection moves up with its row
        {1, 3, 1, "r1"},      // a row after it: unchanged
        {-1, 0, -1, nullptr},
        {4, 4, -1, nullptr},
    };
    for (const Case& c : cases) {
        TStyleTable table;
        for (int i = 0; i < 5; ++i) {
            const std::string number = std::to_string(i);
            table.AppendRow("r" + number, {});
        }
        table.Select(c.selected);
        table.DeleteRow(c.deleted);
        EXPECT_EQ(table.Count(), 4);
        EXPECT_EQ(table.SelectedIndex(), c.selectedAfter) << c.selected << "/" << c.deleted;
        if (c.selectedCaption == nullptr)
            EXPECT_EQ(table.Selected(), nullptr);
        else
            EXPECT_EQ(table.Selected()->Caption, c.selectedCaption);
    }
}

TEST_F(StyleTableTest, RowsAfterADeletedRowMoveUpInOrder)
{
    table_.DeleteRow(1);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"r0", "r2", "r3", "r4"}));
    EXPECT_EQ(table_.SubItem(1, 0), "f2");
    ASSERT_EQ(changes_.size(), 1u);
    EXPECT_EQ(changes_[0].Kind, Kind::RowsRemoved);
    EXPECT_EQ(changes_[0].First, 1);
}

TEST_F(StyleTableTest, AnAddedRowThatIsDeletedAgainLeavesTheTableAsItWas)
{
    std::vector<TStyleRow> before = table_.Rows();
    table_.Select(2);
    TStyleRow& added = table_.AppendEmptyRow();
    EXPECT_EQ(added, TStyleRow{});
    EXPECT_EQ(table_.Count(), 6);
    EXPECT_EQ(table_.SelectedIndex(), 2);  // appending does not select
    table_.DeleteRow(table_.Count() - 1);
    EXPECT_EQ(table_.Rows(), before);
    EXPECT_EQ(table_.SelectedIndex(), 2);
}

TEST_F(StyleTableTest, DeletingTheOnlyRowLeavesNothingSelected)
{
    TStyleTable table;
    table.AppendEmptyRow();
    table.Select(0);
    table.DeleteRow(0);
    EXPECT_EQ(table.Count(), 0);
    EXPECT_EQ(table.Selected(), nullptr);
}

TEST_F(StyleTableTest, TextsAreStoredExactlyAsGiven)
{
    table_.SetCaption(0, "  h1.x  ");
    table_.SetSubItem(0, 10, "   ");
    table_.SetSubItem(0, 2, "heavy-ish");  // a value the dialog never offers
    EXPECT_EQ(table_.Caption(0), "  h1.x  ");
    EXPECT_EQ(table_.SubItem(0, 10), "   ");
    EXPECT_EQ(table_.Row(0).SubItems[2], "heavy-ish");
    EXPECT_EQ(changes_.size(), 3u);
    for (const TStyleTableChange& c : changes_) {
        EXPECT_EQ(c.Kind, Kind::RowChanged);
        EXPECT_EQ(c.First, 0);
    }
}

TEST_F(StyleTableTest, ChangeNoticesNameTheRowsConcerned)
{
    table_.AppendEmptyRow();
    table_.Select(5);
    table_.Select(5);  // no change, no notice
    table_.Clear();
    std::vector<Kind> kinds;
    for (const TStyleTableChange& c : changes_)
        kinds.push_back(c.Kind);
    EXPECT_EQ(kinds, (std::vector<Kind>{Kind::RowsInserted, Kind::SelectionChanged, Kind::Reset, Kind::SelectionChanged}));
    EXPECT_EQ(changes_[0].First, 5);
    EXPECT_EQ(changes_[1].First, 5);
    EXPECT_EQ(changes_[3].First, -1);
    EXPECT_EQ(table_.Count(), 0);
    EXPECT_EQ(table_.Selected(), nullptr);
}

TEST_F(StyleTableTest, PositionsOutsideTheTableAreRefused)
{
    EXPECT_THROW((void)table_.Row(5), std::out_of_range);
    EXPECT_THROW((void)table_.Row(-1), std::out_of_range);
    EXPECT_THROW(table_.Select(7), std::out_of_range);
    EXPECT_THROW(table_.DeleteRow(5), std::out_of_range);
    EXPECT_THROW(table_.SetSubItem(0, 11, "x"), std::out_of_range);
    EXPECT_EQ(table_.Count(), 5);
    EXPECT_TRUE(changes_.empty());
}

}  // namespace
}  // namespace pindle
