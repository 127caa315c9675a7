// Text files as the program reads and writes them: 8-bit lines, written with CR LF, read with
// CR LF, CR or LF as line ends. Every failure raises EInOutError with the user's message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "platform/Exceptions.h"

namespace pindle {

// The message shown for an operating-system error number (errno); "I/O error N" for the rest.
[[nodiscard]] std::string InOutErrorMessage(int errorCode);
[[noreturn]] void RaiseInOutError(int errorCode);
// Reading past the last line: "Read beyond end of file", error code 0 (no system error).
[[noreturn]] void RaiseReadBeyondEnd();

// A file open for writing through a large buffer. Not copyable: it owns its descriptor.
class TTextWriter {
public:
    static constexpr std::size_t BufferSize = std::size_t{1} << 20;

    TTextWriter() = default;
    // Creates the file or empties it. A pipe that nobody reads is refused instead of waited for.
    explicit TTextWriter(const std::string& fileName);
    // Takes an open descriptor over; it is closed even when the constructor fails.
    TTextWriter(int fileDescriptor, std::string fileName);
    ~TTextWriter();  // closes without reporting; call Close() to learn of failures
    TTextWriter(const TTextWriter&) = delete;
    TTextWriter& operator=(const TTextWriter&) = delete;

    void Rewrite(const std::string& fileName);
    // The line, then CR LF; inline for the common case of a line that fits the buffer, which a save
    // meets once per line.
    void WriteLine(std::string_view line)
    {
        if (fd_ >= 0 && line.size() + 2 <= buffer_.size() - used_) {
            char* out = buffer_.data() + used_;
            std::memcpy(out, line.data(), line.size());
            out[line.size()] = '\r';
            out[line.size() + 1] = '\n';
            used_ += line.size() + 2;
            return;
        }
        WriteLineOut(line);
    }
    void Write(std::string_view text);      // bytes as they are
    void Flush();
    void Sync();   // flushes and asks the system to put the bytes on the disk
    // For a file that will be synced: every buffer handed to the system is sent on to the disk at
    // once, while the next one fills, so that the Sync at the end waits for little more than the
    // last one instead of for the whole file.
    void WriteBackEarly() noexcept { writeBack_ = true; }
    void Close();  // flushes and closes
    [[nodiscard]] bool IsOpen() const noexcept { return fd_ >= 0; }
    [[nodiscard]] const std::string& FileName() const noexcept { return fileName_; }
    [[nodiscard]] int Descriptor() const noexcept { return fd_; }

private:
    void WriteOut(const char* data, std::size_t size);
    void WriteLineOut(std::string_view line);

    int fd_ = -1;
    std::string fileName_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
    bool writeBack_ = false;
};

// A save that keeps what the file is, and that no other user of a shared folder can turn against
// its user. The name is followed through its symbolic links as the system does with its protection
// on: a link in a sticky, world-writable folder (such as /tmp) is followed only when it belongs to
// this user or to the folder's owner, otherwise the save is refused with "File access denied". The
// file found is opened once, without following a link at the last step, and checked to be a regular
// file; everything after that (the copy of the old content, the rewrite, the putting back, the
// owner, mode and attributes) is done through that one descriptor, and the rename replaces the
// name only while it still refers to that file. An existing file is locked (an open-file-description
// lock) for the whole save; a second save of it waits briefly and is then refused.
//
// Where the new content can become the old file in full (the file has one link, its owner and group
// can be given to a new file, and so can its extended attributes and ACL), the content is written into
// a file without a name in the target's folder (or, where the file system has none, a hidden
// `.pindle-save-PID-N.tmp` there), private to the owner while it grows; Commit gives it the old file's
// owner, attributes and mode, or the umask's mode for a new file, names it and puts it in the target's
// place. A save that fails or is never committed leaves nothing behind; a name left by a killed save
// carries the dead process's id and is removed by the next save in that folder.
//
// Otherwise (more links, another owner, attributes that cannot be copied, a folder that takes no
// new file or refuses the rename) the target is written in place, and a whole copy of its old content
// is on the disk first, readable by this user alone, beside it as `NAME~pindle-backup` (or, where the
// folder takes no new file or is full, in the user's state folder, else in /var/tmp). The copy goes
// once the new content is on the disk; a failed save puts the old content back, and when even that
// fails, its error names the copy. After a crash the copy is where the old content is whole:
// OldCopiesOf names it. A file that this user cannot read cannot be copied, and is not saved in place.
class TSafeSave {
public:
    enum class TMethod : std::uint8_t { UnnamedFile, NamedFile, InPlace };

    // Refuses anything but a regular file before opening it, so that a pipe cannot block the open.
    explicit TSafeSave(const std::string& fileName);
    ~TSafeSave();  // an uncommitted save leaves the target as it was
    TSafeSave(const TSafeSave&) = delete;
    TSafeSave& operator=(const TSafeSave&) = delete;

    [[nodiscard]] TTextWriter& Writer() noexcept { return writer_; }
    [[nodiscard]] TMethod Method() const noexcept { return method_; }
    void Commit();
    // Ends a save whose writing failed: puts the old content back and raises the failure again, with
    // the place of the copy that keeps the old content added when it could not be put back.
    [[noreturn]] void Abandon(const EInOutError& failure);

