// The file and folder work under the safe save (see SafeSaveFiles.h): following names, making files,
// copying attributes, the places and notes of copies, and the lock.
#include "platform/SafeSaveFiles.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>
#include <string_view>
#include <utility>
#include <vector>

namespace pindle::safesave {

constexpr int MaxLinks = 40;  // as many links as the system follows in one name
// How long a save waits for another save of the same file to end before it is refused.
constexpr auto LockWait = std::chrono::seconds(2);

[[noreturn]] void RaiseLastError() { RaiseInOutError(errno); }

static TDescriptor OpenPath(int folderFd, const char* name, int flags)
{
    int fd = ::openat(folderFd, name, flags | O_CLOEXEC);
    if (fd < 0)
        RaiseLastError();
    return TDescriptor(fd);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    return folder == "/" ? "/" + name : folder + "/" + name;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// A name's parts between slashes, empty ones included.
static std::deque<std::string> PartsOf(const std::string& path)
{
    std::deque<std::string> parts;
    for (std::size_t start = 0;;) {
        std::size_t slash = path.find('/', start);
        parts.push_back(path.substr(start, slash - start));
        if (slash == std::string::npos)
            return parts;
        start = slash + 1;
    }
}

// Whether the system, with its protection of links on, would follow a link of this owner that lives
// in this folder: in a sticky folder that everyone may write to, only this user's links and the
// folder owner's are followed, so that no one can plant a link there for another to follow.
static bool MayFollowLink(const struct stat& link, const struct stat& folder)
{
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return !shared || link.st_uid == ::geteuid() || link.st_uid == folder.st_uid;
}

TResolved Resolve(const std::string& fileName)
{
    if (fileName.empty() || fileName.find('\0') != std::string::npos)
        RaiseInOutError(fileName.empty() ? ENOENT : EINVAL);
    std::vector<std::string> folder;  // the parts of the real path of the folder reached
    TDescriptor at;
    std::deque<std::string> pending = PartsOf(fileName);
    if (fileName.front() == '/') {
        at = OpenPath(AT_FDCWD, "/", O_PATH | O_DIRECTORY);
    } else {
        std::vector<char> cwd(4096);
        while (::getcwd(cwd.data(), cwd.size()) == nullptr) {
            if (errno != ERANGE)
                RaiseLastError();
            cwd.resize(cwd.size() * 2);
        }
        for (std::string& part : PartsOf(cwd.data()))
            if (!part.empty())
                folder.push_back(std::move(part));
        at = OpenPath(AT_FDCWD, ".", O_PATH | O_DIRECTORY);
    }
    int links = 0;
    std::string name;
    while (!pending.empty()) {
        std::string part = std::move(pending.front());
        pending.pop_front();
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            at = OpenPath(at.Get(), "..", O_PATH | O_DIRECTORY);
            if (!folder.empty())
                folder.pop_back();
            continue;
        }
        const bool last = std::all_of(pending.begin(), pending.end(), [](const std::string& p) { return p.empty(); });
        struct stat info {};
        if (::fstatat(at.Get(), part.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT && last) {
                name = std::move(part);
                break;
            }
            RaiseLastError();
        }
        if (S_ISLNK(info.st_mode)) {
            if (++links > MaxLinks)
                RaiseInOutError(ELOOP);
            // The link itself, open, so that its owner and its text belong to the same link.
            TDescriptor link = OpenPath(at.Get(), part.c_str(), O_PATH | O_NOFOLLOW);
            struct stat linkInfo {}, folderInfo {};
            if (::fstat(link.Get(), &linkInfo) != 0 || ::fstat(at.Get(), &folderInfo) != 0)
                RaiseLastError();
            if (!S_ISLNK(linkInfo.st_mode))
                RaiseInOutError(EACCES);  // replaced while it was looked at
            if (!MayFollowLink(linkInfo, folderInfo))
                RaiseInOutError(EACCES);
            std::string text(PATH_MAX + 1, '\0');
            ssize_t length = ::readlinkat(link.Get(), "", text.data(), text.size());
            if (length < 0)
                RaiseLastError();
            if (length == 0 || static_cast<std::size_t>(length) >= text.size())
                RaiseInOutError(length == 0 ? ENOENT : ENAMETOOLONG);
            text.resize(static_cast<std::size_t>(length));
            std::deque<std::string> target = PartsOf(text);
            pending.insert(pending.begin(), target.begin(), target.end());
            if (text.front() == '/') {
                at = OpenPath(AT_FDCWD, "/", O_PATH | O_DIRECTORY);
                folder.clear();
            }
            continue;
        }
        if (last) {
            name = std::move(part);
            break;
        }
        if (!S_ISDIR(info.st_mode))
            RaiseInOutError(ENOTDIR);
        at = OpenPath(at.Get(), part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW);
        folder.push_back(std::move(part));
    }
    if (name.empty())
        RaiseInOutError(EISDIR);  // the name ends in a folder
    TResolved resolved;
    resolved.FolderFd = std::move(at);
    resolved.Folder = "/";
    for (const std::string& part : folder)
        resolved.Folder = JoinPath(resolved.Folder, part);
    resolved.Name = std::move(name);
    return resolved;
}

std::string TemporaryName()
{
    static unsigned counter = 0;
    return TemporaryPrefix + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp";
}

// Removes what saves of this user that were killed left in the folder: `.pindle-save-PID-N.tmp`
// whose process is gone. Another user's files, and those of a process that lives, stay.
void RemoveDeadSavesLeftIn(int folderFd)
{
    const std::size_t prefixLength = std::strlen(TemporaryPrefix);
    auto dead = [&](std::string_view name) {
        if (name.substr(0, prefixLength) != TemporaryPrefix)
            return false;
        const std::string text(name.substr(prefixLength));
        char* end = nullptr;
        const long pid = std::strtol(text.c_str(), &end, 10);
        if (pid <= 0 || end == text.c_str() || *end != '-' || pid == ::getpid())
            return false;
        struct stat info {};
        if (::fstatat(folderFd, std::string(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)
            || info.st_uid != ::geteuid())
            return false;
        return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;  // not alive, and ours to ask about
    };
    for (const std::string& name : NamesIn(folderFd, dead))
        (void)::unlinkat(folderFd, name.c_str(), 0);
}

// Kernels and file systems without unnamed files refuse them with one of these.
static bool UnnamedFilesUnsupported(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

// The folder's permissions (or its immutable flag, or a read-only mount) refuse a new file.
bool NewFileRefused(int error) { return error == EACCES || error == EPERM || error == EROFS; }

// A new, empty hidden file in the folder, readable by its owner alone; never a link planted there.
static int CreateNamedFile(int folderFd, std::string& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = TemporaryName();
        int fd = ::openat(folderFd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// A file without a name in the folder, or where there are none a hidden named one (its name in
// `name`); -1 with errno set when neither can be made.
int CreateFileIn(int folderFd, std::string& name)
{
    name.clear();
    int fd = ::openat(folderFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && UnnamedFilesUnsupported(errno))
        fd = CreateNamedFile(folderFd, name);
    return fd;
}

// Gives an open file a name in the folder; false with errno set when it cannot have that one.
bool LinkDescriptor(int fd, int folderFd, const std::string& name)
{
    // Linking through /proc needs no privilege; linking the descriptor itself needs
    // CAP_DAC_READ_SEARCH on kernels before 6.10, and is the way left where /proc is not mounted.
    std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), folderFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    return errno == ENOENT && ::linkat(fd, "", folderFd, name.c_str(), AT_EMPTY_PATH) == 0;
}

// The process's umask, read without changing it where the system tells it.
mode_t CurrentUmask()
{
    std::FILE* status = std::fopen("/proc/self/status", "re");
    if (status != nullptr) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status) != nullptr)
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found)
            return static_cast<mode_t>(mask);
    }
    mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// Whether this process may give a new file the owner and group of the old one: its own, a group it
// belongs to, or any with CAP_CHOWN. When the system does not say, the attempt at Commit decides.
bool MayGiveOwner(const struct stat& old)
{
    bool group = old.st_gid == ::getegid();
    if (!group) {
        gid_t groups[256];
        int count = ::getgroups(256, groups);
        group = count > 0 && std::find(groups, groups + count, old.st_gid) != groups + count;
    }
    if (old.st_uid == ::geteuid() && group)
        return true;
    std::FILE* status = std::fopen("/proc/self/status", "re");
    if (status == nullptr)
        return true;
    char line[256];
    unsigned long long caps = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, status) != nullptr)
        found = std::sscanf(line, "CapEff: %llx", &caps) == 1;
    std::fclose(status);
    return !found || (caps & 1u) != 0;  // bit 0 is CAP_CHOWN
}

