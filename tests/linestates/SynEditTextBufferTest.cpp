#include "editor/SynEditTextBuffer.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <new>
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
        list.OnLinesDeleted = MakeMethod(this, &TListLog::RangeDeleted);
        list.OnLinesInserted = MakeMethod(this, &TListLog::RangeInserted);
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
    void RangeDeleted(int index, int count) { Note("deleted " + std::to_string(index) + "+" + std::to_string(count)); }
    void RangeInserted(int index, int count, bool kept)
    {
        Note("inserted " + std::to_string(index) + "+" + std::to_string(count) + (kept ? " kept" : ""));
    }
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
    // Edits inside a line with pieces of its own text, the line's block its own or packed.
    list.Splice(2, 1, 2, list.Get(2).substr(3));
    EXPECT_EQ(list.Get(2), "aeded");
    EXPECT_EQ(list.GetObject(2), 1);
    TSynLineStore packed;
    packed.Append("hello");
    list.AddStrings(std::move(packed));
    list.Splice(3, 0, 0, list.Get(3).substr(1, 2));
    EXPECT_EQ(list.Get(3), "elhello");
    list.Splice(3, 4, 99, {});
    EXPECT_EQ(list.Get(3), "elhe");
}

// A value is kept in 16 bits, sign and all, whatever the line's text and however it came in.
TEST(SynEditList, KeepsSixteenBitValuesBesideTextsOfEveryLength)
{
    const std::array<std::intptr_t, 6> values = {0, 1, -1, 255, 32767, -32768};
    const std::array<std::size_t, 7> lengths = {0, 1, 253, 254, 4090, 5000, std::size_t{1} << 21};
    TSynEditList list;
    list.SetValuesTag(7);
    TSynLineStore appended;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        const std::string text(lengths[i], static_cast<char>('a' + i));
        list.Add(text);
        list.Insert(list.Count(), text);
        appended.Append(text);
    }
    list.AddStrings(std::move(appended));
    for (int i = 0; i < list.Count(); ++i)
        list.PutObject(i, values[static_cast<std::size_t>(i) % values.size()]);
    TSynLineStore out = list.ExtractLines(3, 10);
    list.InsertLines(0, std::move(out));
    // Lines 3 to 12 of [t0 t0 t1 t1 ... t6 t6 t0 t1 ... t6] went to the front.
    std::vector<std::pair<std::size_t, std::intptr_t>> expected;
    for (std::size_t k = 0; k < 21; ++k) {
        const std::size_t i = k < 10 ? k + 3 : (k < 13 ? k - 10 : k);
        expected.emplace_back(lengths[i < 14 ? i / 2 : i - 14], values[i % values.size()]);
    }
    ASSERT_EQ(list.Count(), 21);
    for (int i = 0; i < list.Count(); ++i) {
        const std::string_view line = list.Get(i);
        EXPECT_EQ(line.size(), expected[static_cast<std::size_t>(i)].first) << i;
        EXPECT_EQ(line.data()[line.size()], '\0') << i;
        EXPECT_EQ(list.GetObject(i), expected[static_cast<std::size_t>(i)].second) << i;
    }
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

TEST(SynEditList, ARangeLeavesAndComesBackAsOneEventEach)
{
    TSynEditList list;
    for (const char* line : {"a", "b", "c", "d", "e"})
        list.Add(line);
    TListLog log(list);
    TSynLineStore taken = list.ExtractLines(1, 3);
    EXPECT_EQ(log.Take(), (TEvents{"changing@5", "deleted 1+3@2", "changed@2"}));
    ASSERT_EQ(taken.Count(), 3);
    EXPECT_EQ(taken.Get(0), "b");
    EXPECT_EQ(taken.Get(2), "d");
    EXPECT_EQ(list.Get(1), "e");

    list.InsertLines(2, std::move(taken));
    EXPECT_EQ(log.Take(), (TEvents{"changing@2", "inserted 2+3@5", "changed@5"}));
    EXPECT_TRUE(taken.Empty());
    EXPECT_EQ(list.Text(), "a\r\ne\r\nb\r\nc\r\nd\r\n");

    // A range reaching past the end is cut at the end; one outside the list changes nothing.
    EXPECT_EQ(list.ExtractLines(3, 10).Count(), 2);
    EXPECT_EQ(log.Take(), (TEvents{"changing@5", "deleted 3+2@3", "changed@3"}));
    EXPECT_TRUE(list.ExtractLines(3, 1).Empty());
    EXPECT_TRUE(list.ExtractLines(-1, 2).Empty());
    TSynLineStore nothing;
    list.InsertLines(0, std::move(nothing));
    TSynLineStore some;
    some.Append("x");
    list.InsertLines(4, std::move(some));
    EXPECT_TRUE(log.Take().empty());
    EXPECT_EQ(list.Count(), 3);
}

