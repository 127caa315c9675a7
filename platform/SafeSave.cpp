// TSafeSave and the copies of old content that it keeps while it writes a file in place.
#include "platform/TextFile.h"

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
#include <system_error>
#include <thread>
#include <unistd.h>
#include <string_view>
#include <utility>
#include <vector>

namespace pindle {

void TSafeSave::TDescriptor::Reset(int fd) noexcept
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

void TSafeSave::TDescriptor::ResetInBackground() noexcept
{
    const int fd = std::exchange(fd_, -1);
    if (fd < 0)
        return;
    try {
        std::thread([fd] { ::close(fd); }).detach();
    } catch (const std::system_error&) {
        ::close(fd);
    }
}

using namespace safesave;

TSafeSave::TTemporaryName::~TTemporaryName()
{
    if (!name_.empty())
        ::unlinkat(folderFd_, name_.c_str(), 0);
}

TSafeSave::TSafeSave(const std::string& fileName)
    : target_(FindTarget(fileName)), writer_(OpenContent(), target_.Path)
{
    // The file is emptied only now that everything that could fail before the writing is done: a
    // constructor that fails has no destructor to put the old content back.
    if (method_ == TMethod::InPlace && ::ftruncate(writer_.Descriptor(), 0) != 0) {
        const int error = errno;
        RemoveBackup();  // the file was not touched
        RaiseInOutError(error);
    }    // Commit syncs the content: it goes to the disk as it is written.
    writer_.WriteBackEarly();
}

TSafeSave::~TSafeSave()
{
    if (committed_ || backup_.Path.empty())
        return;
    try {
        if (writer_.IsOpen())
            writer_.Close();
    } catch (...) {
    }
    if (RestoreFromBackup())
        RemoveBackup();
}

TSafeSave::TTarget TSafeSave::FindTarget(const std::string& fileName)
{
    TResolved resolved = Resolve(fileName);
    TTarget target;
    target.Folder = resolved.Folder;
    target.Name = resolved.Name;
    target.Path = JoinPath(target.Folder, target.Name);
    target.FolderFd = std::move(resolved.FolderFd);
    const int folder = target.FolderFd.Get();
    const char* name = target.Name.c_str();
    struct stat seen {};
    if (::fstatat(folder, name, &seen, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            RaiseLastError();
        return target;
    }
    // Opening a pipe for writing waits for a reader, and a device cannot be replaced.
    if (!S_ISREG(seen.st_mode))
        RaiseInOutError(S_ISDIR(seen.st_mode) ? EISDIR : EACCES);  // a link too: one put here after the look
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = ::openat(folder, name, O_RDWR | flags);
    target.Readable = fd >= 0;
    if (fd < 0 && errno == EACCES)
        fd = ::openat(folder, name, O_WRONLY | flags);
    if (fd < 0)
        RaiseInOutError(errno == ELOOP ? EACCES : errno);  // a read-only file stays as it is
    target.Fd.Reset(fd);
    // The file opened must be the one looked at, and must still have the name once the other saves
    // of it have ended: a name that changes meanwhile is refused, not followed anew.
    if (::fstat(fd, &target.Old) != 0)
        RaiseLastError();
    if (!SameFile(target.Old, seen))
        RaiseInOutError(EACCES);
    LockForSave(fd);
    if (::fstatat(folder, name, &seen, AT_SYMLINK_NOFOLLOW) != 0 || ::fstat(fd, &target.Old) != 0
        || !SameFile(target.Old, seen) || target.Old.st_nlink == 0)
        throw EInOutError(InOutErrorMessage(EACCES) + ": the file was replaced while this save waited", EACCES);
    target.Exists = true;
    return target;
}

int TSafeSave::OpenContent()
{
    RemoveDeadSavesLeftIn(target_.FolderFd.Get());
    // A new file would split the links, or belong to this user instead of the file's owner.
    if (target_.Exists && (target_.Old.st_nlink > 1 || !MayGiveOwner(target_.Old)))
        return OpenInPlaceWithBackup();
    std::string name;
    int fd = CreateFileIn(target_.FolderFd.Get(), name);
    if (fd < 0 && NewFileRefused(errno) && target_.Exists)
        return OpenInPlaceWithBackup();
    if (fd < 0)
        RaiseLastError();
    method_ = name.empty() ? TMethod::UnnamedFile : TMethod::NamedFile;
    if (!name.empty())
        tempName_.Set(target_.FolderFd.Get(), std::move(name));
    content_.Reset(fd);
    int writerFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (writerFd < 0)
        RaiseLastError();
    return writerFd;
}

int TSafeSave::OpenInPlaceWithBackup()
{
    method_ = TMethod::InPlace;
    MakeBackup();
    int fd = ::fcntl(target_.Fd.Get(), F_DUPFD_CLOEXEC, 0);  // at its start: the copy read with pread
    if (fd < 0) {
        const int error = errno;
        RemoveBackup();
        RaiseInOutError(error);
    }
    return fd;
}

// A whole copy of the target's content on the disk under a name of its own that no other copy has.
// The copy has no name (or a temporary one) until it is whole, so a name ending in "~pindle-backup"
// always holds the whole old content. Only this user may read it, wherever it is.
void TSafeSave::MakeBackup()
{
    if (!target_.Readable)
        RaiseInOutError(EACCES);
    TResolved file;
    file.FolderFd.Reset(::fcntl(target_.FolderFd.Get(), F_DUPFD_CLOEXEC, 0));
    file.Folder = target_.Folder;
    file.Name = target_.Name;
    int error = EACCES;
    bool beside = true;
    for (TPlace& place : BackupPlaces(file)) {
        if (!std::exchange(beside, false)) {
            if (!OpenPlace(place, true))
                continue;
            RemoveDeadSavesLeftIn(place.FolderFd.Get());
        }
        std::string temporary;
        TDescriptor fd(CreateFileIn(place.FolderFd.Get(), temporary));
        if (!fd.IsOpen()) {
            error = errno;
            if (TryNextPlace(error))
                continue;
            RaiseInOutError(error);
        }
        TTemporaryName temporaryName;
        if (!temporary.empty())
            temporaryName.Set(place.FolderFd.Get(), temporary);
        std::string name;
        try {
            MakePrivate(fd.Get());
            CopyWhole(target_.Fd.Get(), fd.Get());
            // A name that someone else holds is passed over for one that no one can have guessed.
            unsigned n = 1;
            for (int attempt = 0; name.empty(); ++attempt) {
                std::string candidate = place.Prefix + (n == 1 ? "" : "." + std::to_string(n));
                const bool linked = temporary.empty()
                    ? LinkDescriptor(fd.Get(), place.FolderFd.Get(), candidate)
                    : ::linkat(place.FolderFd.Get(), temporary.c_str(), place.FolderFd.Get(), candidate.c_str(), 0) == 0;
                if (linked)
                    name = std::move(candidate);
                else if (errno != EEXIST || attempt == 2000)
                    RaiseLastError();
                else
                    n = n < 1000 && IsTrustedCopy(place.FolderFd.Get(), candidate) ? n + 1 : RandomNumber();
            }
        } catch (const EInOutError& e) {
            if (TryNextPlace(e.ErrorCode))
                continue;  // this place is full: the next may have room
            throw;
        }
        SyncFolder(place.FolderFd.Get());
        backup_.Path = JoinPath(place.Folder, name);
        backup_.Name = std::move(name);
        backup_.Noted = target_.Old.st_nlink > 1;
        if (backup_.Noted)
            AddNote(target_.Old, backup_.Path);
        backup_.FolderFd = std::move(place.FolderFd);
        backup_.Fd = std::move(fd);
        return;
    }
    RaiseInOutError(error);
}

void TSafeSave::RemoveBackup() noexcept
{
    if (backup_.Path.empty())
        return;
    // Only the copy itself: its name may have been given to another file meanwhile.
    struct stat named {}, copy {};
    if (::fstatat(backup_.FolderFd.Get(), backup_.Name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0
        && ::fstat(backup_.Fd.Get(), &copy) == 0 && SameFile(named, copy)) {
        ::unlinkat(backup_.FolderFd.Get(), backup_.Name.c_str(), 0);
        SyncFolder(backup_.FolderFd.Get());
    }
    if (backup_.Noted)
        RemoveNote(target_.Old, backup_.Path);
    backup_ = TBackup();
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
    return CopyAttributes(target_.Fd.Get(), fd) && ::fchmod(fd, target_.Old.st_mode & 07777) == 0;
}

void TSafeSave::NameUnnamedFile(int fd)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = TemporaryName();
        if (LinkDescriptor(fd, target_.FolderFd.Get(), name)) {
            tempName_.Set(target_.FolderFd.Get(), std::move(name));
            return;
        }
        if (errno != EEXIST)
            RaiseLastError();
    }
    RaiseInOutError(EEXIST);
}

void TSafeSave::Commit()
{
    int fd = writer_.Descriptor();
    if (fd < 0)
        RaiseInOutError(EBADF);
    if (method_ == TMethod::InPlace) {
        try {
            writer_.Sync();
            writer_.Close();
        } catch (const EInOutError& e) {
            Abandon(e);
        }
        committed_ = true;
        RemoveBackup();
        return;
    }
    writer_.Flush();
    const bool alike = MakeLikeOldFile(fd);
    writer_.Sync();
    if (method_ == TMethod::UnnamedFile)
        NameUnnamedFile(fd);
    writer_.Close();
    if (!alike) {
        CopyIntoTarget();
        return;
    }
    ReplaceTarget();
}

// Puts the new file in the target's place, as long as the name still refers to the file that was
// opened (or, for a new file, to nothing).
void TSafeSave::ReplaceTarget()
{
    const int folder = target_.FolderFd.Get();
    const char* temporary = tempName_.Name().c_str();
    const char* name = target_.Name.c_str();
    if (!target_.Exists) {
        if (::renameat2(folder, temporary, folder, name, RENAME_NOREPLACE) != 0) {
            if (errno != EINVAL && errno != ENOSYS)
                RaiseInOutError(errno == EEXIST ? EACCES : errno);  // someone put a file there meanwhile
            if (::renameat(folder, temporary, folder, name) != 0)
                RaiseLastError();
        }
        tempName_.Release();
    } else if (::renameat2(folder, temporary, folder, name, RENAME_EXCHANGE) == 0) {
        // The two names swapped: the old file is under the temporary name now, unless the name
        // had been given to another file, which then goes back.
        struct stat now {};
        if (::fstatat(folder, temporary, &now, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(now, target_.Old)) {
            (void)::renameat2(folder, temporary, folder, name, RENAME_EXCHANGE);
            RaiseInOutError(EACCES);
        }
        ::unlinkat(folder, temporary, 0);
        tempName_.Release();
        target_.Fd.ResetInBackground();  // the old file's last reference
    } else if (errno == EINVAL || errno == ENOSYS) {
        struct stat now {};  // a file system that cannot swap: the name is checked just before
        if (::fstatat(folder, name, &now, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(now, target_.Old))
            RaiseInOutError(EACCES);
        if (::renameat(folder, temporary, folder, name) != 0) {
            if (!NewFileRefused(errno))
                RaiseLastError();
            CopyIntoTarget();
            return;
        }
        tempName_.Release();
    } else {
        // A sticky folder (such as /tmp) takes new files but lets no one else replace the owner's
        // file, even a writable one: then the content is copied into it.
        if (!NewFileRefused(errno))
            RaiseLastError();
        CopyIntoTarget();
        return;
    }
    committed_ = true;
    SyncFolder(folder);
}

// The new content, whole in its own file, goes into the target itself while a copy keeps the old
// content; the temporary name goes with tempName_.
void TSafeSave::CopyIntoTarget()
{
    method_ = TMethod::InPlace;
    MakeBackup();
    try {
        CopyWhole(content_.Get(), target_.Fd.Get());
    } catch (const EInOutError& e) {
        Abandon(e);
    }
    committed_ = true;
    RemoveBackup();
}

void TSafeSave::Abandon(const EInOutError& failure)
{
    if (committed_ || backup_.Path.empty())
        throw failure;
    try {
        if (writer_.IsOpen())
            writer_.Close();
    } catch (...) {
    }
    if (RestoreFromBackup()) {
        RemoveBackup();
        throw failure;
    }
    const std::string kept = backup_.Path;
    backup_ = TBackup();  // it stays for the user
    throw EInOutError(failure.Message() + ". The file's old content could not be put back; it is kept in " + kept,
                      failure.ErrorCode);
}

bool TSafeSave::RestoreFromBackup() noexcept
{
    try {
        CopyWhole(backup_.Fd.Get(), target_.Fd.Get());
        return true;
    } catch (...) {
        return false;  // the copy stays, and the next Open names it
    }
}

std::vector<std::string> OldCopiesOf(const std::string& fileName)
{
    std::vector<std::string> copies;
    TResolved file;
    try {
        file = Resolve(fileName);
    } catch (const EInOutError&) {
        return copies;
    }
    for (TPlace& place : BackupPlaces(file)) {
        if (!OpenPlace(place, false))
            continue;
        const int folder = place.FolderFd.Get();
        std::vector<std::string> names = NamesIn(folder, [&](std::string_view name) {
            return IsBackupName(std::string(name), place.Prefix) && IsTrustedCopy(folder, std::string(name));
        });
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        });
        for (const std::string& name : names)
            copies.push_back(JoinPath(place.Folder, name));
    }
    // Copies made through the file's other links.
    struct stat info {};
    TPlace state;
    if (::fstatat(file.FolderFd.Get(), file.Name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || info.st_nlink < 2
        || !OpenStateFolder(state, false))
        return copies;
    const std::string prefix = NotePrefix(info);
    const int folder = state.FolderFd.Get();
    for (const std::string& note : NamesIn(folder, [&](std::string_view name) { return name.substr(0, prefix.size()) == prefix; })) {
        std::string copy(PATH_MAX + 1, '\0');
        const ssize_t length = ::readlinkat(folder, note.c_str(), copy.data(), copy.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= copy.size())
            continue;
        copy.resize(static_cast<std::size_t>(length));
        struct stat copyInfo {};
        if (::lstat(copy.c_str(), &copyInfo) != 0 && errno == ENOENT)
            (void)::unlinkat(folder, note.c_str(), 0);  // the user has removed the copy
        else if (IsTrustedCopy(AT_FDCWD, copy) && std::find(copies.begin(), copies.end(), copy) == copies.end())
            copies.push_back(std::move(copy));
    }
    return copies;
}

}  // namespace pindle
