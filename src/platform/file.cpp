#include "platform/file.h"

#include "platform/huge_pages.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Large reads keep the number of system calls small; 64 MiB per call reads a 700 MB file
// in a dozen calls, directly into the caller's buffer.
constexpr std::size_t READ_CHUNK = 64u << 20;
constexpr std::size_t WRITE_CHUNK = 64u << 20;
constexpr std::size_t HUGE_PAGE = HUGE_PAGE_SIZE;
// A read of this much or more is split into parts read side by side: most of the time of a
// large read goes into the first touch of the fresh destination memory, which one core alone
// does at about half the speed at which the page cache can deliver the bytes.
constexpr uint64_t PARALLEL_READ_MIN = 64u << 20;
constexpr unsigned MAX_READ_PARTS = 4;

std::string RandomSuffix()
{
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device device;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof letters - 2);
    std::string suffix;
    for (int i = 0; i < 8; ++i)
        suffix += letters[pick(device)];
    return suffix;
}

// A symbolic link is replaced through: the new contents go where the link points.
std::filesystem::path ResolveTarget(const std::string& targetPath)
{
    std::error_code error;
    std::filesystem::path target(targetPath);
    if (std::filesystem::is_symlink(target, error)) {
        std::filesystem::path resolved = std::filesystem::canonical(target, error);
        if (!error)
            return resolved;
    }
    return target;
}

} // namespace

FileError FileErrorFromErrno(int error)
{
    switch (error) {
    case 0: return FileError::None;
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return FileError::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: return FileError::AccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return FileError::DiskFull;
    case EMFILE:
    case ENFILE: return FileError::TooManyOpen;
    case EIO: return FileError::HardIo;
    default: return FileError::Generic;
    }
}

// ---- InputFile ---------------------------------------------------------------------------

InputFile::~InputFile() { Close(); }

void InputFile::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_length = 0;
}

FileError InputFile::Open(const std::string& path)
{
    Close();
    // Without O_NONBLOCK opening a named pipe would wait for a writer.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return FileErrorFromErrno(errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return FileErrorFromErrno(error);
    }
    if (S_ISDIR(info.st_mode)) {
        ::close(fd);
        return FileError::AccessDenied;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return FileError::Generic;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    m_fd = fd;
    m_path = path;
    m_length = static_cast<uint64_t>(info.st_size);
    return FileError::None;
}

FileError InputFile::ReadAll(uint8_t* destination, uint64_t count, uint64_t* bytesRead)
{
    *bytesRead = 0;
    if (m_fd < 0)
        return FileError::Generic;
    AdviseHugePages(destination, count);
    const unsigned parts = ReadParts(count);
    if (parts == 1)
        return ReadRange(m_fd, destination, 0, count, bytesRead);

    // Part boundaries on huge-page multiples, so that no page is touched by two threads.
    const uint64_t perPart = (count / parts + HUGE_PAGE - 1) & ~uint64_t(HUGE_PAGE - 1);
    struct Part {
        uint64_t offset = 0;
        uint64_t length = 0;
        uint64_t got = 0;
        FileError error = FileError::None;
    };
    std::vector<Part> ranges(parts);
    for (unsigned i = 0; i < parts; ++i) {
        ranges[i].offset = std::min<uint64_t>(count, perPart * i);
        ranges[i].length = std::min<uint64_t>(count - ranges[i].offset, perPart);
    }
    auto readPart = [this, destination](Part& part) {
        part.error = ReadRange(m_fd, destination + part.offset, part.offset, part.length, &part.got);
    };
    // The first part is read on this thread; a thread that cannot be started leaves its part
    // to this thread as well.
    std::vector<std::thread> helpers;
    std::vector<Part*> left;
    for (unsigned i = 1; i < parts; ++i) {
        try {
            helpers.emplace_back(readPart, std::ref(ranges[i]));
        } catch (const std::system_error&) {
            left.push_back(&ranges[i]);
        }
    }
    readPart(ranges[0]);
    for (Part* part : left)
        readPart(*part);
    for (std::thread& helper : helpers)
        helper.join();

    // What arrived is the unbroken run from the start: a part that ended early (the file
    // shrank) or failed ends it.
    uint64_t done = 0;
    for (const Part& part : ranges) {
        done += part.got;
        if (part.error != FileError::None) {
            *bytesRead = done;
            return part.error;
        }
        if (part.got < part.length)
            break;
    }
    *bytesRead = done;
    return FileError::None;
}