    // A descriptor that closes itself.
    class TDescriptor {
    public:
        TDescriptor() = default;
        explicit TDescriptor(int fd) noexcept : fd_(fd) {}
        ~TDescriptor() { Reset(); }
        TDescriptor(TDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
        TDescriptor& operator=(TDescriptor&& other) noexcept
        {
            if (this != &other) {
                Reset();
                fd_ = std::exchange(other.fd_, -1);
            }
            return *this;
        }
        void Reset(int fd = -1) noexcept;
        // Closes the descriptor on a thread of its own: the last close of a replaced file gives its
        // cached pages back, which for a large file takes milliseconds the save need not wait for.
        void ResetInBackground() noexcept;
        [[nodiscard]] int Get() const noexcept { return fd_; }
        [[nodiscard]] bool IsOpen() const noexcept { return fd_ >= 0; }

    private:
        int fd_ = -1;
    };

private:
    struct TTarget {
        std::string Path;    // the file that is replaced, by its real path: no links, "." or ".."
        std::string Folder;  // the real path of its folder
        std::string Name;    // its name in the folder
        TDescriptor FolderFd;
        TDescriptor Fd;      // the file itself, open for writing (and reading, where it may be read)
        bool Readable = false;
        bool Exists = false;
        struct stat Old {};
    };
    static TTarget FindTarget(const std::string& fileName);

    // A name in a folder that is removed with its owner unless released.
    class TTemporaryName {
    public:
        TTemporaryName() = default;
        ~TTemporaryName();
        TTemporaryName(const TTemporaryName&) = delete;
        TTemporaryName& operator=(const TTemporaryName&) = delete;
        void Set(int folderFd, std::string name)
        {
            folderFd_ = folderFd;
            name_ = std::move(name);
        }
        void Release() noexcept { name_.clear(); }
        [[nodiscard]] const std::string& Name() const noexcept { return name_; }

    private:
        int folderFd_ = -1;
        std::string name_;
    };

    // The copy of the old content while the target is written in place.
    struct TBackup {
        std::string Path;  // empty when there is none
        std::string Name;
        TDescriptor FolderFd;
        TDescriptor Fd;
        bool Noted = false;  // a note in the state folder finds it through the file's other links
    };

    int OpenContent();  // the descriptor the content goes to; sets method_, and tempName_ for a named file
    int OpenInPlaceWithBackup();
    void MakeBackup();
    void RemoveBackup() noexcept;
    [[nodiscard]] bool MakeLikeOldFile(int fd) const;  // false when the new file cannot be what the old was
    void NameUnnamedFile(int fd);
    void ReplaceTarget();
    void CopyIntoTarget();
    [[nodiscard]] bool RestoreFromBackup() noexcept;

    TTarget target_;
    TMethod method_ = TMethod::UnnamedFile;
    bool committed_ = false;
    TBackup backup_;
    TDescriptor content_;      // the new content's file, kept to read it back into the target
    TTemporaryName tempName_;  // declared before the writer, so the file is closed before it is removed
    TTextWriter writer_;
};

// Copies of the file's old content that saves which did not finish left, oldest name first: those
// made by this user or by root, found by the file's real path whichever name it is given by.
[[nodiscard]] std::vector<std::string> OldCopiesOf(const std::string& fileName);

// A regular file open for reading through a large buffer. Ctrl-Z and NUL are ordinary bytes. It reads
// as far as the size the file had when it was opened: a file that grows meanwhile reads as it was. A
// file of size 0 (such as those of /proc, which tell no size) is read to its end.
class TTextReader {
public:
    static constexpr std::size_t BufferSize = std::size_t{1} << 20;

    TTextReader() = default;
    explicit TTextReader(const std::string& fileName);  // opens for reading
    ~TTextReader();
    TTextReader(const TTextReader&) = delete;
    TTextReader& operator=(const TTextReader&) = delete;

    void Reset(const std::string& fileName);
    [[nodiscard]] bool Eof();  // true when no further line can be read
    // The next line without its line end; at the end of the file raises "Read beyond end of file".
    std::string ReadLine();
    // The next line as a view that stays valid until the next call; false at the end of the file.
    bool NextLine(std::string_view& line);
    // The same, telling on the way whether every byte of the line is ASCII and none is the watched
    // byte (SetWatchedByte): a reader of many lines can then skip its own look at most of them.
    // plain is false for some lines that are, never the other way round.
    bool NextLine(std::string_view& line, bool& plain);
    void SetWatchedByte(char watched) noexcept { watched_ = watched; }
    void Close();
    [[nodiscard]] bool IsOpen() const noexcept { return fd_ >= 0; }
    [[nodiscard]] long long FileSize() const noexcept { return fileSize_; }

private:
    bool Fill();  // reads more bytes; false at the end of the file
    void SkipPendingLineFeed();
    void StopReadingAhead() noexcept;

    int fd_ = -1;
    long long fileSize_ = 0;
    long long unread_ = 0;  // bytes left up to the size the file had when it was opened
    // Uninitialised: only what a read put there is looked at, and a page no read reached costs no
    // memory.
    std::unique_ptr<char[]> buffer_;
    std::size_t bufferSize_ = 0;
    // A large file is read ahead on a thread of its own, half a buffer at a time into a second
    // buffer, while the lines of the first are taken apart.
    struct TReadAhead;
    std::unique_ptr<TReadAhead> ahead_;
    std::size_t begin_ = 0;  // first unread byte in buffer_
    std::size_t end_ = 0;    // one past the last valid byte
    bool atEnd_ = false;
    bool pendingLineFeed_ = false;  // a CR ended the last line: a LF right after it belongs to it
    char watched_ = 0;
    std::string carry_;  // a line that crossed the end of the buffer
};

}  // namespace pindle
