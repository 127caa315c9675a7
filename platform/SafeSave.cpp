// TSafeSave and the copies of old content that it keeps while it writes a file in place.
#include "platform/TextFile.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>

namespace pindle {

namespace {

constexpr const char* TemporaryPrefix = ".pindle-save-";
constexpr const char* BackupSuffix = "~pindle-backup";

std::string FolderOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string NamePartOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file that a chain of symbolic links ends in, whether it exists or not, so that a save through
// a dangling link creates the file it names. Other names as they are.
std::string ResolveTarget(const std::string& fileName)
{
    std::string path = fileName;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        std::string text(std::max<std::size_t>(static_cast<std::size_t>(info.st_size), 255) + 1, '\0');
        ssize_t length = ::readlink(path.c_str(), text.data(), text.size());
        if (length < 0)
            RaiseInOutError(errno);
        if (static_cast<std::size_t>(length) >= text.size())
            RaiseInOutError(ENAMETOOLONG);  // the link changed while it was read
        text.resize(static_cast<std::size_t>(length));
        if (text.empty())
            RaiseInOutError(ENOENT);
        path = text.front() == '/' ? text : FolderOf(path) + "/" + text;
    }
    RaiseInOutError(ELOOP);
}

std::string TemporaryNameIn(const std::string& folder)
{
    static unsigned counter = 0;
    return folder + "/" + TemporaryPrefix + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp";
}

// Removes what saves of this user that were killed left in the folder: `.pindle-save-PID-N.tmp`
// whose process is gone. Another user's files, and those of a process that lives, stay.
void RemoveDeadSavesLeftIn(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    const std::size_t prefixLength = std::strlen(TemporaryPrefix);
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strncmp(name, TemporaryPrefix, prefixLength) != 0)
            continue;
        char* end = nullptr;
        const long pid = std::strtol(name + prefixLength, &end, 10);
        if (pid <= 0 || end == name + prefixLength || *end != '-' || pid == ::getpid())
            continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir), name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)
            || info.st_uid != ::geteuid())
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;  // alive, or not ours to ask about
        (void)::unlinkat(::dirfd(dir), name, 0);
    }
    ::closedir(dir);
}

