// Kills saves of a large stylesheet at spread-out moments and counts what each kill left: the old
// content, the new content, anything else, and files left beside it. The defaults keep the test
// short; the full run is
//   PINDLE_KILLS=20 PINDLE_KILL_MB=40 build/tests/model/test_model --gtest_filter='SaveKill*'
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "model/Stylesheet.h"
#include "tests/model/TestFiles.h"

namespace pindle {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int EnvironmentNumber(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    int value = text != nullptr ? std::atoi(text) : 0;
    return value > 0 ? value : fallback;
}

// About the given number of bytes of free text, each line telling which document it belongs to.
std::vector<std::string> PaneOf(const std::string& tag, std::size_t bytes)
{
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t size = 0, n = 0; size < bytes; size += line.size() + 2, ++n)
        lines.push_back(line = tag + " line " + std::to_string(n) + " {margin:" + std::to_string(n % 97) + "px}");
    return lines;
}

std::vector<TStyleRow> RowsOf(const std::string& tag)
{
    std::vector<TStyleRow> rows(1000);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].Caption = tag + std::to_string(i);
        rows[i].SubItems[scColor] = "#00FF00";
    }
    return rows;
}

// Starts a save in a child process; kills it after the delay unless that is negative. Returns how
// long the child ran.
Clock::duration SaveInChild(const std::string& path, const std::vector<TStyleRow>& rows,
                            const std::vector<std::string>& pane, Clock::duration delay)
{
    Clock::time_point start = Clock::now();
    pid_t child = ::fork();
    if (child == 0) {
        try {
            WriteStylesheet(path, rows, pane);
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    if (child < 0)
        return Clock::duration::zero();
    if (delay >= Clock::duration::zero()) {
        std::this_thread::sleep_for(delay);
        ::kill(child, SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return Clock::now() - start;
}

class SaveKillTest : public pindle::testing::TTempFolderTest {};

TEST_F(SaveKillTest, AKilledSaveLeavesTheOldOrTheNewContentAndNothingElse)
{
    const int kills = EnvironmentNumber("PINDLE_KILLS", 5);
    const std::size_t bytes = static_cast<std::size_t>(EnvironmentNumber("PINDLE_KILL_MB", 8)) << 20;
    const std::vector<TStyleRow> oldRows = RowsOf("old"), newRows = RowsOf("new");
    const std::vector<std::string> oldPane = PaneOf("old", bytes), newPane = PaneOf("new", bytes);
    const std::string path = PathOf("site.css");

    WriteStylesheet(path, newRows, newPane);
    const std::string newBytes = ReadBytes(path);
    WriteStylesheet(path, oldRows, oldPane);
    const std::string oldBytes = ReadBytes(path);
    // An uninterrupted save in a child sets the time over which the kills are spread.
    const Clock::duration whole = SaveInChild(path, newRows, newPane, Clock::duration(-1));
    ASSERT_EQ(ReadBytes(path), newBytes);
    WriteStylesheet(path, oldRows, oldPane);

    int leftOld = 0, leftNew = 0, leftOther = 0, filesLeft = 0;
    for (int i = 0; i < kills; ++i) {
        auto delay = whole * (2 * i + 1) / (2 * kills);
        SaveInChild(path, newRows, newPane, delay);
        std::string content = ReadBytes(path);
        if (content == oldBytes)
            ++leftOld;
        else if (content == newBytes)
            ++leftNew;
        else
            ++leftOther;
        for (const auto& entry : fs::directory_iterator(folder_))
            if (entry.path().filename() != "site.css") {
                ++filesLeft;
                fs::remove(entry.path());
            }
        if (content != oldBytes)
            WriteStylesheet(path, oldRows, oldPane);
    }
    std::printf("%d kills during saves of %.1f MB (%.0f ms each): old content %d, new content %d, "
                "anything else %d, files left behind %d\n",
                kills, static_cast<double>(oldBytes.size()) / 1e6,
                std::chrono::duration<double, std::milli>(whole).count(), leftOld, leftNew, leftOther, filesLeft);
    EXPECT_EQ(leftOther, 0);
    EXPECT_EQ(filesLeft, 0);
    EXPECT_EQ(leftOld + leftNew, kills);
}

// A file with a second link is written in place. A kill may leave it mixed, but then a whole copy
// of the old content lies beside it. A copy is always whole, and a half-made one under a temporary
// name goes with the next save.
//   PINDLE_KILLS=20 PINDLE_KILL_MB=40 build/tests/model/test_model --gtest_filter='SaveKill*InPlace*'
TEST_F(SaveKillTest, AKilledInPlaceSaveLeavesTheOldContentWholeInTheFileOrInItsCopy)
{
    const int kills = EnvironmentNumber("PINDLE_KILLS", 5);
    const std::size_t bytes = static_cast<std::size_t>(EnvironmentNumber("PINDLE_KILL_MB", 8)) << 20;
    const std::vector<TStyleRow> oldRows = RowsOf("old"), newRows = RowsOf("new");
    const std::vector<std::string> oldPane = PaneOf("old", bytes), newPane = PaneOf("new", bytes);
    const std::string path = PathOf("site.css"), other = PathOf("other.css"), copy = path + "~pindle-backup";

    WriteStylesheet(path, newRows, newPane);
    const std::string newBytes = ReadBytes(path);
    WriteStylesheet(path, oldRows, oldPane);
    const std::string oldBytes = ReadBytes(path);
    ASSERT_EQ(::link(path.c_str(), other.c_str()), 0);
    const Clock::duration whole = SaveInChild(path, newRows, newPane, Clock::duration(-1));
    ASSERT_TRUE(ReadBytes(other) == newBytes) << "the save did not reach the file's other link";
    WriteStylesheet(path, oldRows, oldPane);

    int leftOld = 0, leftNew = 0, mixed = 0, mixedWithoutCopy = 0, copies = 0, partCopies = 0, temporaries = 0;
    int otherFiles = 0;
    for (int i = 0; i < kills; ++i) {
        SaveInChild(path, newRows, newPane, whole * (2 * i + 1) / (2 * kills));
        const std::string content = ReadBytes(other);
        const bool copyLeft = fs::exists(copy);
        if (content == oldBytes)
            ++leftOld;
        else if (content == newBytes)
            ++leftNew;
        else if (++mixed && !(copyLeft && ReadBytes(copy) == oldBytes))
            ++mixedWithoutCopy;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            const std::string name = entry.path().filename().string();
            if (name == "site.css" || name == "other.css")
                continue;
            if (entry.path() == copy) {
                ++(ReadBytes(copy) == oldBytes ? copies : partCopies);
                fs::remove(entry.path());  // as the user does once the message has named it
            } else {
                ++temporaries;  // the next save removes it
            }
        }
        WriteStylesheet(path, oldRows, oldPane);
    }
    for (const auto& entry : fs::directory_iterator(folder_))
        if (entry.path() != path && entry.path() != other)
            ++otherFiles;
    std::printf("%d kills during in-place saves of %.1f MB (%.0f ms each): old content %d, new content %d, "
                "mixed %d (without a whole copy %d); left behind: whole copies %d, partial copies %d, temporary files %d "
                "(after the next save: %d files)\n",
                kills, static_cast<double>(oldBytes.size()) / 1e6,
                std::chrono::duration<double, std::milli>(whole).count(), leftOld, leftNew, mixed, mixedWithoutCopy,
                copies, partCopies, temporaries, otherFiles);
    EXPECT_EQ(mixedWithoutCopy, 0);
    EXPECT_EQ(partCopies, 0);
    EXPECT_EQ(otherFiles, 0);
    EXPECT_EQ(fs::hard_link_count(path), 2u);
}

}  // namespace
}  // namespace pindle
