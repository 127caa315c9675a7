#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
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
#include <sys/wait.h>
#include <sys/xattr.h>
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

// What a save must keep of a file: owner, group, mode, link count and every extended attribute
// (the ACL among them), as one text to compare.
std::string IdentityOf(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return "missing";
    std::string identity = "owner " + std::to_string(info.st_uid) + ":" + std::to_string(info.st_gid) + " mode "
                           + std::to_string(info.st_mode & 07777) + " links " + std::to_string(info.st_nlink);
    std::vector<char> names(65536);
    ssize_t size = ::listxattr(path.c_str(), names.data(), names.size());
    std::vector<std::string> sorted;
    for (ssize_t at = 0; at < size; at += static_cast<ssize_t>(std::strlen(names.data() + at)) + 1)
        sorted.emplace_back(names.data() + at);
    std::sort(sorted.begin(), sorted.end());
    for (const std::string& name : sorted) {
        std::vector<char> value(65536);
        ssize_t length = ::getxattr(path.c_str(), name.c_str(), value.data(), value.size());
        identity += " " + name + "=" + std::string(value.data(), static_cast<std::size_t>(std::max<ssize_t>(length, 0)));
    }
    return identity;
}

#if defined(__x86_64__)
// In a child: the given system calls fail with the error, as on a system that refuses them.
bool RefuseSystemCalls(const std::vector<int>& numbers, int error)
{
    const auto errorReturn = static_cast<unsigned>(SECCOMP_RET_ERRNO | (static_cast<unsigned>(error) & 0xFFFF));
    std::vector<sock_filter> program = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
    };
    for (int number : numbers) {
        program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(number), 0, 1));
        program.push_back(BPF_STMT(BPF_RET | BPF_K, errorReturn));
    }
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    sock_fprog filter{static_cast<unsigned short>(program.size()), program.data()};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0
           && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) == 0;
}
#endif

bool RunShell(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()) == 0; }

// Each way a file can be more than its content, saved by its owner or by another user: after the
// save the file is what it was, holds the new content, and nothing is left beside it.
TEST_F(SafeSaveTest, ASaveKeepsWhatTheFileIs)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give files to other users";
    if (!RunShell("command -v setfacl"))
        GTEST_SKIP() << "setfacl is not installed (the acl package)";
    enum class TUser : std::uint8_t { Owner, Nobody };
    struct Case {
        const char* what;
        mode_t folderMode;
        const char* prepare;  // shell commands run on the file as F, and on the folder as D
        TUser user;
        bool refuseAttributes;
        TSafeSave::TMethod method;
    } cases[] = {
        {"a second hard link", 0755, "ln \"$F\" \"$D/other.css\"", TUser::Owner, false, TSafeSave::TMethod::InPlace},
        {"an ACL and attributes", 0755,
         "setfacl -m u:nobody:rw-,g:nogroup:r-- \"$F\" && chmod g=r \"$F\" && setfacl -m m::rw- \"$F\""
         " && setfattr -n user.x -v 1 \"$F\" && setfattr -n user.origin -v web \"$F\"",
         TUser::Owner, false, TSafeSave::TMethod::UnnamedFile},
        {"a folder whose default ACL a new file would get", 0755, "setfacl -d -m u:nobody:rwx,m::rwx \"$D\"",
         TUser::Owner, false, TSafeSave::TMethod::UnnamedFile},
        {"another owner in a shared folder", 0777, "chmod 666 \"$F\"", TUser::Nobody, false, TSafeSave::TMethod::InPlace},
        {"another owner in a sticky folder", 01777, "chmod 666 \"$F\"", TUser::Nobody, false, TSafeSave::TMethod::InPlace},
        {"attributes the system will not copy", 0755, "setfacl -m u:nobody:r-- \"$F\" && setfattr -n user.x -v 1 \"$F\"",
         TUser::Owner, true, TSafeSave::TMethod::InPlace},
        {"no attributes where the system copies none", 0755, "chmod 640 \"$F\"", TUser::Owner, true,
         TSafeSave::TMethod::UnnamedFile},
    };
    int number = 0;
    for (const Case& c : cases) {
        const fs::path folder = folder_ / ("case" + std::to_string(++number));
        fs::create_directory(folder);
        const std::string path = (folder / "site.css").string();
        std::ofstream(path) << "old content of the file";
        ::chmod(path.c_str(), 0644);
        ::chmod(folder.c_str(), c.folderMode);
        ASSERT_TRUE(RunShell("F='" + path + "' D='" + folder.string() + "'; " + c.prepare)) << c.what;
        const std::string before = IdentityOf(path);
        const std::vector<std::string> entries = EntriesOf(folder);
        std::string result = RunInChild([&]() -> std::string {
            if (c.user == TUser::Nobody && !testing::BecomeOrdinaryUser())
                return "could not become an ordinary user";
#if defined(__x86_64__)
            if (c.refuseAttributes && !RefuseSystemCalls({__NR_fsetxattr, __NR_setxattr, __NR_lsetxattr}, ENOTSUP))
                return "no filter";
#endif
            try {
                TSafeSave save(path);
                save.Writer().Write("new");
                save.Commit();
                return save.Method() == c.method ? "ok" : "another method";
            } catch (const EInOutError& e) {
                return e.what();
            }
        });
        EXPECT_EQ(result, "ok") << c.what;
        EXPECT_EQ(IdentityOf(path), before) << c.what;
        EXPECT_EQ(ReadBytes(path), "new") << c.what;
        EXPECT_EQ(EntriesOf(folder), entries) << c.what;
        ::chmod(folder.c_str(), 0755);
    }
}