// Lines taken out keep their values when they come back under the same tag; anything else (no tag,
// a tag that changed since, lines from elsewhere) comes back with 0, as an inserted line does.
TEST(SynEditList, ValuesComeBackOnlyUnderTheTagTheyLeftWith)
{
    TSynEditList list;
    TListLog log(list);
    for (int i = 0; i < 4; ++i) {
        list.Add(std::to_string(i));
        list.PutObject(i, 10 + i);
    }
    const auto takeAndReturn = [&](std::intptr_t tagBefore, std::intptr_t tagAfter) {
        list.SetValuesTag(tagBefore);
        TSynLineStore lines = list.ExtractLines(1, 2);
        list.SetValuesTag(tagAfter);
        list.InsertLines(1, std::move(lines));
        return std::vector<std::intptr_t>{list.GetObject(1), list.GetObject(2)};
    };
    log.Take();
    EXPECT_EQ(takeAndReturn(7, 7), (std::vector<std::intptr_t>{11, 12}));
    EXPECT_EQ(log.Take().at(4), "inserted 1+2 kept@4");
    EXPECT_EQ(takeAndReturn(7, 8), (std::vector<std::intptr_t>{0, 0}));
    EXPECT_EQ(log.Take().at(4), "inserted 1+2@4");
    list.PutObject(1, 11);
    EXPECT_EQ(takeAndReturn(0, 0), (std::vector<std::intptr_t>{0, 0}));
    EXPECT_EQ(list.GetObject(3), 13);

    TSynLineStore foreign;
    foreign.Append("f");
    foreign.PutObject(0, 99);
    list.SetValuesTag(7);
    list.InsertLines(0, std::move(foreign));
    EXPECT_EQ(list.GetObject(0), 0);
    // A bulk append never keeps values.
    TSynLineStore appended;
    appended.Append("g");
    appended.PutObject(0, 5);
    appended.SetValuesTag(7);
    list.AddStrings(std::move(appended));
    EXPECT_EQ(list.GetObject(list.Count() - 1), 0);
}

// Lines moved to another store keep their texts readable after the list they came from has let go
// of everything it had (the pages they lie in go with the last store that holds such a line).
TEST(SynLineStore, MovedLinesOutliveTheListTheyCameFrom)
{
    TSynLineStore kept;
    {
        TSynEditList list;
        TSynLineStore read;
        for (int i = 0; i < 3000; ++i)
            read.Append("line " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 50), '.'));
        read.Append(std::string(20000, 'L'));  // too long for a page
        list.AddStrings(std::move(read));
        list.Put(5, "edited");
        kept = list.ExtractLines(2, 5000);
        list.Clear();
        list.Add("new");
    }
    ASSERT_EQ(kept.Count(), 2999);
    EXPECT_EQ(kept.Get(0), "line 2..");
    EXPECT_EQ(kept.Get(3), "edited");
    EXPECT_EQ(kept.Get(2997), "line 2999" + std::string(49, '.'));
    EXPECT_EQ(kept.Get(2998), std::string(20000, 'L'));
    for (int i = 0; i < kept.Count(); ++i)
        ASSERT_EQ(kept.Get(i).data()[kept.Get(i).size()], '\0');
}

// Lines read into leaves filled to their limits (of lines, or of bytes with lines of the longest
// length a leaf keeps), then edited at the start, in the middle and at the end of each leaf.
TEST(SynLineStore, FullLeavesTakeEditsAnywhere)
{
    struct TCase {
        std::size_t Length;
        int Count;
    };
    // 17 lines of 3,854 characters and their zeros fill a leaf's 65,535 bytes to the last.
    for (const TCase c : {TCase{4090, 16}, TCase{3854, 17}, TCase{3854, 40}, TCase{0, 128}, TCase{0, 129},
                          TCase{30, 300}}) {
        SCOPED_TRACE("lines of " + std::to_string(c.Length) + " x " + std::to_string(c.Count));
        TSynLineStore lines;
        std::vector<std::string> model;
        for (int i = 0; i < c.Count; ++i) {
            std::string text = std::to_string(i);
            text.resize(std::max(c.Length, text.size()), static_cast<char>('a' + i % 26));
            lines.Append(text);
            model.push_back(text);
        }
        const auto check = [&](const char* step) {
            ASSERT_EQ(lines.Count(), static_cast<int>(model.size())) << step;
            for (int i = 0; i < lines.Count(); ++i) {
                ASSERT_EQ(lines.Get(i), model[static_cast<std::size_t>(i)]) << step << ", line " << i;
                ASSERT_EQ(lines.Get(i).data()[lines.Get(i).size()], '\0') << step << ", line " << i;
            }
        };
        for (const int at : {0, c.Count / 2, c.Count - 1}) {
            lines.Insert(at, std::string(5000, 'i'));
            model.insert(model.begin() + at, std::string(5000, 'i'));
            check("insert");
            lines.Put(at, "x");
            model[static_cast<std::size_t>(at)] = "x";
            check("put");
            lines.Splice(at + 1, 1, 0, "yz");
            model[static_cast<std::size_t>(at + 1)].insert(1, "yz");
            check("splice");
            lines.Erase(at);
            model.erase(model.begin() + at);
            check("erase");
        }
        const int from = c.Count / 3;
        const int n = c.Count / 3 + 1;
        TSynLineStore middle = lines.Extract(from, n);
        std::vector<std::string> taken(model.begin() + from, model.begin() + from + n);
        model.erase(model.begin() + from, model.begin() + from + n);
        check("extract");
        lines.InsertLines(1, std::move(middle));
        model.insert(model.begin() + 1, taken.begin(), taken.end());
        check("insert lines");
        lines.Insert(lines.Count(), "last");
        model.push_back("last");
        check("insert at the end");
    }
}

