// The file and folder work that the safe save stands on: names followed as the kernel follows links
// with its protection on, new files and their attributes, the places, notes and names of copies of old
// content, and the lock that keeps saves of one file apart. For platform/SafeSave.cpp alone.
#pragma once

#include "platform/TextFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace pindle::safesave {

using TDescriptor = TSafeSave::TDescriptor;

inline constexpr const char* TemporaryPrefix = ".pindle-save-";
inline constexpr const char* BackupSuffix = "~pindle-backup";

[[noreturn]] void RaiseLastError();

std::string JoinPath(const std::string& folder, const std::string& name);

bool SameFile(const struct stat& a, const struct stat& b);

// Where a name leads: its folder, open, with the folder's real path, and the last part of the name,
// which may not exist. Links are followed part by part as the system follows them, a dangling one to
// the file it names; nothing is looked up by a path that another user could change in between.
struct TResolved {
    TDescriptor FolderFd;
    std::string Folder;
    std::string Name;
};

TResolved Resolve(const std::string& fileName);

std::string TemporaryName();

// The names in a folder that pass the test, in no order; none where the folder cannot be read.
template <typename TTest>
std::vector<std::string> NamesIn(int folderFd, TTest test)
{
    std::vector<std::string> names;
    int listing = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (dir == nullptr) {
        if (listing >= 0)
            ::close(listing);
        return names;
    }
    while (const dirent* entry = ::readdir(dir))
        if (test(std::string_view(entry->d_name)))
            names.emplace_back(entry->d_name);
    ::closedir(dir);
    return names;
}

// Removes what saves of this user that were killed left in the folder: `.pindle-save-PID-N.tmp`
// whose process is gone. Another user's files, and those of a process that lives, stay.
void RemoveDeadSavesLeftIn(int folderFd);

// The folder's permissions (or its immutable flag, or a read-only mount) refuse a new file.
bool NewFileRefused(int error);

// A file without a name in the folder, or where there are none a hidden named one (its name in
// `name`); -1 with errno set when neither can be made.
int CreateFileIn(int folderFd, std::string& name);

// Gives an open file a name in the folder; false with errno set when it cannot have that one.
bool LinkDescriptor(int fd, int folderFd, const std::string& name);

// The process's umask, read without changing it where the system tells it.
mode_t CurrentUmask();

// Whether this process may give a new file the owner and group of the old one: its own, a group it
// belongs to, or any with CAP_CHOWN. When the system does not say, the attempt at Commit decides.
bool MayGiveOwner(const struct stat& old);

// Makes a new or removed name durable; a folder that cannot be synced costs nothing but that.
void SyncFolder(int folderFd);

// Gives the new file exactly the old file's extended attributes: the old ones copied, and those the
// new file got on its own (an ACL inherited from the folder's default) removed, so that the mode set
// afterwards cannot open the file to anyone the old one was closed to.
bool CopyAttributes(int oldFd, int fd);

// Makes a new file readable by its owner alone, whatever ACL its folder hands down.
void MakePrivate(int fd);

// Copies the whole of one file into another from their beginnings, whatever either descriptor's
// position; the other file is emptied first.
void CopyWhole(int from, int to);

// A place where copies of a file's old content are kept: a folder, open, and the beginning of the
// copies' names.
struct TPlace {
    std::string Folder;
    TDescriptor FolderFd;
    std::string Prefix;
};

// Where the copies of a file are kept, in the order they are tried: beside the file, the user's state
// folder, then the shared folder. Only the first is open; the others open with OpenPlace.
std::vector<TPlace> BackupPlaces(const TResolved& file);

// Opens a place's folder, making the state folder first when asked to; false when it cannot be
// opened, or when the state folder is not this user's.
bool OpenPlace(TPlace& place, bool create);

// A note in the state folder ties a copy to its file's device and inode, so that a copy made through
// one of the file's links is found through the others too: a symbolic link, named for the file and
// the copy, that leads to the copy.
std::string NotePrefix(const struct stat& file);

bool OpenStateFolder(TPlace& state, bool create);

void AddNote(const struct stat& file, const std::string& copy);

void RemoveNote(const struct stat& file, const std::string& copy);

// "PREFIX" or "PREFIX.N" for a number N.
bool IsBackupName(const std::string& name, const std::string& prefix);

// A copy that this user or root made: a regular file of theirs. Anyone may put a file of a copy's
// name in a folder that they may write to.
bool IsTrustedCopy(int folderFd, const std::string& name);

// Failures of a place for copies after which the next place is tried.
bool TryNextPlace(int error);

// A number for a copy's name that no one can have taken in advance.
unsigned RandomNumber();

// Waits for the other saves of the file to end, then holds them off until this one ends: a lock on
// the whole file that goes with the last descriptor of this open.
void LockForSave(int fd);

}  // namespace pindle::safesave