unsigned InputFile::ReadParts(uint64_t count)
{
    if (count < PARALLEL_READ_MIN)
        return 1;
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(cores, 1u, MAX_READ_PARTS);
}

FileError InputFile::ReadRange(int fd, uint8_t* destination, uint64_t offset, uint64_t count, uint64_t* bytesRead)
{
    uint64_t done = 0;
    while (done < count) {
        const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(count - done, READ_CHUNK));
        const ssize_t got = ::pread(fd, destination + done, want, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            *bytesRead = done;
            return FileErrorFromErrno(errno);
        }
        if (got == 0)
            break;
        done += static_cast<uint64_t>(got);
    }
    *bytesRead = done;
    return FileError::None;
}

// ---- MemoryReadFile ----------------------------------------------------------------------

FileError MemoryReadFile::ReadAll(uint8_t* destination, uint64_t count, uint64_t* bytesRead)
{
    const uint64_t available = std::min(count, m_length);
    if (available > 0)
        std::memcpy(destination, m_bytes, static_cast<std::size_t>(available));
    *bytesRead = available;
    return FileError::None;
}

// ---- AtomicFileWriter --------------------------------------------------------------------

AtomicFileWriter::~AtomicFileWriter() { Abort(); }

FileError AtomicFileWriter::Open(const std::string& targetPath)
{
    Abort();
    const std::filesystem::path target = ResolveTarget(targetPath);
    std::error_code error;
    if (std::filesystem::is_directory(target, error))
        return FileError::AccessDenied;
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";

    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::filesystem::path temp =
            folder / ("." + target.filename().string() + ".ripwell-" + RandomSuffix());
        // 0666 less the umask, as a newly created file gets.
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return FileErrorFromErrno(errno);
        }
        struct stat existing {};
        if (::stat(target.c_str(), &existing) == 0)
            ::fchmod(fd, existing.st_mode & 07777); // a replaced file keeps its permissions
        m_fd = fd;
        m_targetPath = target.string();
        m_tempPath = temp.string();
        m_firstError = FileError::None;
        return FileError::None;
    }
    return FileError::Generic;
}

FileError AtomicFileWriter::Write(const void* data, std::size_t count)
{
    if (m_fd < 0)
        return FileError::Generic;
    if (m_firstError != FileError::None)
        return m_firstError;
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(m_fd, bytes + done, std::min(count - done, WRITE_CHUNK));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            m_firstError = FileErrorFromErrno(errno);
            return m_firstError;
        }
        done += static_cast<std::size_t>(put);
    }
    return FileError::None;
}

FileError AtomicFileWriter::Commit()
{
    if (m_fd < 0)
        return FileError::Generic;
    if (m_firstError != FileError::None) {
        const FileError error = m_firstError;
        Abort();
        return error;
    }
    // Space that the file system only finds missing when the data is flushed shows up here.
    int flushError = ::fsync(m_fd) != 0 ? errno : 0;
    if (::close(m_fd) != 0 && flushError == 0)
        flushError = errno;
    m_fd = -1;
    if (flushError != 0) {
        Abort();
        return FileErrorFromErrno(flushError);
    }
    if (::rename(m_tempPath.c_str(), m_targetPath.c_str()) != 0) {
        const FileError error = FileErrorFromErrno(errno);
        Abort();
        return error;
    }
    m_tempPath.clear();
    // Make the rename itself durable.
    const std::string folder = std::filesystem::path(m_targetPath).parent_path().string();
    int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return FileError::None;
}

void AtomicFileWriter::Abort()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_tempPath.empty())
        ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
    m_firstError = FileError::None;
}

} // namespace platform
