#include <cerrno>
#include <csignal>
#include <cstddef>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

#if defined(__x86_64__)
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#endif

#include "platform/TextFile.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"

namespace pindle {
namespace {

namespace fs = std::filesystem;
using testing::RunInChild;
using testing::TAlarm;

class SafeSaveTest : public testing::TTempFolderTest {
protected:
    std::vector<std::string> FolderEntries() const { return EntriesOf(folder_); }

    static std::vector<std::string> EntriesOf(const fs::path& folder)
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static unsigned ModeOf(const std::string& path)
    {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0xFFFFu;
    }

    static unsigned ModeOf(int fd)
    {
        struct stat info {};
        return ::fstat(fd, &info) == 0 ? info.st_mode & 07777 : 0xFFFFu;
    }

    // Saves text with TSafeSave; the error message, or "ok".
    static std::string Save(const std::string& path, const std::string& text)
    {
        try {
            TSafeSave save(path);
            save.Writer().Write(text);
            save.Commit();
        } catch (const EInOutError& e) {
            return e.what();
        }
        return "ok";
    }
};

// Sets the umask for the life of the object.
class TUmask {
public:
    explicit TUmask(mode_t mask) : old_(::umask(mask)) {}
    ~TUmask() { ::umask(old_); }
    TUmask(const TUmask&) = delete;
    TUmask& operator=(const TUmask&) = delete;

private:
    mode_t old_;
};

TEST_F(SafeSaveTest, TheNewContentHasNoNameInTheFolderUntilItReplacesTheFile)
{
    std::string path = WriteBytes("site.css", "old");
    {
        TSafeSave save(path);
        EXPECT_EQ(save.Method(), TSafeSave::TMethod::UnnamedFile);
        save.Writer().Write(std::string(3 * TTextWriter::BufferSize, 'n'));
        save.Writer().Flush();
        EXPECT_EQ(FolderEntries(), std::vector<std::string>{"site.css"});  // a crash now leaves nothing
        EXPECT_EQ(ReadBytes(path), "old");
        save.Commit();
    }
    EXPECT_EQ(ReadBytes(path), std::string(3 * TTextWriter::BufferSize, 'n'));
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"site.css"});
}

TEST_F(SafeSaveTest, ASaveThatIsNotCommittedLeavesTheFileAndTheFolderAsTheyWere)
{
    std::string path = WriteBytes("site.css", "old");
    {
        TSafeSave save(path);
        save.Writer().Write("new content that is never committed");
        save.Writer().Flush();
    }
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"site.css"});
}

TEST_F(SafeSaveTest, TheContentIsPrivateWhileItIsWrittenAndGetsTheOldModeAfterwards)
{
    TUmask umask(022);
    for (unsigned mode : {0600u, 0640u, 0644u, 0664u, 0606u, 0755u}) {
        std::string path = WriteBytes("site.css", "old");
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        TSafeSave save(path);
        save.Writer().Write("secret");
        save.Writer().Flush();
        EXPECT_EQ(ModeOf(save.Writer().Descriptor()), 0600u) << std::oct << mode;
        save.Commit();
        EXPECT_EQ(ModeOf(path), mode) << std::oct << mode;
        EXPECT_EQ(ReadBytes(path), "secret");
    }
}

TEST_F(SafeSaveTest, ANewFileIsPrivateWhileItIsWrittenAndGetsTheUmasksModeAfterwards)
{
    for (mode_t mask : {022u, 027u, 077u, 002u}) {
        TUmask umask(mask);
        std::string path = PathOf("new" + std::to_string(mask) + ".css");
        TSafeSave save(path);
        save.Writer().Write("fresh");
        save.Writer().Flush();
        EXPECT_EQ(ModeOf(save.Writer().Descriptor()), 0600u) << std::oct << mask;
        save.Commit();
        EXPECT_EQ(ModeOf(path), 0666u & ~mask) << std::oct << mask;
        EXPECT_EQ(ReadBytes(path), "fresh");
    }
}

