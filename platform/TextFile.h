// Text files as the program reads and writes them: 8-bit lines, written with CR LF, read with
// CR LF, CR or LF as line ends. Every failure raises EInOutError with the user's message.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
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

private:
    void WriteOut(const char* data, std::size_t size);

    int fd_ = -1;
    std::string fileName_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
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