std::size_t ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    std::size_t size = 0;
    std::size_t resident = 0;
    statm >> size >> resident;
    return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// Lines read from a file cost their text, a zero and about four bytes beside it: 4,000,000 lines of
// eight characters take about 53 MB (with a record and a header for each line they took 72 MB).
TEST(SynLineStore, AFilesLinesCostAboutFourBytesBesideTheirText)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's own memory counts as resident";
#endif
    constexpr int kLines = 4000000;
    const std::size_t before = ResidentBytes();
    TSynLineStore lines;
    std::string text = "a:b;c:d";
    for (int i = 0; i < kLines; ++i) {
        text[0] = static_cast<char>('a' + i % 26);
        lines.Append(text + static_cast<char>('0' + i % 10));
    }
    const std::size_t grown = ResidentBytes() - before;
    EXPECT_LT(grown, std::size_t{kLines} * 15) << grown / kLines << " bytes a line";
    ASSERT_EQ(lines.Count(), kLines);
    EXPECT_EQ(lines.Get(kLines - 1), "d:b;c:d9");
    EXPECT_EQ(lines.Get(kLines / 2), "c:b;c:d0");
}

// An edit that needs a new block when there is no memory for one: a clear error, and the line as
// it was. Runs in a child process whose address space is held to what it already has.
int SpliceWithoutMemory()
{
    TSynEditList list;
    const std::string line(std::size_t{8} << 20, 'a');
    list.Add(line);
    list.Add("next");
    const std::string piece(std::size_t{1} << 20, 'b');  // more than the room before the text
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    rlimit held{};
    held.rlim_cur = held.rlim_max = pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (rlim_t{1} << 20);
    ::setrlimit(RLIMIT_AS, &held);
    bool refused = false;
    try {
        list.Splice(0, 10, 2, piece);
    } catch (const std::bad_alloc&) {
        refused = true;
    }
    return refused && list.Get(0) == line && list.Get(1) == "next" ? 0 : 1;
}

TEST(SynEditListDeathTest, AnEditWithoutMemoryForItsBlockLeavesTheLineAsItWas)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's shadow memory takes the address space limit's meaning";
#endif
    EXPECT_EXIT(std::_Exit(SpliceWithoutMemory()), ::testing::ExitedWithCode(0), "");
}