// Kernels and file systems without unnamed files refuse them with one of these.
bool UnnamedFilesUnsupported(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

// The folder's permissions (or its immutable flag, or a read-only mount) refuse a new file.
bool NewFileRefused(int error) { return error == EACCES || error == EPERM || error == EROFS; }

// A new, empty hidden file in the folder, readable by its owner alone.
int CreateNamedFile(const std::string& folder, std::string& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = TemporaryNameIn(folder);
        int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// The target itself, emptied, to be written in place; -1 with errno set when it cannot be.
int OpenInPlace(const std::string& path)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat info {};
    int error = 0;
    if (::fstat(fd, &info) != 0)
        error = errno;
    else if (!S_ISREG(info.st_mode))
        error = EACCES;  // it was replaced by a pipe or device since it was looked at
    else if (::ftruncate(fd, 0) != 0)
        error = errno;
    if (error == 0)
        return fd;
    ::close(fd);
    errno = error;
    return -1;
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
void SyncFolder(const std::string& folder)
{
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    (void)::fsync(fd);
    ::close(fd);
}

// The names of a file's extended attributes (ACLs among them); none where the file system keeps none.
bool AttributeNames(const std::string& path, int fd, std::vector<std::string>& names)
{
    names.clear();
    std::vector<char> list;
    for (;;) {
        ssize_t size = fd >= 0 ? ::flistxattr(fd, nullptr, 0) : ::listxattr(path.c_str(), nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP;
        list.resize(static_cast<std::size_t>(size) + 1);
        size = fd >= 0 ? ::flistxattr(fd, list.data(), list.size()) : ::listxattr(path.c_str(), list.data(), list.size());
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

bool AttributeValue(const std::string& path, int fd, const std::string& name, std::string& value)
{
    for (;;) {
        ssize_t size = fd >= 0 ? ::fgetxattr(fd, name.c_str(), nullptr, 0) : ::getxattr(path.c_str(), name.c_str(), nullptr, 0);
        if (size < 0)
            return false;
        value.resize(static_cast<std::size_t>(size));
        size = fd >= 0 ? ::fgetxattr(fd, name.c_str(), value.data(), value.size())
                       : ::getxattr(path.c_str(), name.c_str(), value.data(), value.size());
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
bool CopyAttributes(const std::string& oldPath, int fd)
{
    std::vector<std::string> oldNames, newNames;
    if (!AttributeNames(oldPath, -1, oldNames) || !AttributeNames("", fd, newNames))
        return false;
    for (const std::string& name : newNames)
        if (std::find(oldNames.begin(), oldNames.end(), name) == oldNames.end() && ::fremovexattr(fd, name.c_str()) != 0)
            return false;
    std::string value, present;
    for (const std::string& name : oldNames) {
        if (!AttributeValue(oldPath, -1, name, value))
            return false;
        if (AttributeValue("", fd, name, present) && present == value)
            continue;  // one the system gave it already, such as a security label
        if (::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) != 0)
            return false;
    }
    return true;
}

// Copies everything from one descriptor to another, from where each stands.
void CopyContent(int from, TTextWriter& to)
{
    std::vector<char> buffer(TTextWriter::BufferSize);
    for (;;) {
        ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            RaiseInOutError(errno);
        if (got == 0)
            return;
        to.Write(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
    }
}

// The user's own folder for copies of files whose folder takes no new file.
std::string StateFolder()
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
std::string PathFingerprint(const std::string& path)
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

// Where the copies of a file's old content are kept, in the order they are tried, each with the
// beginning of the copies' names: beside the file, the user's state folder, then the shared folder.
std::vector<std::pair<std::string, std::string>> BackupPlaces(const std::string& target)
{
    std::vector<std::pair<std::string, std::string>> places;
    places.emplace_back(FolderOf(target), NamePartOf(target) + BackupSuffix);
    const std::string elsewhere = NamePartOf(target) + BackupSuffix + "-" + PathFingerprint(target);
    if (std::string state = StateFolder(); !state.empty())
        places.emplace_back(state, elsewhere);
    places.emplace_back(SharedFolder, elsewhere);
    return places;
}

// "PREFIX" or "PREFIX.N" for N from 2.
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

void MakeFolders(const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1); ; slash = folder.find('/', slash + 1)) {
        (void)::mkdir(folder.substr(0, slash).c_str(), 0700);
        if (slash == std::string::npos)
            return;
    }
}

// A whole copy of the target's content on the disk under a name of its own that no other copy has;
// returns the copy's path. The copy is written under a temporary name and named only once whole, so
// a name ending in "~pindle-backup" always holds the whole old content. It is no more open than the
// target: the owner's and others' permissions, no group's.
std::string MakeBackup(const std::string& target, const struct stat& old)
{
    int error = 0;
    for (const auto& [folder, prefix] : BackupPlaces(target)) {
        if (folder != FolderOf(target)) {
            MakeFolders(folder);
            RemoveDeadSavesLeftIn(folder);
        }
        std::string temporary;
        int fd = CreateNamedFile(folder, temporary);
        if (fd < 0) {
            error = errno;
            if (NewFileRefused(error) || error == ENOENT)
                continue;
            RaiseInOutError(error);
        }
        TTextWriter writer(fd, temporary);
        int from = -1;
        std::string name;
        try {
            from = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
            if (from < 0)
                RaiseInOutError(errno);
            CopyContent(from, writer);
            ::close(std::exchange(from, -1));
            writer.Sync();
            // Named while it is still this user's own file: the system may refuse a link to another's.
            for (int n = 1; name.empty(); ++n) {
                std::string candidate = folder + "/" + prefix + (n == 1 ? "" : "." + std::to_string(n));
                if (::link(temporary.c_str(), candidate.c_str()) == 0)
                    name = std::move(candidate);
                else if (errno != EEXIST || n == 1000)
                    RaiseInOutError(errno);
            }
            ::unlink(temporary.c_str());
            if (::fchown(fd, old.st_uid, old.st_gid) != 0 &&
                ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
                // Neither owner nor group can be the old file's: the copy stays this user's.
            }
            (void)::fchmod(fd, old.st_mode & 0606);
            writer.Close();
            SyncFolder(folder);
            return name;
        } catch (...) {
            if (from >= 0)
                ::close(from);
            ::unlink(temporary.c_str());
            if (!name.empty())
                ::unlink(name.c_str());  // the target was not touched yet
            throw;
        }
    }
    RaiseInOutError(error != 0 ? error : EACCES);
}

void RemoveBackup(const std::string& backup)
{
    if (backup.empty())
        return;
    ::unlink(backup.c_str());
    SyncFolder(FolderOf(backup));
}

void CheckSaveName(const std::string& fileName)
{
    if (fileName.empty() || fileName.find('\0') != std::string::npos)
        RaiseInOutError(fileName.empty() ? ENOENT : EINVAL);
}

}  // namespace

TSafeSave::TTemporaryName::~TTemporaryName()
{
    if (!path_.empty())
        ::unlink(path_.c_str());
}

TSafeSave::TSafeSave(const std::string& fileName)
    : target_(FindTarget(fileName)), writer_(OpenContent(), target_.Path)
{
}

TSafeSave::~TSafeSave()
{
    if (committed_ || backup_.empty())
        return;
    try {
        if (writer_.IsOpen())
            writer_.Close();
    } catch (...) {
    }
    RestoreFromBackup();
}

TSafeSave::TTarget TSafeSave::FindTarget(const std::string& fileName)
{
    CheckSaveName(fileName);
    TTarget target;
    target.Path = ResolveTarget(fileName);
    target.Folder = FolderOf(target.Path);
    if (::stat(target.Path.c_str(), &target.Old) == 0)
        target.Exists = true;
    else if (errno != ENOENT)
        RaiseInOutError(errno);
    if (target.Exists) {
        // Opening a pipe for writing waits for a reader, and a device cannot be replaced.
        if (!S_ISREG(target.Old.st_mode))
            RaiseInOutError(S_ISDIR(target.Old.st_mode) ? EISDIR : EACCES);
        if (::faccessat(AT_FDCWD, target.Path.c_str(), W_OK, AT_EACCESS) != 0)
            RaiseInOutError(errno);  // a read-only file stays as it is
    }
    return target;
}

int TSafeSave::OpenContent()
{
    RemoveDeadSavesLeftIn(target_.Folder);
    // A new file would split the links, or belong to this user instead of the file's owner.
    if (target_.Exists && (target_.Old.st_nlink > 1 || !MayGiveOwner(target_.Old)))
        return OpenInPlaceWithBackup();
    method_ = TMethod::UnnamedFile;
    int fd = ::open(target_.Folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0 && UnnamedFilesUnsupported(errno)) {
        method_ = TMethod::NamedFile;
        std::string name;
        fd = CreateNamedFile(target_.Folder, name);
        if (fd >= 0)
            tempName_.Set(std::move(name));
    }
    if (fd < 0 && NewFileRefused(errno) && target_.Exists)
        return OpenInPlaceWithBackup();
    if (fd < 0)
        RaiseInOutError(errno);
    return fd;
}

int TSafeSave::OpenInPlaceWithBackup()
{
    method_ = TMethod::InPlace;
    backup_ = MakeBackup(target_.Path, target_.Old);
    int fd = OpenInPlace(target_.Path);
    if (fd < 0) {
        int error = errno;
        RemoveBackup(std::exchange(backup_, std::string()));
        RaiseInOutError(error);
    }
    return fd;
}

bool TSafeSave::MakeLikeOldFile(int fd) const
{
    if (!target_.Exists) {
        // A file system that keeps no modes may refuse this; the file then stays private.
        (void)::fchmod(fd, 0666 & ~CurrentUmask());
        return true;
    }
    struct stat now {};
    if (::fstat(fd, &now) != 0)
        return false;
    if ((now.st_uid != target_.Old.st_uid || now.st_gid != target_.Old.st_gid)
        && ::fchown(fd, target_.Old.st_uid, target_.Old.st_gid) != 0)
        return false;
    // The mode comes last: a change of owner clears the set-id bits, and an ACL sets the mode too.
    return CopyAttributes(target_.Path, fd) && ::fchmod(fd, target_.Old.st_mode & 07777) == 0;
}

void TSafeSave::NameUnnamedFile(int fd)
{
    // Linking through /proc needs no privilege; linking the descriptor itself needs
    // CAP_DAC_READ_SEARCH on kernels before 6.10, and is the way left where /proc is not mounted.
    std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = TemporaryNameIn(target_.Folder);
        int linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
        if (linked != 0 && errno == ENOENT)
            linked = ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
        if (linked == 0) {
            tempName_.Set(std::move(name));
            return;
        }
        if (errno != EEXIST)
            RaiseInOutError(errno);
    }
    RaiseInOutError(EEXIST);
}

void TSafeSave::Commit()
{
    int fd = writer_.Descriptor();
    if (fd < 0)
        RaiseInOutError(EBADF);
    writer_.Flush();
    if (method_ == TMethod::InPlace) {
        writer_.Sync();
        writer_.Close();
        committed_ = true;
        RemoveBackup(std::exchange(backup_, std::string()));
        return;
    }
    const bool alike = MakeLikeOldFile(fd);
    writer_.Sync();
    if (method_ == TMethod::UnnamedFile)
        NameUnnamedFile(fd);
    writer_.Close();
    if (!alike) {
        CopyIntoTarget();
        return;
    }
    if (::rename(tempName_.Path().c_str(), target_.Path.c_str()) != 0) {
        // A sticky folder (such as /tmp) takes new files but lets no one else replace the owner's
        // file, even a writable one: then the content is copied into it.
        if (!NewFileRefused(errno) || !target_.Exists)
            RaiseInOutError(errno);
        CopyIntoTarget();
        return;
    }
    tempName_.Release();
    committed_ = true;
    SyncFolder(target_.Folder);
}

// The new content, whole in the temporary file, goes into the target itself while a copy keeps the
// old content; the temporary name goes with tempName_.
void TSafeSave::CopyIntoTarget()
{
    int from = ::open(tempName_.Path().c_str(), O_RDONLY | O_CLOEXEC);
    if (from < 0)
        RaiseInOutError(errno);
    try {
        method_ = TMethod::InPlace;
        backup_ = MakeBackup(target_.Path, target_.Old);
        int to = OpenInPlace(target_.Path);
        if (to < 0) {
            int error = errno;
            RemoveBackup(std::exchange(backup_, std::string()));  // the target was not touched
            RaiseInOutError(error);
        }
        TTextWriter writer(to, target_.Path);
        CopyContent(from, writer);
        writer.Sync();
        writer.Close();
    } catch (...) {
        ::close(from);
        throw;  // the destructor puts the old content back
    }
    ::close(from);
    committed_ = true;
    RemoveBackup(std::exchange(backup_, std::string()));
}

void TSafeSave::RestoreFromBackup() noexcept
{
    try {
        int from = ::open(backup_.c_str(), O_RDONLY | O_CLOEXEC);
        if (from < 0)
            return;
        int to = OpenInPlace(target_.Path);
        if (to < 0) {
            ::close(from);
            return;
        }
        TTextWriter writer(to, target_.Path);
        try {
            CopyContent(from, writer);
            writer.Sync();
            writer.Close();
        } catch (...) {
            ::close(from);
            return;  // the copy stays, and the next Open names it
        }
        ::close(from);
        RemoveBackup(backup_);
    } catch (...) {
    }
}

std::vector<std::string> OldCopiesOf(const std::string& fileName)
{
    std::vector<std::string> copies;
    std::string target;
    try {
        target = ResolveTarget(fileName);
    } catch (const EInOutError&) {
        return copies;
    }
    for (const auto& [folder, prefix] : BackupPlaces(target)) {
        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr)
            continue;
        std::vector<std::string> names;
        struct stat owner {};
        const bool ownerKnown = ::stat(target.c_str(), &owner) == 0;
        while (const dirent* entry = ::readdir(dir)) {
            if (!IsBackupName(entry->d_name, prefix))
                continue;
            // In the shared folder only a copy by this user or the file's owner counts: anyone
            // may put a file of that name there.
            struct stat info {};
            if (folder == SharedFolder
                && (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0
                    || (info.st_uid != ::geteuid() && (!ownerKnown || info.st_uid != owner.st_uid))))
                continue;
            names.emplace_back(entry->d_name);
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        });
        for (const std::string& name : names)
            copies.push_back(folder + "/" + name);
    }
    return copies;
}

}  // namespace pindle
