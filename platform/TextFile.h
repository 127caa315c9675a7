// Text files as the program reads and writes them: 8-bit lines, written with CR LF, read with
// CR LF, CR or LF as line ends. Every failure raises EInOutError with the user's message.
#pragma once

#include <cstddef>
#include <cstdint>
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
    void WriteLine(std::string_view line);  // the line, then CR LF
    void Write(std::string_view text);      // bytes as they are
    void Flush();
    void Sync();   // flushes and asks the system to put the bytes on the disk
    void Close();  // flushes and closes
    [[nodiscard]] bool IsOpen() const noexcept { return fd_ >= 0; }
    [[nodiscard]] const std::string& FileName() const noexcept { return fileName_; }
    [[nodiscard]] int Descriptor() const noexcept { return fd_; }

private:
    void WriteOut(const char* data, std::size_t size);

    int fd_ = -1;
    std::string fileName_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
};

// A save that replaces a file only once the new content is whole and on the disk. The content is
// written into a file without a name in the target's folder (or, where the file system has none, a
// hidden file there), private to the owner while it grows; Commit gives it the old file's mode and
// owner, or the umask's mode for a new file, names it and renames it over the target. A save that
// fails or is never committed leaves nothing behind. Nor does a program killed while saving, except
// with the hidden file, or in the instant between naming the content and the rename. A symbolic
// link is followed, so that the link stays a link.
//
// Only where the folder takes no new file, or lets the target not be replaced (another user's file
// in a sticky folder), but the target itself is writable, is the target emptied and written in
// place: that is the one case in which a failure or a crash loses the old content.
class TSafeSave {
public:
    enum class TMethod : std::uint8_t { UnnamedFile, NamedFile, InPlace };

    // Refuses anything but a regular file before opening it, so that a pipe cannot block the open.
    explicit TSafeSave(const std::string& fileName);
    ~TSafeSave() = default;  // an uncommitted save leaves the target and the folder as they were
    TSafeSave(const TSafeSave&) = delete;
    TSafeSave& operator=(const TSafeSave&) = delete;

    [[nodiscard]] TTextWriter& Writer() noexcept { return writer_; }
    [[nodiscard]] TMethod Method() const noexcept { return method_; }
    void Commit();

private:
    struct TTarget {
        std::string Path;    // the file that is replaced, links resolved
        std::string Folder;
        bool Exists = false;
        struct stat Old {};
    };
    static TTarget FindTarget(const std::string& fileName);

    // A name in the folder that is removed with its owner unless released.
    class TTemporaryName {
    public:
        TTemporaryName() = default;
        ~TTemporaryName();
        TTemporaryName(const TTemporaryName&) = delete;
        TTemporaryName& operator=(const TTemporaryName&) = delete;
        void Set(std::string path) { path_ = std::move(path); }
        void Release() noexcept { path_.clear(); }
        [[nodiscard]] const std::string& Path() const noexcept { return path_; }

    private:
        std::string path_;
    };

    int OpenContent();  // the descriptor the content goes to; sets method_, and tempName_ for a named file
    void SetOwnerAndMode(int fd) const;
    void NameUnnamedFile(int fd);
    void CopyIntoTarget() const;

    TTarget target_;
    TMethod method_ = TMethod::UnnamedFile;
    TTemporaryName tempName_;  // declared before the writer, so the file is closed before it is removed
    TTextWriter writer_;
};

// A regular file open for reading through a large buffer. Ctrl-Z and NUL are ordinary bytes.
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
    void Close();
    [[nodiscard]] bool IsOpen() const noexcept { return fd_ >= 0; }
    [[nodiscard]] long long FileSize() const noexcept { return fileSize_; }

private:
    bool Fill();  // reads more bytes; false at the end of the file
    void SkipPendingLineFeed();

    int fd_ = -1;
    long long fileSize_ = 0;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;  // first unread byte in buffer_
    std::size_t end_ = 0;    // one past the last valid byte
    bool atEnd_ = false;
    bool pendingLineFeed_ = false;  // a CR ended the last line: a LF right after it belongs to it
    std::string carry_;  // a line that crossed the end of the buffer
};

}  // namespace pindle
