#include <algorithm>
#include <array>
#include <utility>
#include <cerrno>
#include <random>
#include <string_view>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/TextFile.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"

namespace pindle {
namespace {

namespace fs = std::filesystem;

class TextFileTest : public testing::TTempFolderTest {
protected:
    static std::vector<std::string> ReadAllLines(const std::string& path)
    {
        TTextReader reader(path);
        std::vector<std::string> lines;
        while (!reader.Eof())
            lines.push_back(reader.ReadLine());
        reader.Close();
        return lines;
    }
};

TEST(InOutErrorMessage, MapsSystemErrorsToTheUsersMessages)
{
    struct Case {
        int code;
        const char* message;
    } cases[] = {
        {ENOENT, "File not found"},       {EACCES, "File access denied"}, {EPERM, "File access denied"},
        {EISDIR, "File access denied"},   {EROFS, "File access denied"},  {ENOTDIR, "Invalid filename"},
        {ENAMETOOLONG, "Invalid filename"}, {EINVAL, "Invalid filename"}, {EMFILE, "Too many open files"},
        {ENFILE, "Too many open files"},  {ENOSPC, "Disk full"},          {EFBIG, "Disk full"},
        {EDQUOT, "Disk full"},            {EIO, "I/O error 5"},           {EBADF, "I/O error 9"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InOutErrorMessage(c.code), c.message) << c.code;
        try {
            RaiseInOutError(c.code);
            ADD_FAILURE() << "no error raised for " << c.code;
        } catch (const EInOutError& e) {
            EXPECT_STREQ(e.what(), c.message);
            EXPECT_EQ(e.ErrorCode, c.code);
        }
    }
}

TEST(InOutErrorMessage, GivesOneOfTheUsersMessagesForEveryErrorThatAPathCanCause)
{
    struct Case {
        int code;
        const char* message;
    } cases[] = {
        {ELOOP, "Invalid filename"},        {EILSEQ, "Invalid filename"},
        {ENXIO, "File access denied"},      {ETXTBSY, "File access denied"},
        {EOVERFLOW, "File access denied"},  {ENODEV, "File access denied"},
        {EBUSY, "File access denied"},      {EXDEV, "File access denied"},
        {EOPNOTSUPP, "File access denied"}, {EEXIST, "File access denied"},
        {EMLINK, "File access denied"},     {EWOULDBLOCK, "File access denied"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InOutErrorMessage(c.code), c.message) << c.code;
    // What open, stat, link, rename, write, fsync and close report for a path or a file on a disk.
    for (int code : {EACCES, EBUSY, EDQUOT, EEXIST, EFBIG, EINVAL, EISDIR, ELOOP, EMFILE, EMLINK, ENAMETOOLONG,
                     ENFILE, ENODEV, ENOENT, ENOSPC, ENOTDIR, ENXIO, EOPNOTSUPP, EOVERFLOW, EPERM, EROFS, ETXTBSY,
                     EWOULDBLOCK, EXDEV, EILSEQ})
        EXPECT_EQ(InOutErrorMessage(code).find("I/O error"), std::string::npos) << code;
}

TEST_F(TextFileTest, WriterEndsEveryLineWithCarriageReturnAndLineFeed)
{
    std::string path = PathOf("out.txt");
    TTextWriter writer(path);
    writer.WriteLine("first");
    writer.WriteLine("");
    writer.WriteLine(std::string("nul\0byte\xff\x1a", 10));
    writer.Close();
    EXPECT_EQ(ReadBytes(path), std::string("first\r\n\r\nnul\0byte\xff\x1a\r\n", 21));
}

TEST_F(TextFileTest, WriterEmptiesAnExistingFile)
{
    std::string path = WriteBytes("old.txt", "a much longer previous content\r\n");
    TTextWriter writer(path);
    writer.WriteLine("x");
    writer.Close();
    EXPECT_EQ(ReadBytes(path), "x\r\n");
}

TEST_F(TextFileTest, WriterHandlesLinesLargerThanItsBuffer)
{
    std::string path = PathOf("big.txt");
    std::string big(TTextWriter::BufferSize * 2 + 17, 'q');
    TTextWriter writer(path);
    writer.WriteLine("head");
    writer.WriteLine(big);
    writer.WriteLine("tail");
    writer.Close();
    EXPECT_EQ(ReadBytes(path), "head\r\n" + big + "\r\ntail\r\n");
}

TEST_F(TextFileTest, ReaderEndsLinesAtEachKindOfLineEnd)
{
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
        {"\r\n", {""}},
        {"\n\r", {"", ""}},
        {"\r\r\n\n", {"", "", ""}},
        {"a\r\n\r\n", {"a", ""}},
        {"x\x1ay\r\nz", {"x\x1ay", "z"}},  // Ctrl-Z is text, not the end of the file
        {std::string("\0\0\r\n\xe9\x80", 6), {std::string("\0\0", 2), "\xe9\x80"}},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string path = WriteBytes("case" + std::to_string(n++), c.bytes);
        EXPECT_EQ(ReadAllLines(path), c.lines) << "bytes: " << ::testing::PrintToString(c.bytes);
    }
}

TEST_F(TextFileTest, ReaderKeepsLinesWholeAcrossItsBuffer)
{
    // Line ends placed around the buffer's edge, including a CR LF split between two reads.
    const std::size_t edge = TTextReader::BufferSize;
    for (std::size_t crAt : {edge - 2, edge - 1, edge, edge + 1}) {
        std::string bytes(crAt, 'x');
        bytes += "\r\nnext\rlast";
        std::string path = WriteBytes("edge.txt", bytes);
        std::vector<std::string> lines = ReadAllLines(path);
        ASSERT_EQ(lines.size(), 3u) << crAt;
        EXPECT_EQ(lines[0], std::string(crAt, 'x'));
        EXPECT_EQ(lines[1], "next");
        EXPECT_EQ(lines[2], "last");
    }
    std::string huge(3 * edge + 5, 'h');
    std::string path = WriteBytes("huge.txt", "a\n" + huge + "\r\nb\r\n");
    EXPECT_EQ(ReadAllLines(path), (std::vector<std::string>{"a", huge, "b"}));
}

// The reader tells, as it finds each line end, whether the line is plain: all ASCII, without the
// watched byte. An odd byte counts only in its own line, wherever it stands in the reader's sixteen-
// and eight-byte steps and whichever thread split the bytes; only a line carried across a buffer may
// be reported not plain wrongly.
TEST_F(TextFileTest, ReaderTellsWhichLinesArePlainAsciiWithoutTheWatchedByte)
{
    const auto plainByLook = [](std::string_view line) {
        return std::none_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80 || c == '*'; });
    };
    std::string bytes;
    std::mt19937 random(7);
    // More than two buffers, so that most lines are split by the read-ahead thread.
    for (int n = 0; n < 150000; ++n) {
        std::string line(random() % 40, 'a');
        if (random() % 3 == 0 && !line.empty())
            line[random() % line.size()] = "*\xe9\x80\x7f\0"[random() % 5];
        bytes += line;
        bytes += n % 7 == 0 ? "\r\n" : "\n";
    }
    bytes += std::string(TTextReader::BufferSize + 3, 'z') + "*";  // carried: may be reported either way
    TTextReader reader(WriteBytes("plain.css", bytes));
    reader.SetWatchedByte('*');
    std::string_view line;
    bool plain = true;
    int lines = 0, plainLines = 0, plainByLookLines = 0;
    while (reader.NextLine(line, plain)) {
        ++lines;
        plainLines += plain ? 1 : 0;
        plainByLookLines += plainByLook(line) ? 1 : 0;
        ASSERT_FALSE(plain && !plainByLook(line)) << "line " << lines << ": " << ::testing::PrintToString(std::string(line));
    }
    EXPECT_EQ(lines, 150001);
    // Lines that cross from one buffer into the next (a few dozen here) may be reported not plain.
    EXPECT_GT(plainLines, plainByLookLines - 100);
}