// Makes a new or removed name durable; a folder that cannot be synced costs nothing but that.
void SyncFolder(int folderFd)
{
    int fd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    (void)::fsync(fd);
    ::close(fd);
}

// The names of a file's extended attributes (ACLs among them); none where the file system keeps none.
static bool AttributeNames(int fd, std::vector<std::string>& names)
{
    names.clear();
    std::vector<char> list;
    for (;;) {
        ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP;
        list.resize(static_cast<std::size_t>(size) + 1);
        size = ::flistxattr(fd, list.data(), list.size());
        if (size < 0 && errno == ERANGE)
            continue;  // one was added meanwhile
        if (size < 0)
            return false;
        for (std::size_t at = 0; at < static_cast<std::size_t>(size);) {
            std::string name(list.data() + at);
            at += name.size() + 1;
            if (!name.empty())
                names.push_back(std::move(name));
        }
        return true;
    }
}

static bool AttributeValue(int fd, const std::string& name, std::string& value)
{
    for (;;) {
        ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
        if (size < 0)
            return false;
        value.resize(static_cast<std::size_t>(size));
        size = ::fgetxattr(fd, name.c_str(), value.data(), value.size());
        if (size < 0 && errno == ERANGE)
            continue;
        if (size < 0)
            return false;
        value.resize(static_cast<std::size_t>(size));
        return true;
    }
}

