#include "platform/TextFile.h"

#include <algorithm>
#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <fcntl.h>
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

void TTextWriter::WriteLine(std::string_view line)
{
    if (fd_ >= 0 && line.size() + 2 <= buffer_.size() - used_) {
        char* out = buffer_.data() + used_;
        std::memcpy(out, line.data(), line.size());
        out[line.size()] = '\r';
        out[line.size() + 1] = '\n';
        used_ += line.size() + 2;
        return;
    }
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

// The first CR or LF in [start, limit), or limit. Eight bytes at a time: a byte equal to CR or LF
// becomes zero after the XOR, and the classic zero-byte test finds it. The test marks the lowest
// such byte exactly (only bytes above it can be marked wrongly), so on a little-endian machine the
// lowest mark is the line end itself.
const char* FindLineEnd(const char* start, const char* limit)
{
    constexpr std::uint64_t Ones = 0x0101010101010101ULL;
    constexpr std::uint64_t Highs = 0x8080808080808080ULL;
    const char* p = start;
#if defined(__SSE2__)
    // Sixteen bytes at a time where the processor has the instructions for it (every x86-64 does).
    const __m128i cr16 = _mm_set1_epi8('\r');
    const __m128i lf16 = _mm_set1_epi8('\n');
    while (limit - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(bytes, cr16), _mm_cmpeq_epi8(bytes, lf16));
        if (const int mask = _mm_movemask_epi8(ends))
            return p + std::countr_zero(static_cast<unsigned>(mask));
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
                return p + std::countr_zero(marks) / 8;
            break;
        }
        p += 8;
    }
    while (p != limit && *p != '\r' && *p != '\n')
        ++p;
    return p;
}

}  // namespace

TTextReader::TTextReader(const std::string& fileName) { Reset(fileName); }

TTextReader::~TTextReader()
{
    if (fd_ >= 0)
        ::close(fd_);
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
    // A small file needs no large buffer; the size is only a guess, a growing file still reads whole.
    std::size_t wanted = static_cast<std::size_t>(std::min<long long>(fileSize_ + 1, BufferSize));
    buffer_.assign(std::max<std::size_t>(wanted, 4096), '\0');
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
    for (;;) {
        ssize_t got = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
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
    if (Eof())
        return false;
    carry_.clear();
    bool carrying = false;
    for (;;) {
        const char* start = buffer_.data() + begin_;
        std::size_t available = end_ - begin_;
        const char* limit = start + available;
        const char* stop = FindLineEnd(start, limit);
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
        carry_.append(start, length);
        carrying = true;
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
    ::close(std::exchange(fd_, -1));
    buffer_.clear();
    buffer_.shrink_to_fit();
    carry_.clear();
}

namespace {

std::string FolderOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// The file a symbolic link points to; other names as they are. A loop is found by the stat after it.
std::string ResolveTarget(const std::string& fileName)
{
    struct stat info {};
    if (::lstat(fileName.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return fileName;
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(fileName.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : fileName;
}

std::string TemporaryNameIn(const std::string& folder)
{
    static unsigned counter = 0;
    return folder + "/.pindle-save-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp";
}

// Kernels and file systems without unnamed files refuse them with one of these.
bool UnnamedFilesUnsupported(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

// The folder's permissions (or its immutable flag) refuse a new file.
bool NewFileRefused(int error) { return error == EACCES || error == EPERM; }

// A new, empty hidden file beside the target, readable by its owner alone.
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

// Makes the new name durable; a folder that cannot be synced costs nothing but that.
void SyncFolder(const std::string& folder)
{
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    (void)::fsync(fd);
    ::close(fd);
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

TSafeSave::TTarget TSafeSave::FindTarget(const std::string& fileName)
{
    CheckFileName(fileName);
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
    method_ = TMethod::UnnamedFile;
    int fd = ::open(target_.Folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0 && UnnamedFilesUnsupported(errno)) {
        method_ = TMethod::NamedFile;
        std::string name;
        fd = CreateNamedFile(target_.Folder, name);
        if (fd >= 0)
            tempName_.Set(std::move(name));
    }
    if (fd < 0 && NewFileRefused(errno) && target_.Exists) {
        method_ = TMethod::InPlace;
        fd = OpenInPlace(target_.Path);
    }
    if (fd < 0)
        RaiseInOutError(errno);
    return fd;
}

void TSafeSave::SetOwnerAndMode(int fd) const
{
    if (!target_.Exists) {
        // A file system that keeps no modes may refuse this; the file then stays private.
        (void)::fchmod(fd, 0666 & ~CurrentUmask());
        return;
    }
    // Only the owner's group may be kept where the system refuses the owner (a save by another user);
    // where it refuses both, the file keeps the saving user's owner and group.
    if (::fchown(fd, target_.Old.st_uid, target_.Old.st_gid) != 0 &&
        ::fchown(fd, static_cast<uid_t>(-1), target_.Old.st_gid) != 0) {
    }
    if (::fchmod(fd, target_.Old.st_mode & 07777) != 0)
        RaiseInOutError(errno);
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
    if (method_ != TMethod::InPlace)
        SetOwnerAndMode(fd);
    writer_.Sync();
    if (method_ == TMethod::UnnamedFile)
        NameUnnamedFile(fd);
    writer_.Close();
    if (method_ == TMethod::InPlace)
        return;
    if (::rename(tempName_.Path().c_str(), target_.Path.c_str()) != 0) {
        // A sticky folder (such as /tmp) takes new files but lets no one else replace the owner's
        // file, even a writable one: then the content is copied into it.
        if (!NewFileRefused(errno) || !target_.Exists)
            RaiseInOutError(errno);
        method_ = TMethod::InPlace;
        CopyIntoTarget();
        return;  // the temporary name goes with tempName_
    }
    tempName_.Release();
    SyncFolder(target_.Folder);
}

void TSafeSave::CopyIntoTarget() const
{
    int from = ::open(tempName_.Path().c_str(), O_RDONLY | O_CLOEXEC);
    if (from < 0)
        RaiseInOutError(errno);
    int to = OpenInPlace(target_.Path);
    if (to < 0) {
        int error = errno;
        ::close(from);
        RaiseInOutError(error);
    }
    try {
        TTextWriter writer(to, target_.Path);
        std::vector<char> buffer(TTextWriter::BufferSize);
        for (;;) {
            ssize_t got = ::read(from, buffer.data(), buffer.size());
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                RaiseInOutError(errno);
            if (got == 0)
                break;
            writer.Write(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
        }
        writer.Sync();
        writer.Close();
    } catch (...) {
        ::close(from);
        throw;
    }
    ::close(from);
}

}  // namespace pindle