// While a file is written in place a whole copy of its old content lies beside it under a name the
// user knows; a save that fails puts the old content back and takes the copy away.
TEST_F(SafeSaveTest, AnInPlaceSaveKeepsAWholeCopyUntilItEndsAndAFailedOnePutsTheOldContentBack)
{
    const std::string old(3 * TTextWriter::BufferSize + 17, 'o');
    std::string path = WriteBytes("site.css", old);
    ASSERT_EQ(::link(path.c_str(), PathOf("other.css").c_str()), 0);
    {
        TSafeSave save(path);
        ASSERT_EQ(save.Method(), TSafeSave::TMethod::InPlace);
        save.Writer().Write(std::string(TTextWriter::BufferSize * 2, 'n'));
        save.Writer().Flush();
        EXPECT_EQ(OldCopiesOf(path), std::vector<std::string>{PathOf("site.css~pindle-backup")});
        EXPECT_TRUE(ReadBytes(PathOf("site.css~pindle-backup")) == old);
    }
    EXPECT_TRUE(ReadBytes(PathOf("other.css")) == old);
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"other.css", "site.css"}));

    // A copy left by an earlier crash is kept, and the next one takes another name.
    WriteBytes("site.css~pindle-backup", "left by a crash");
    EXPECT_EQ(Save(path, "new"), "ok");
    EXPECT_EQ(ReadBytes(PathOf("other.css")), "new");
    EXPECT_EQ(OldCopiesOf(PathOf("other.css")), std::vector<std::string>{});
    EXPECT_EQ(OldCopiesOf(path), std::vector<std::string>{PathOf("site.css~pindle-backup")});
    EXPECT_EQ(ReadBytes(PathOf("site.css~pindle-backup")), "left by a crash");
}

// `.pindle-save-PID-N.tmp` of a save that was killed goes with the next save in its folder; one of
// a process that lives, or of another user, stays.
TEST_F(SafeSaveTest, TheNextSaveRemovesWhatADeadSaveOfTheSameUserLeft)
{
    pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ASSERT_GT(dead, 0);
    ::waitpid(dead, nullptr, 0);
    const std::string deadName = ".pindle-save-" + std::to_string(dead) + "-1.tmp";
    const std::string liveName = ".pindle-save-" + std::to_string(::getppid()) + "-1.tmp";
    const std::string othersName = ".pindle-save-" + std::to_string(dead) + "-2.tmp";
    WriteBytes(deadName, "half a save");
    WriteBytes(liveName, "a save under way");
    WriteBytes(othersName, "another user's");
    std::vector<std::string> expected = {liveName, "site.css"};
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(PathOf(othersName).c_str(), testing::Nobody, testing::Nobody), 0);
        expected.push_back(othersName);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Save(PathOf("site.css"), "new"), "ok");
    EXPECT_EQ(FolderEntries(), expected);
}

// A dangling link names the file to create: the save creates it and the link stays.
TEST_F(SafeSaveTest, ASaveThroughADanglingLinkCreatesTheFileItNames)
{
    fs::create_directory(folder_ / "real");
    fs::create_symlink("real/site.css", PathOf("link.css"));
    fs::create_symlink(PathOf("link.css"), PathOf("link2.css"));
    EXPECT_EQ(Save(PathOf("link2.css"), "created"), "ok");
    EXPECT_TRUE(fs::is_symlink(PathOf("link.css")));
    EXPECT_TRUE(fs::is_symlink(PathOf("link2.css")));
    EXPECT_EQ(ReadBytes(PathOf("real/site.css")), "created");
    EXPECT_EQ(EntriesOf(folder_ / "real"), std::vector<std::string>{"site.css"});
}

}  // namespace
}  // namespace pindle