// Gives the new file exactly the old file's extended attributes: the old ones copied, and those the
// new file got on its own (an ACL inherited from the folder's default) removed, so that the mode set
// afterwards cannot open the file to anyone the old one was closed to.
bool CopyAttributes(int oldFd, int fd)
{
    std::vector<std::string> oldNames, newNames;
    if (!AttributeNames(oldFd, oldNames) || !AttributeNames(fd, newNames))
        return false;
    for (const std::string& name : newNames)
        if (std::find(oldNames.begin(), oldNames.end(), name) == oldNames.end() && ::fremovexattr(fd, name.c_str()) != 0)
            return false;
    std::string value, present;
    for (const std::string& name : oldNames) {
        if (!AttributeValue(oldFd, name, value))
            return false;
        if (AttributeValue(fd, name, present) && present == value)
            continue;  // one the system gave it already, such as a security label
        if (::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) != 0)
            return false;
    }
    return true;
}

// Makes a new file readable by its owner alone, whatever ACL its folder hands down.
void MakePrivate(int fd)
{
    if (::fremovexattr(fd, "system.posix_acl_access") != 0 && errno != ENODATA && errno != ENOTSUP)
        RaiseLastError();
    if (::fchmod(fd, 0600) != 0)
        RaiseLastError();
}

// Copies the whole of one file into another from their beginnings, whatever either descriptor's
// position; the other file is emptied first.
void CopyWhole(int from, int to)
{
    if (::ftruncate(to, 0) != 0)
        RaiseLastError();
    std::vector<char> buffer(TTextWriter::BufferSize);
    for (off_t at = 0;;) {
        ssize_t got = ::pread(from, buffer.data(), buffer.size(), at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            RaiseLastError();
        if (got == 0)
            break;
        for (ssize_t done = 0; done < got;) {
            ssize_t put = ::pwrite(to, buffer.data() + done, static_cast<std::size_t>(got - done), at + done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                RaiseInOutError(put < 0 ? errno : ENOSPC);
            done += put;
        }
        at += got;
    }
    if (::fsync(to) != 0 && errno != EINVAL)
        RaiseLastError();
}

// The user's own folder for copies of files whose folder takes no new file.
static std::string StateFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/')
        return std::string(state) + "/pindle";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return std::string(home) + "/.local/state/pindle";
    return {};
}

// A short fingerprint of the full path, so that copies of same-named files of different folders
// kept in the state folder do not meet.
static std::string PathFingerprint(const std::string& path)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char c : path)
        hash = (hash ^ c) * 0x100000001b3ULL;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// The folder of last resort for copies, shared by all users and kept over a restart.
constexpr const char* SharedFolder = "/var/tmp";

static void MakeFolders(const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1); ; slash = folder.find('/', slash + 1)) {
        (void)::mkdir(folder.substr(0, slash).c_str(), 0700);
        if (slash == std::string::npos)
            return;
    }
}