TEST_F(SafeSaveTest, AnythingButARegularFileIsRefusedWithoutWaiting)
{
    std::string fifo = PathOf("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    fs::create_directory(folder_ / "folder");
    std::vector<std::string> targets = {fifo, PathOf("folder")};
    // A device of its own (a second null device), never the system's: a save that wrongly replaces
    // its target must not take /dev/null from the machine.
    if (::mknod(PathOf("null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0)
        targets.push_back(PathOf("null"));
    TAlarm alarm(10);
    for (const std::string& path : targets) {
        EXPECT_EQ(Save(path, "x"), "File access denied") << path;
        EXPECT_FALSE(fs::is_regular_file(path)) << path;
    }
    EXPECT_EQ(FolderEntries().size(), targets.size());
}

TEST_F(SafeSaveTest, ALinkIsFollowedAndALoopOfLinksIsAnInvalidFilename)
{
    std::string real = WriteBytes("real.css", "old");
    fs::create_symlink(real, PathOf("link.css"));
    EXPECT_EQ(Save(PathOf("link.css"), "via link"), "ok");
    EXPECT_TRUE(fs::is_symlink(PathOf("link.css")));
    EXPECT_EQ(ReadBytes(real), "via link");

    fs::create_symlink(PathOf("b.css"), PathOf("a.css"));
    fs::create_symlink(PathOf("a.css"), PathOf("b.css"));
    EXPECT_EQ(Save(PathOf("a.css"), "x"), "Invalid filename");
    EXPECT_TRUE(fs::is_symlink(PathOf("a.css")));  // the loop is not replaced by a file
}

#if defined(__x86_64__)
// In a child: every open that asks for an unnamed file fails with the given error, as on a kernel or
// file system that has none.
bool RefuseUnnamedFiles(int error)
{
    constexpr unsigned unnamed = __O_TMPFILE & ~__O_DIRECTORY;  // the bit that only unnamed files set
    const auto errorReturn = static_cast<unsigned>(SECCOMP_RET_ERRNO | (static_cast<unsigned>(error) & 0xFFFF));
    sock_filter program[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 2),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),  // flags, low half
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, unnamed, 3, 4),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_open, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[1])),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, unnamed, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, errorReturn),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog filter{static_cast<unsigned short>(sizeof program / sizeof program[0]), program};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0
           && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) == 0;
}
#endif

TEST_F(SafeSaveTest, WithoutUnnamedFilesAHiddenFileInTheFolderTakesTheNewContent)
{
#if !defined(__x86_64__)
    GTEST_SKIP() << "the filter that refuses unnamed files is written for x86-64";
#else
    TUmask umask(022);
    for (int error : {EOPNOTSUPP, EISDIR, EINVAL}) {
        std::string path = WriteBytes("site.css", "old");
        ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
        std::string result = RunInChild([&]() -> std::string {
            if (!RefuseUnnamedFiles(error))
                return "no filter";
            if (::open(folder_.c_str(), O_TMPFILE | O_WRONLY, 0600) >= 0 || errno != error)
                return "the filter let an unnamed file through";
            TSafeSave save(path);
            save.Writer().Write("new");
            save.Writer().Flush();
            std::string hidden = save.Method() == TSafeSave::TMethod::NamedFile ? "named" : "not named";
            for (const std::string& name : EntriesOf(folder_))
                if (name != "site.css" && ModeOf((folder_ / name).string()) != 0600u)
                    hidden += ", readable by others: " + name;
            save.Commit();
            return hidden;
        });
        EXPECT_EQ(result, "named") << error;
        EXPECT_EQ(ReadBytes(path), "new") << error;
        EXPECT_EQ(ModeOf(path), 0640u) << error;
        EXPECT_EQ(FolderEntries(), std::vector<std::string>{"site.css"}) << error;
        EXPECT_EQ(Save(PathOf("new.css"), "x"), "ok");  // the parent is not filtered
        fs::remove(PathOf("new.css"));
    }
#endif
}

TEST_F(SafeSaveTest, AnOrdinaryUserSavesThroughAnUnnamedFile)
{
    fs::permissions(folder_, fs::perms(0777));
    std::string path = WriteBytes("site.css", "old");
    ::chmod(path.c_str(), 0666);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), testing::Nobody, testing::Nobody), 0);  // the user's own file
    }
    std::string result = RunInChild([&]() -> std::string {
        if (!testing::BecomeOrdinaryUser())
            return "could not become an ordinary user";
        // Naming an unnamed file by its descriptor alone needs CAP_DAC_READ_SEARCH on older
        // kernels; this user has no capability at all.
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("CapEff:", 0) == 0 && line.find_first_not_of("0\t ", 7) != std::string::npos)
                return "the user has capabilities: " + line;
        TSafeSave save(path);
        save.Writer().Write("new");
        save.Commit();
        return save.Method() == TSafeSave::TMethod::UnnamedFile ? "unnamed" : "another way";
    });
    EXPECT_EQ(result, "unnamed");
    EXPECT_EQ(ReadBytes(path), "new");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"site.css"});
}