// The gap buffer against a plain vector, through long random runs of edits at random places.
TEST(SynEditList, KeepsTheSameLinesAsAPlainVectorUnderRandomEdits)
{
    std::mt19937 random(1208);
    TSynEditList list;
    list.SetValuesTag(1);  // so that ranges come back with their values
    std::vector<std::pair<std::string, std::intptr_t>> model;
    std::vector<TSynLineStore> aside;
    std::vector<std::vector<std::pair<std::string, std::intptr_t>>> asideModel;
    for (int step = 0; step < 20000; ++step) {
        const int count = static_cast<int>(model.size());
        const int at = count == 0 ? 0 : static_cast<int>(random() % static_cast<unsigned>(count));
        std::string text = std::to_string(step) + std::string(random() % 12, 'a' + step % 26);
        // Now and then a line at a length where the store changes how it keeps a text, or one of
        // megabytes.
        if (step % 97 == 0)
            text.resize(std::array<std::size_t, 6>{253, 254, 255, 4089, 4091, 70000}[step / 97 % 6], '-');
        if (step % 6007 == 0)
            text.resize(std::size_t{2} << 20, '=');
        switch (random() % 11) {
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
            if (count > 0 && step % 3 == 0) {
                // An edit inside the line, as typing and deleting do it.
                std::string& line = model[static_cast<std::size_t>(at)].first;
                const std::size_t from = static_cast<std::size_t>(step) % (line.size() + 1);
                const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(step) % 5, line.size() - from);
                const std::string piece = text.substr(0, static_cast<std::size_t>(step) % 4);
                list.Splice(at, from, n, piece);
                line.replace(from, n, piece);
            } else if (const auto longLine = std::find_if(model.begin(), model.end(), [](const auto& line) { return line.first.size() >= 4000; });
                       longLine != model.end() && step % 3 == 1) {
                // A run of edits near one end of a long line, through the room it keeps on either
                // side and past it, then now and then most of the line deleted at once.
                const int index = static_cast<int>(longLine - model.begin());
                std::string& line = longLine->first;
                for (int i = 0; i < 60; ++i) {
                    const std::size_t near = static_cast<std::size_t>(random() % 64);
                    const std::size_t from = step % 2 == 0 ? std::min(near, line.size()) : line.size() - std::min(near, line.size());
                    const std::size_t n = std::min<std::size_t>(random() % 3, line.size() - from);
                    const std::string piece(random() % 300, static_cast<char>('A' + i % 26));
                    list.Splice(index, from, n, piece);
                    line.replace(from, n, piece);
                }
                if (random() % 4 == 0) {
                    const std::size_t n = line.size() * 3 / 4;
                    const std::size_t from = random() % (line.size() - n + 1);
                    list.Splice(index, from, n, text);
                    line.replace(from, n, text);
                }
                ASSERT_EQ(list.Get(index), line) << "step " << step;
                ASSERT_EQ(list.GetObject(index), longLine->second);
            } else if (count > 0) {
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
        case 9:
            // A range goes out, and comes back elsewhere, or is kept aside for later.
            if (count > 0 && random() % 3 != 0) {
                const int n = 1 + static_cast<int>(random() % static_cast<unsigned>(std::min(count - at, 40)));
                aside.emplace_back(list.ExtractLines(at, n));
                asideModel.emplace_back(model.begin() + at, model.begin() + at + n);
                model.erase(model.begin() + at, model.begin() + at + n);
            } else if (random() % 4 == 0) {
                // A block of lines as a file gives them, with values, kept aside to go in later.
                TSynLineStore read;
                std::vector<std::pair<std::string, std::intptr_t>> readModel;
                const int n = 1 + static_cast<int>(random() % 400);
                for (int i = 0; i < n; ++i) {
                    std::string line(random() % 5 == 0 ? random() % 5000 : random() % 40, static_cast<char>('a' + i % 26));
                    read.Append(line);
                    const std::intptr_t value = static_cast<std::intptr_t>(random() % 7) - 3;
                    read.PutObject(i, value);
                    readModel.emplace_back(std::move(line), value);
                }
                read.SetValuesTag(1);
                aside.push_back(std::move(read));
                asideModel.push_back(std::move(readModel));
            } else if (!aside.empty()) {
                const std::size_t which = random() % aside.size();
                const int to = static_cast<int>(random() % (model.size() + 1));
                list.InsertLines(to, std::move(aside[which]));
                model.insert(model.begin() + to, asideModel[which].begin(), asideModel[which].end());
                aside.erase(aside.begin() + static_cast<std::ptrdiff_t>(which));
                asideModel.erase(asideModel.begin() + static_cast<std::ptrdiff_t>(which));
            }
            break;
        default:
            if (random() % 200 == 0) {
                list.Clear();
                model.clear();
            }
            break;
        }
        // The lines around the place of the edit, looked up right after it.
        for (const int i : {at - 1, at, at + 1, at + 128}) {
            if (i >= 0 && i < list.Count()) {
                ASSERT_EQ(list.Get(i), model[static_cast<std::size_t>(i)].first) << "step " << step;
            }
        }
        if (step % 997 == 0 || step == 19999) {
            ASSERT_EQ(list.Count(), static_cast<int>(model.size()));
            for (int i = 0; i < list.Count(); ++i) {
                ASSERT_EQ(list.Get(i), model[static_cast<std::size_t>(i)].first) << "step " << step;
                ASSERT_EQ(list.GetObject(i), model[static_cast<std::size_t>(i)].second);
            }
            // A batch of views across the gap, wherever it stands, and one that runs past the end.
            std::array<std::string_view, 64> views;
            const int first = static_cast<int>(random() % static_cast<unsigned>(list.Count() + 1));
            const std::size_t n = list.GetRange(first, views);
            ASSERT_EQ(n, std::min<std::size_t>(views.size(), model.size() - std::min<std::size_t>(model.size(), static_cast<std::size_t>(first))));
            for (std::size_t i = 0; i < n; ++i)
                ASSERT_EQ(views[i], model[static_cast<std::size_t>(first) + i].first);
        }
    }
}

}  // namespace
}  // namespace pindle