// A file of more than two buffers is read ahead on another thread, half a buffer at a time: every
// line comes out whole and in order, whatever chunk its end or the LF of its CR LF falls into, and a
// line of megabytes spans many reads.
TEST_F(TextFileTest, ReadingAheadGivesTheLinesOfASimpleSplit)
{
    std::mt19937 random(11);
    for (int round = 0; round < 3; ++round) {
        std::string bytes;
        while (bytes.size() < 5 * TTextReader::BufferSize) {
            const std::size_t length = random() % 50 == 0 ? random() % (3 * TTextReader::BufferSize) : random() % 80;
            bytes += std::string(length, static_cast<char>('a' + random() % 26));
            bytes += std::array<const char*, 3>{"\n", "\r\n", "\r"}[random() % 3];
        }
        std::vector<std::string> expected;
        std::string line;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] != '\r' && bytes[i] != '\n') {
                line += bytes[i];
                continue;
            }
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            expected.push_back(std::exchange(line, {}));
        }
        ASSERT_TRUE(ReadAllLines(WriteBytes("ahead.css", bytes)) == expected) << "round " << round;
    }
}

TEST_F(TextFileTest, ReadingPastTheLastLineRaisesReadBeyondEndOfFile)
{
    std::string path = WriteBytes("one.txt", "only\r\n");
    TTextReader reader(path);
    EXPECT_EQ(reader.ReadLine(), "only");
    EXPECT_TRUE(reader.Eof());
    try {
        (void)reader.ReadLine();
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "Read beyond end of file");
    }
}

