#include "platform/TextFile.h"

#include "platform/HugePages.h"

#include <algorithm>
#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cerrno>
#include <cstdint>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace pindle {

std::string InOutErrorMessage(int errorCode)
{
    switch (errorCode) {
    case ENOENT:
        return "File not found";
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ETXTBSY:    // a program that is running
    case ENXIO:      // a pipe nobody reads, a device without its driver
    case ENODEV:
    case EBUSY:      // a mount point
    case EXDEV:
    case EOVERFLOW:  // a file too large to open
    case EOPNOTSUPP:
    case EEXIST:
    case EMLINK:
    case EWOULDBLOCK:  // another program holds a lease on the file
        return "File access denied";
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP:      // symbolic links that lead round in a circle
    case EILSEQ:     // a name the file system cannot store
        return "Invalid filename";
    case EMFILE:
    case ENFILE:
        return "Too many open files";
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        return "Disk full";
    default:
        return "I/O error " + std::to_string(errorCode);
    }
}

void RaiseInOutError(int errorCode) { throw EInOutError(InOutErrorMessage(errorCode), errorCode); }

void RaiseReadBeyondEnd() { throw EInOutError("Read beyond end of file", 0); }

namespace {

// An empty name or one with a NUL byte can name no file.
void CheckFileName(const std::string& fileName)
{
    if (fileName.empty() || fileName.find('\0') != std::string::npos)
        RaiseInOutError(fileName.empty() ? ENOENT : EINVAL);
}

}  // namespace

TTextWriter::TTextWriter(const std::string& fileName) { Rewrite(fileName); }

TTextWriter::TTextWriter(int fileDescriptor, std::string fileName) : fileName_(std::move(fileName))
{
    // The destructor does not run for a half-built writer: close the descriptor here if the buffer
    // cannot be had, so that it is closed on every path.
    try {
        buffer_.resize(BufferSize);
    } catch (...) {
        ::close(fileDescriptor);
        throw;
    }
    fd_ = fileDescriptor;
}

TTextWriter::~TTextWriter()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void TTextWriter::Rewrite(const std::string& fileName)
{
    if (fd_ >= 0)
        Close();
    CheckFileName(fileName);
    int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0)
        RaiseInOutError(errno);
    // Only the open must not wait; a pipe or device that is open is written as usual.
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        int error = errno;
        ::close(fd);
        RaiseInOutError(error);
    }
    fd_ = fd;
    fileName_ = fileName;
    buffer_.resize(BufferSize);
    used_ = 0;
}

void TTextWriter::WriteOut(const char* data, std::size_t size)
{
    const std::size_t total = size;
    while (size > 0) {
        ssize_t written = ::write(fd_, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            RaiseInOutError(errno);
        }
        if (written == 0)
            RaiseInOutError(ENOSPC);
        data += written;
        size -= static_cast<std::size_t>(written);
    }
#if defined(__linux__)
    // Only a start: the Sync that follows is what makes sure. Where the file has no such thing (a
    // pipe, a device), it is refused and nothing changes.
    if (const off_t end = writeBack_ ? ::lseek(fd_, 0, SEEK_CUR) : -1; end >= static_cast<off_t>(total))
        (void)::sync_file_range(fd_, end - static_cast<off_t>(total), static_cast<off_t>(total), SYNC_FILE_RANGE_WRITE);
#endif
}

void TTextWriter::Write(std::string_view text)
{
    if (fd_ < 0)
        RaiseInOutError(EBADF);
    if (text.size() > buffer_.size() - used_) {
        Flush();
        if (text.size() >= buffer_.size()) {
            WriteOut(text.data(), text.size());
            return;
        }
    }
    std::memcpy(buffer_.data() + used_, text.data(), text.size());
    used_ += text.size();
}

void TTextWriter::WriteLineOut(std::string_view line)
{
    Write(line);
    Write("\r\n");
}

void TTextWriter::Flush()
{
    if (fd_ < 0)
        RaiseInOutError(EBADF);
    std::size_t pending = std::exchange(used_, 0);
    WriteOut(buffer_.data(), pending);
}

void TTextWriter::Sync()
{
    Flush();
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS)  // devices and pipes cannot sync
        RaiseInOutError(errno);
}

void TTextWriter::Close()
{
    if (fd_ < 0)
        RaiseInOutError(EBADF);
    try {
        Flush();
    } catch (...) {
        ::close(std::exchange(fd_, -1));
        throw;
    }
    if (::close(std::exchange(fd_, -1)) != 0 && errno != EINTR)
        RaiseInOutError(errno);
}