TEST_F(SafeSaveTest, AnotherUsersWritableFileInAStickyFolderIsWrittenInPlace)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as two users";
    fs::permissions(folder_, fs::perms(01777));
    std::string path = WriteBytes("shared.css", "old content of the owner");
    ASSERT_EQ(::chown(path.c_str(), testing::Nobody, testing::Nobody), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    std::string result = RunInChild([&]() -> std::string {
        if (!testing::BecomeOrdinaryUser(testing::Nobody - 1))
            return "could not become an ordinary user";
        try {
            TSafeSave save(path);
            save.Writer().Write("new");
            save.Commit();
            return save.Method() == TSafeSave::TMethod::InPlace ? "in place" : "replaced";
        } catch (const EInOutError& e) {
            return e.what();
        }
    });
    EXPECT_EQ(result, "in place");
    EXPECT_EQ(ReadBytes(path), "new");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, testing::Nobody);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"shared.css"});
}

// A folder of mode 555 that the test's user cannot write to, with files in it. The folder gets its
// write bit back at the end, so that it can be removed.
class ReadOnlyFolderTest : public SafeSaveTest {
protected:
    void SetUp() override
    {
        SafeSaveTest::SetUp();
        fs::permissions(folder_, fs::perms(0755));  // the child's user must reach it
        locked_ = folder_ / "locked";
        fs::create_directory(locked_);
    }
    void TearDown() override
    {
        fs::permissions(locked_, fs::perms(0755));
        SafeSaveTest::TearDown();
    }

    std::string LockedFile(const std::string& name, const std::string& bytes, mode_t mode) const
    {
        std::string path = WriteBytes("locked/" + name, bytes);
        ::chmod(path.c_str(), mode);
        return path;
    }

    void Lock() const { fs::permissions(locked_, fs::perms(0555)); }

    // Saves as an ordinary user; "" when that user could still create a file in the folder.
    std::string SaveAsOrdinaryUser(const std::string& path, const std::string& text) const
    {
        return RunInChild([&]() -> std::string {
            if (!testing::BecomeOrdinaryUser())
                return "could not become an ordinary user";
            std::string probe = (locked_ / "probe").string();
            if (int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600); fd >= 0 || errno != EACCES)
                return "the folder is still writable";
            try {
                TSafeSave save(path);
                save.Writer().Write(text);
                save.Commit();
                return save.Method() == TSafeSave::TMethod::InPlace ? "in place" : "safe";
            } catch (const EInOutError& e) {
                return e.what();
            }
        });
    }

    fs::path locked_;
};

TEST_F(ReadOnlyFolderTest, AWritableFileInAFolderThatTakesNoNewFileIsWrittenInPlace)
{
    std::string path = LockedFile("site.css", "old content, longer than the new", 0666);
    Lock();
    EXPECT_EQ(SaveAsOrdinaryUser(path, "new"), "in place");
    EXPECT_EQ(ReadBytes(path), "new");
    EXPECT_EQ(ModeOf(path), 0666u);
    EXPECT_EQ(EntriesOf(locked_), std::vector<std::string>{"site.css"});
}

TEST_F(ReadOnlyFolderTest, AFileThatIsNotWritableOrDoesNotExistIsRefusedAndKept)
{
    std::string readOnly = LockedFile("fixed.css", "old", 0644);
    Lock();
    EXPECT_EQ(SaveAsOrdinaryUser(readOnly, "new"), "File access denied");
    EXPECT_EQ(SaveAsOrdinaryUser((locked_ / "new.css").string(), "new"), "File access denied");
    EXPECT_EQ(ReadBytes(readOnly), "old");
    EXPECT_EQ(EntriesOf(locked_), std::vector<std::string>{"fixed.css"});
}

}  // namespace
}  // namespace pindle