// Where the copies of a file are kept, in the order they are tried: beside the file, the user's state
// folder, then the shared folder. Only the first is open; the others open with OpenPlace.
std::vector<TPlace> BackupPlaces(const TResolved& file)
{
    std::vector<TPlace> places;
    places.push_back({file.Folder, TDescriptor(::fcntl(file.FolderFd.Get(), F_DUPFD_CLOEXEC, 0)), file.Name + BackupSuffix});
    const std::string elsewhere = file.Name + BackupSuffix + "-" + PathFingerprint(JoinPath(file.Folder, file.Name));
    if (std::string state = StateFolder(); !state.empty())
        places.push_back({std::move(state), TDescriptor(), elsewhere});
    places.push_back({SharedFolder, TDescriptor(), elsewhere});
    return places;
}

// Opens a place's folder, making the state folder first when asked to; false when it cannot be
// opened, or when the state folder is not this user's.
bool OpenPlace(TPlace& place, bool create)
{
    if (place.FolderFd.IsOpen())
        return true;
    const bool shared = place.Folder == SharedFolder;
    if (create && !shared)
        MakeFolders(place.Folder);
    place.FolderFd.Reset(::open(place.Folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat info {};
    if (!shared && (!place.FolderFd.IsOpen() || ::fstat(place.FolderFd.Get(), &info) != 0 || info.st_uid != ::geteuid()))
        place.FolderFd.Reset();
    return place.FolderFd.IsOpen();
}

// A note in the state folder ties a copy to its file's device and inode, so that a copy made through
// one of the file's links is found through the others too: a symbolic link, named for the file and
// the copy, that leads to the copy.
std::string NotePrefix(const struct stat& file)
{
    return "inode-" + std::to_string(file.st_dev) + "-" + std::to_string(file.st_ino) + "-";
}

static std::string NoteName(const struct stat& file, const std::string& copy) { return NotePrefix(file) + PathFingerprint(copy); }

bool OpenStateFolder(TPlace& state, bool create)
{
    state.Folder = StateFolder();
    return !state.Folder.empty() && OpenPlace(state, create);
}

void AddNote(const struct stat& file, const std::string& copy)
{
    TPlace state;
    if (OpenStateFolder(state, true) && ::symlinkat(copy.c_str(), state.FolderFd.Get(), NoteName(file, copy).c_str()) != 0) {
        // Without the note the copy is still found by the file's own name.
    }
}

void RemoveNote(const struct stat& file, const std::string& copy)
{
    TPlace state;
    if (OpenStateFolder(state, false))
        (void)::unlinkat(state.FolderFd.Get(), NoteName(file, copy).c_str(), 0);
}

// "PREFIX" or "PREFIX.N" for a number N.
bool IsBackupName(const std::string& name, const std::string& prefix)
{
    if (name.compare(0, prefix.size(), prefix) != 0)
        return false;
    if (name.size() == prefix.size())
        return true;
    if (name[prefix.size()] != '.' || name.size() == prefix.size() + 1)
        return false;
    return name.find_first_not_of("0123456789", prefix.size() + 1) == std::string::npos;
}

// A copy that this user or root made: a regular file of theirs. Anyone may put a file of a copy's
// name in a folder that they may write to.
bool IsTrustedCopy(int folderFd, const std::string& name)
{
    struct stat info {};
    return ::fstatat(folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode)
           && (info.st_uid == ::geteuid() || info.st_uid == 0);
}

// Failures of a place for copies after which the next place is tried.
bool TryNextPlace(int error)
{
    return NewFileRefused(error) || error == ENOENT || error == ENOSPC || error == EDQUOT;
}

// A number for a copy's name that no one can have taken in advance.
unsigned RandomNumber()
{
    unsigned value = 0;
    if (::getrandom(&value, sizeof value, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof value))
        value = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    return 1000 + value % 1000000000u;
}

// Waits for the other saves of the file to end, then holds them off until this one ends: a lock on
// the whole file that goes with the last descriptor of this open.
void LockForSave(int fd)
{
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    const auto giveUp = std::chrono::steady_clock::now() + LockWait;
    while (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EACCES)
            return;  // a file system without locks: the save goes on as it would have
        if (std::chrono::steady_clock::now() >= giveUp)
            throw EInOutError(InOutErrorMessage(EACCES) + ": another save of this file is still writing it", EAGAIN);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace pindle::safesave