namespace {

// Whether a byte is beyond ASCII or is the watched byte.
bool IsOdd(char c, char watched) noexcept
{
    return static_cast<unsigned char>(c) >= 0x80 || c == watched;
}

// The first CR or LF in [start, limit), or limit; plain stays true only while every byte before it
// is ASCII and none is the watched byte. Eight bytes at a time: a byte equal to CR or LF becomes zero
// after the XOR, and the classic zero-byte test finds it. The test marks the lowest such byte exactly
// (only bytes above it can be marked wrongly), so on a little-endian machine the lowest mark is the
// line end itself; the bytes before it in that word are then looked at one by one.
const char* FindLineEnd(const char* start, const char* limit, char watched, bool& plain)
{
    constexpr std::uint64_t Ones = 0x0101010101010101ULL;
    constexpr std::uint64_t Highs = 0x8080808080808080ULL;
    const char* p = start;
    const auto checkBefore = [&](const char* end) {
        for (const char* q = p; plain && q != end; ++q)
            plain = !IsOdd(*q, watched);
        return end;
    };
#if defined(__SSE2__)
    // Sixteen bytes at a time where the processor has the instructions for it (every x86-64 does).
    const __m128i cr16 = _mm_set1_epi8('\r');
    const __m128i lf16 = _mm_set1_epi8('\n');
    const __m128i watched16 = _mm_set1_epi8(watched);
    while (limit - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(bytes, cr16), _mm_cmpeq_epi8(bytes, lf16));
        const auto odd = static_cast<unsigned>(_mm_movemask_epi8(bytes) | _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, watched16)));
        if (const int mask = _mm_movemask_epi8(ends)) {
            const int at = std::countr_zero(static_cast<unsigned>(mask));
            if ((odd & ((1u << at) - 1)) != 0)
                plain = false;
            return p + at;
        }
        if (odd != 0)
            plain = false;
        p += 16;
    }
#endif
    while (limit - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        std::uint64_t cr = word ^ (Ones * '\r');
        std::uint64_t lf = word ^ (Ones * '\n');
        if (std::uint64_t marks = (((cr - Ones) & ~cr) | ((lf - Ones) & ~lf)) & Highs) {
            if constexpr (std::endian::native == std::endian::little)
                return checkBefore(p + std::countr_zero(marks) / 8);
            break;
        }
        const std::uint64_t mark = word ^ (Ones * static_cast<unsigned char>(watched));
        if (((word | ((mark - Ones) & ~mark)) & Highs) != 0)
            plain = false;
        p += 8;
    }
    const char* end = p;
    while (end != limit && *end != '\r' && *end != '\n')
        ++end;
    return checkBefore(end);
}

constexpr long long UnsizedFileLimit = 1LL << 30;

}  // namespace

// The read-ahead thread: reads what it is asked for into the spare buffer and says how it went.
struct TTextReader::TReadAhead {
    std::unique_ptr<char[]> Spare;
    std::thread Thread;
    std::mutex Mutex;
    std::condition_variable Changed;
    int Fd = -1;
    std::size_t Wanted = 0;  // a request: this many bytes into Spare
    bool Asked = false;     // set by the reader, taken by the thread
    bool Pending = false;   // asked and not yet taken back by the reader
    bool Answered = false;  // set by the thread when the bytes are there
    bool Quit = false;
    ssize_t Got = 0;
    int Error = 0;

    void Run()
    {
        std::unique_lock lock(Mutex);
        for (;;) {
            Changed.wait(lock, [this] { return Quit || Asked; });
            if (Quit)
                return;
            Asked = false;
            const std::size_t wanted = Wanted;
            lock.unlock();
            ssize_t got;
            do
                got = ::read(Fd, Spare.get(), wanted);
            while (got < 0 && errno == EINTR);
            const int error = got < 0 ? errno : 0;
            lock.lock();
            Got = got;
            Error = error;
            Answered = true;
            Changed.notify_all();
        }
    }
};

TTextReader::TTextReader(const std::string& fileName) { Reset(fileName); }

TTextReader::~TTextReader()
{
    StopReadingAhead();
    if (fd_ >= 0)
        ::close(fd_);
}

void TTextReader::StopReadingAhead() noexcept
{
    if (!ahead_)
        return;
    {
        std::lock_guard lock(ahead_->Mutex);
        ahead_->Quit = true;
    }
    ahead_->Changed.notify_all();
    if (ahead_->Thread.joinable())
        ahead_->Thread.join();
    ahead_.reset();
}

void TTextReader::Reset(const std::string& fileName)
{
    if (fd_ >= 0)
        Close();
    CheckFileName(fileName);
    // Non-blocking, so that a FIFO given by name cannot hang the open; only regular files are read.
    int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        RaiseInOutError(errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        int error = errno;
        ::close(fd);
        RaiseInOutError(error);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        RaiseInOutError(S_ISDIR(info.st_mode) ? EISDIR : EACCES);
    }
    fd_ = fd;
    fileSize_ = static_cast<long long>(info.st_size);
    // A file that tells no size (those of /proc) is read to its end, as far as a gigabyte.
    unread_ = fileSize_ > 0 ? fileSize_ : UnsizedFileLimit;
    // A small file needs no large buffer.
    std::size_t wanted = static_cast<std::size_t>(std::min<long long>(fileSize_ + 1, BufferSize));
    bufferSize_ = std::max<std::size_t>(wanted, 4096);
    buffer_ = std::make_unique_for_overwrite<char[]>(bufferSize_);
    // A file of more than two buffers is read ahead, each read half a buffer, so that the two
    // buffers together take no more memory than one.
    if (fileSize_ > static_cast<long long>(2 * BufferSize)) {
        try {
            auto ahead = std::make_unique<TReadAhead>();
            ahead->Spare = std::make_unique_for_overwrite<char[]>(bufferSize_);
            ahead->Fd = fd_;
            ahead->Thread = std::thread([raw = ahead.get()] { raw->Run(); });
            ahead_ = std::move(ahead);
        } catch (const std::exception&) {
            // no thread or no memory for it: every read is made when its bytes are needed
        }
    }
    begin_ = end_ = 0;
    atEnd_ = false;
    pendingLineFeed_ = false;
    carry_.clear();
}

