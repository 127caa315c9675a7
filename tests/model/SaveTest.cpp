#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "model/Stylesheet.h"
#include "platform/Exceptions.h"
#include "tests/model/TestFiles.h"
#include "tests/support/ChildProcess.h"

namespace pindle {
namespace {

namespace fs = std::filesystem;

class SaveTest : public pindle::testing::TTempFolderTest {
protected:
    std::vector<std::string> FolderEntries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static std::string SaveError(const std::string& path, const std::vector<std::string>& pane = {"x"})
    {
        try {
            WriteStylesheet(path, {}, pane);
        } catch (const EInOutError& e) {
            return e.what();
        }
        return "no error";
    }
};

TEST_F(SaveTest, ReplacesTheFileAndKeepsItsPermissionBits)
{
    std::string path = WriteBytes("site.css", "old content\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    WriteStylesheet(path, {}, {"new"});
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_NE(ReadBytes(path).find("new\r\n"), std::string::npos);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"site.css"});
}

TEST_F(SaveTest, AFailedSaveLeavesThePreviousFileByteForByte)
{
    const std::string old = "previous document\r\nwith two lines\r\n";
    std::string path = WriteBytes("site.css", old);

    // A file size limit makes the write fail half way, as a full disk would.
    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error = SaveError(path, std::vector<std::string>(5000, "a line of free text that is long enough"));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(error, "Disk full");
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"site.css"});  // no temporary file left
}

TEST_F(SaveTest, SavingWhereNoFileCanBeRaisesTheMatchingMessage)
{
    std::string file = WriteBytes("plain.css", "x");
    fs::create_directory(folder_ / "sub");
    EXPECT_EQ(SaveError(PathOf("sub")), "File access denied");
    EXPECT_EQ(SaveError(PathOf("missing/out.css")), "File not found");
    EXPECT_EQ(SaveError(file + "/out.css"), "Invalid filename");
    EXPECT_EQ(SaveError(""), "File not found");
    EXPECT_EQ(ReadBytes(file), "x");
}

TEST_F(SaveTest, SavingThroughALinkWritesTheFileItPointsTo)
{
    std::string target = WriteBytes("real.css", "old");
    std::string link = PathOf("link.css");
    fs::create_symlink(target, link);
    WriteStylesheet(link, {}, {"via link"});
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NE(ReadBytes(target).find("via link"), std::string::npos);
}

TEST_F(SaveTest, ReadingMissingOrUnreadableFilesRaisesTheMatchingMessage)
{
    struct Case {
        std::string path;
        const char* message;
    } cases[] = {
        {PathOf("missing.css"), "File not found"},
        {folder_.string(), "File access denied"},
        {WriteBytes("f", "") + "/x.css", "Invalid filename"},
    };
    for (const Case& c : cases) {
        try {
            (void)ReadStylesheet(c.path);
            ADD_FAILURE() << "read " << c.path;
        } catch (const EInOutError& e) {
            EXPECT_STREQ(e.what(), c.message) << c.path;
        }
    }
}

TEST_F(SaveTest, SavingOntoAPipeIsRefusedWithoutWaitingForAReader)
{
    std::string fifo = PathOf("pipe.css");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    testing::TAlarm alarm(10);  // the open that would wait for ever fails with "I/O error 4" instead
    EXPECT_EQ(SaveError(fifo), "File access denied");
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(SaveTest, ALoopOfLinksIsAnInvalidFilenameAndStaysAsItWas)
{
    fs::create_symlink(PathOf("b.css"), PathOf("a.css"));
    fs::create_symlink(PathOf("a.css"), PathOf("b.css"));
    EXPECT_EQ(SaveError(PathOf("a.css")), "Invalid filename");
    EXPECT_TRUE(fs::is_symlink(PathOf("a.css")));
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"a.css", "b.css"}));
    try {
        (void)ReadStylesheet(PathOf("a.css"));
        ADD_FAILURE() << "read a loop of links";
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "Invalid filename");
    }
}

}  // namespace
}  // namespace pindle
