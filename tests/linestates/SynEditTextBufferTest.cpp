#include "editor/SynEditTextBuffer.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace pindle {
namespace {

// Records the list's notices in the order they come, with the count the list had at that moment.
struct TListLog {
    TSynEditList& List;
    std::vector<std::string> Events;

    explicit TListLog(TSynEditList& list) : List(list)
    {
        list.OnLineAdded = MakeMethod(this, &TListLog::Added);
        list.OnLinesCleared = MakeMethod(this, &TListLog::Cleared);
        list.OnLineDeleted = MakeMethod(this, &TListLog::Deleted);
        list.OnLineInserted = MakeMethod(this, &TListLog::Inserted);
        list.OnLineReplaced = MakeMethod(this, &TListLog::Replaced);
        list.OnLinesBulkAdded = MakeMethod(this, &TListLog::BulkAdded);
        list.OnChanging = MakeMethod(this, &TListLog::Changing);
        list.OnChanged = MakeMethod(this, &TListLog::Changed);
    }
    void Note(const std::string& what) { Events.push_back(what + "@" + std::to_string(List.Count())); }
    void Added() { Note("added"); }
    void Cleared() { Note("cleared"); }
    void Deleted(int index) { Note("deleted " + std::to_string(index)); }
    void Inserted(int index) { Note("inserted " + std::to_string(index)); }
    void Replaced(int index) { Note("replaced " + std::to_string(index)); }
    void BulkAdded() { Note("bulk"); }
    void Changing() { Note("changing"); }
    void Changed() { Note("changed"); }
    std::vector<std::string> Take() { return std::exchange(Events, {}); }
};

using TEvents = std::vector<std::string>;

TEST(SynEditList, FiresEachEventInsideItsUpdateBracket)
{
    TSynEditList list;
    TListLog log(list);
    EXPECT_EQ(list.Add("a"), 0);
    EXPECT_EQ(log.Take(), (TEvents{"changing@0", "added@1", "changed@1"}));
    list.Insert(0, "b");
    EXPECT_EQ(log.Take(), (TEvents{"changing@1", "inserted 0@2", "changed@2"}));
    list.Put(1, "c");
    EXPECT_EQ(log.Take(), (TEvents{"changing@2", "replaced 1@2", "changed@2"}));
    list.Delete(0);
    EXPECT_EQ(log.Take(), (TEvents{"changing@2", "deleted 0@1", "changed@1"}));
    // Cleared is told while the lines are still there.
    list.Clear();
    EXPECT_EQ(log.Take(), (TEvents{"changing@1", "cleared@1", "changed@0"}));
    EXPECT_EQ(list.Count(), 0);
}

TEST(SynEditList, PutOnLineZeroOfAnEmptyListAppends)
{
    TSynEditList list;
    TListLog log(list);
    list.Put(0, "first");
    EXPECT_EQ(log.Take(), (TEvents{"changing@0", "added@1", "changed@1"}));
    EXPECT_EQ(list.Get(0), "first");
    // Anywhere else outside the list, nothing happens.
    list.Put(5, "x");
    list.Put(-1, "x");
    list.Delete(1);
    list.Insert(3, "x");
    EXPECT_TRUE(log.Take().empty());
    EXPECT_EQ(list.Count(), 1);
    for (const int index : {-1, 1, 1000}) {
        EXPECT_EQ(list.Get(index), "");
        EXPECT_EQ(list.GetObject(index), 0);
    }
}

TEST(SynEditList, BulkAppendFiresOnlyLinesBulkAddedAndTextLoadsLineByLine)
{
    TSynEditList source;
    source.Add("one");
    source.Add("");
    source.Add("three");

    TSynEditList list;
    TListLog log(list);
    list.AddStrings(source);
    EXPECT_EQ(log.Take(), (TEvents{"changing@0", "bulk@3", "changed@3"}));

    list.Assign(source);
    EXPECT_EQ(log.Take(), (TEvents{"changing@3", "cleared@3", "bulk@3", "changed@3"}));

    list.SetText("x\r\ny\nz\r\r\n");
    EXPECT_EQ(log.Take(), (TEvents{"changing@3", "cleared@3", "added@1", "added@2", "added@3", "added@4", "changed@4"}));
    EXPECT_EQ(list.Text(), "x\r\ny\r\nz\r\n\r\n");

    // Appending a list to itself doubles it.
    list.AddStrings(list);
    EXPECT_EQ(list.Count(), 8);
    EXPECT_EQ(list.Get(4), "x");
}

TEST(SynEditList, PutKeepsTheValueAndInsertStartsAtZero)
{
    TSynEditList list;
    list.Add("a");
    list.Add("b");
    list.PutObject(0, 1);
    list.PutObject(1, 1);
    list.Put(1, "changed");
    EXPECT_EQ(list.GetObject(1), 1);
    list.Insert(1, "new");
    EXPECT_EQ(list.GetObject(1), 0);
    EXPECT_EQ(list.GetObject(2), 1);
    // A line replaced by a piece of its own text.
    list.Put(2, list.Get(2).substr(2));
    EXPECT_EQ(list.Get(2), "anged");
}

TEST(SynEditList, EveryLineIsFollowedByAZero)
{
    TSynEditList list;
    list.Add("added");
    list.Insert(0, "inserted");
    list.Add("");
    list.Put(1, "replaced");
    list.Add(std::string(10000, 'x'));
    for (int i = 0; i < list.Count(); ++i) {
        const std::string_view line = list.Get(i);
        EXPECT_EQ(line.data()[line.size()], '\0') << i;
    }
    EXPECT_EQ(list.Get(3).size(), 10000u);
    EXPECT_EQ(list.Get(-1).data()[0], '\0');
}

TEST(SynEditList, AnErrorInAHandlerStillClosesTheBracket)
{
    struct TThrower {
        void Fail() { throw Exception("handler failed"); }
    } thrower;
    TSynEditList list;
    list.OnLineAdded = MakeMethod(&thrower, &TThrower::Fail);
    EXPECT_THROW(list.Add("a"), Exception);
    EXPECT_EQ(list.UpdateCount(), 0);
    EXPECT_EQ(list.Count(), 1);
}

TEST(SynEditList, AnErrorWhileTheBracketOpensLeavesItClosed)
{
    struct TThrowOnce {
        bool Armed = true;
        int Changing = 0;
        void Fire()
        {
            ++Changing;
            if (std::exchange(Armed, false))
                throw Exception("handler failed");
        }
    } handler;
    TSynEditList list;
    list.OnChanging = MakeMethod(&handler, &TThrowOnce::Fire);
    EXPECT_THROW(list.Add("a"), Exception);
    EXPECT_EQ(list.UpdateCount(), 0);
    EXPECT_EQ(list.Count(), 0);
    // The next change opens a fresh bracket and is announced again.
    list.Add("b");
    EXPECT_EQ(handler.Changing, 2);
    EXPECT_EQ(list.UpdateCount(), 0);
    EXPECT_EQ(list.Count(), 1);
}

// The gap buffer against a plain vector, through long random runs of edits at random places.
TEST(SynEditList, KeepsTheSameLinesAsAPlainVectorUnderRandomEdits)
{
    std::mt19937 random(1208);
    TSynEditList list;
    std::vector<std::pair<std::string, std::intptr_t>> model;
    for (int step = 0; step < 20000; ++step) {
        const int count = static_cast<int>(model.size());
        const int at = count == 0 ? 0 : static_cast<int>(random() % static_cast<unsigned>(count));
        const std::string text = std::to_string(step) + std::string(random() % 12, 'a' + step % 26);
        switch (random() % 10) {
        case 0: case 1: case 2:
            list.Add(text);
            model.emplace_back(text, 0);
            break;
        case 3: case 4:
            list.Insert(at, text);
            model.insert(model.begin() + at, {text, 0});
            break;
        case 5: case 6:
            if (count > 0) {
                list.Delete(at);
                model.erase(model.begin() + at);
            }
            break;
        case 7:
            if (count > 0) {
                list.Put(at, text);
                model[static_cast<std::size_t>(at)].first = text;
            }
            break;
        case 8:
            if (count > 0) {
                list.PutObject(at, step);
                model[static_cast<std::size_t>(at)].second = step;
            }
            break;
        default:
            if (random() % 200 == 0) {
                list.Clear();
                model.clear();
            }
            break;
        }
        if (step % 997 == 0 || step == 19999) {
            ASSERT_EQ(list.Count(), static_cast<int>(model.size()));
            for (int i = 0; i < list.Count(); ++i) {
                ASSERT_EQ(list.Get(i), model[static_cast<std::size_t>(i)].first) << "step " << step;
                ASSERT_EQ(list.GetObject(i), model[static_cast<std::size_t>(i)].second);
            }
        }
    }
}

}  // namespace
}  // namespace pindle