bool TTextReader::Fill()
{
    if (atEnd_)
        return false;
    if (begin_ == end_)
        begin_ = end_ = 0;
    // Another program may keep appending: what came after the open is not read, or it never ends.
    if (unread_ <= 0) {
        atEnd_ = true;
        return false;
    }
    if (ahead_ && end_ == 0) {
        // The bytes asked for ahead (the first time: asked for now), into the spare buffer, which
        // becomes the buffer; then the next ones are asked for.
        TReadAhead& ahead = *ahead_;
        std::unique_lock lock(ahead.Mutex);
        const auto askForMore = [&] {
            ahead.Wanted = static_cast<std::size_t>(std::min<long long>(unread_, static_cast<long long>(bufferSize_ / 2)));
            ahead.Asked = ahead.Pending = true;
            ahead.Changed.notify_all();
        };
        if (!ahead.Pending)
            askForMore();
        ahead.Changed.wait(lock, [&] { return ahead.Answered; });
        ahead.Answered = ahead.Pending = false;
        if (ahead.Got < 0)
            RaiseInOutError(ahead.Error);
        if (ahead.Got == 0) {
            atEnd_ = true;
            return false;
        }
        buffer_.swap(ahead.Spare);
        end_ = static_cast<std::size_t>(ahead.Got);
        unread_ -= ahead.Got;
        if (unread_ > 0)
            askForMore();
        return true;
    }
    const std::size_t wanted = static_cast<std::size_t>(std::min<long long>(unread_, static_cast<long long>(bufferSize_ - end_)));
    for (;;) {
        ssize_t got = ::read(fd_, buffer_.get() + end_, wanted);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            RaiseInOutError(errno);
        }
        if (got == 0) {
            atEnd_ = true;
            return false;
        }
        end_ += static_cast<std::size_t>(got);
        unread_ -= got;
        return true;
    }
}

void TTextReader::SkipPendingLineFeed()
{
    if (!pendingLineFeed_)
        return;
    if (begin_ == end_ && !Fill())
        return;
    pendingLineFeed_ = false;
    if (buffer_[begin_] == '\n')
        ++begin_;
}

bool TTextReader::Eof()
{
    if (fd_ < 0)
        RaiseInOutError(EBADF);
    SkipPendingLineFeed();
    return begin_ == end_ && !Fill();
}

bool TTextReader::NextLine(std::string_view& line)
{
    bool plain = true;
    return NextLine(line, plain);
}

bool TTextReader::NextLine(std::string_view& line, bool& plain)
{
    if (Eof())
        return false;
    carry_.clear();
    bool carrying = false;
    plain = true;
    for (;;) {
        const char* start = buffer_.get() + begin_;
        std::size_t available = end_ - begin_;
        const char* limit = start + available;
        const char* stop = FindLineEnd(start, limit, watched_, plain);
        std::size_t length = static_cast<std::size_t>(stop - start);
        if (stop != limit) {
            begin_ += length + 1;
            if (*stop == '\r')
                pendingLineFeed_ = true;
            if (carrying) {
                carry_.append(start, length);
                line = carry_;
            } else {
                line = std::string_view(start, length);
            }
            return true;
        }
        // No line end in the buffer: keep what is there and read on.
        if (carry_.size() + length >= bufferSize_ && carry_.capacity() - carry_.size() < length + bufferSize_) {
            // A line longer than the buffer: room for the rest of the file (up to a limit) at once,
            // in huge pages, rather than a copy and a page fault for every 4 KiB at each doubling.
            constexpr long long ahead = 256LL << 20;
            const std::size_t want = std::max(carry_.size() * 2, carry_.size() + length + static_cast<std::size_t>(std::min(unread_, ahead)));
            std::string grown;
            grown.reserve(want);
            AdviseHugePages(grown.data(), grown.capacity());
            grown.append(carry_);
            carry_.swap(grown);
        }
        carry_.append(start, length);
        carrying = true;
        plain = false;  // not worth the bookkeeping across buffers
        begin_ = end_ = 0;
        if (!Fill()) {
            line = carry_;
            return true;
        }
    }
}

std::string TTextReader::ReadLine()
{
    std::string_view line;
    if (!NextLine(line))
        RaiseReadBeyondEnd();
    return std::string(line);
}

void TTextReader::Close()
{
    if (fd_ < 0)
        RaiseInOutError(EBADF);
    StopReadingAhead();
    ::close(std::exchange(fd_, -1));
    buffer_.reset();
    bufferSize_ = 0;
    carry_.clear();
}

}  // namespace pindle