TEST_F(TextFileTest, OpenFailuresRaiseTheMatchingMessage)
{
    std::string file = WriteBytes("plain.txt", "x");
    struct Case {
        std::string path;
        const char* message;
    } cases[] = {
        {PathOf("missing.txt"), "File not found"},
        {"", "File not found"},
        {folder_.string(), "File access denied"},     // a folder
        {file + "/below", "Invalid filename"},        // a file used as a folder
        {PathOf(std::string(300, 'n')), "Invalid filename"},
        {std::string("bad\0name", 8), "Invalid filename"},
    };
    for (const Case& c : cases) {
        try {
            TTextReader reader(c.path);
            ADD_FAILURE() << "opened " << c.path;
        } catch (const EInOutError& e) {
            EXPECT_STREQ(e.what(), c.message) << c.path;
        }
    }
    try {
        TTextWriter writer(PathOf("no-such-folder/out.txt"));
        ADD_FAILURE() << "created a file in a missing folder";
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
}

TEST_F(TextFileTest, OnlyRegularFilesAreRead)
{
    // A pipe would block the open or the first read for ever; a device may never end.
    std::string fifo = PathOf("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero")}) {
        try {
            TTextReader reader(path);
            ADD_FAILURE() << "opened " << path;
        } catch (const EInOutError& e) {
            EXPECT_STREQ(e.what(), "File access denied") << path;
        }
    }
}

// A file that another program keeps appending to reads as far as its size at the open, also when
// the growth reaches past the reader's buffer, and what was there ends with its last line whole.
TEST_F(TextFileTest, AFileThatGrowsWhileItIsReadReadsAsItWasWhenItWasOpened)
{
    const std::string first(TTextReader::BufferSize + 10, 'a');
    std::string path = WriteBytes("growing.css", first + "\r\nsecond\r\nthird");
    TTextReader reader(path);
    {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        for (int i = 0; i < 1000; ++i)
            out << " appended later\r\n";
    }
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.NextLine(line))
        lines.emplace_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{first, "second", "third"}));
}

// What the user meets on real paths: a loop of links, a pipe nobody reads, a running program.
TEST_F(TextFileTest, PathsThatCannotBeOpenedGiveTheUsersMessageAndNeverWait)
{
    fs::create_symlink(PathOf("b"), PathOf("a"));
    fs::create_symlink(PathOf("a"), PathOf("b"));
    std::string fifo = PathOf("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string program = PathOf("sleeper");
    fs::copy_file("/bin/sleep", program);
    pid_t running = ::fork();
    ASSERT_GE(running, 0);
    if (running == 0) {
        ::execl(program.c_str(), "sleeper", "30", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // The program is running once its own file maps it.
    std::string exe = "/proc/" + std::to_string(running) + "/exe";
    std::error_code notYet;
    for (int i = 0; i < 200 && fs::read_symlink(exe, notYet) != program; ++i)
        ::usleep(10000);

    struct Case {
        std::string path;
        const char* message;
    } cases[] = {
        {PathOf("a"), "Invalid filename"},
        {fifo, "File access denied"},
        {program, "File access denied"},
    };
    testing::TAlarm alarm(10);
    for (const Case& c : cases) {
        try {
            TTextWriter writer(c.path);
            ADD_FAILURE() << "opened " << c.path << " for writing";
        } catch (const EInOutError& e) {
            EXPECT_STREQ(e.what(), c.message) << c.path;
        }
    }
    try {
        TTextReader reader(PathOf("a"));
        ADD_FAILURE() << "read a loop of links";
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "Invalid filename");
    }
    ::kill(running, SIGKILL);
    ::waitpid(running, nullptr, 0);
}

TEST_F(TextFileTest, WritingToAFullDiskRaisesDiskFull)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    TTextWriter writer("/dev/full");
    writer.WriteLine("more than the disk can hold");
    try {
        writer.Close();
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "Disk full");
        EXPECT_EQ(e.ErrorCode, ENOSPC);
    }
    EXPECT_FALSE(writer.IsOpen());
}

}  // namespace
}  // namespace pindle
