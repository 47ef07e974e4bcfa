#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <random>

namespace platform {
namespace {

// As many links as the kernel follows before it gives ELOOP.
constexpr int kMaxLinks = 40;
constexpr int kTempNameAttempts = 16;
// Large writes are split so that no single call asks for more than the kernel hands over.
constexpr std::size_t kWriteChunk = 64u << 20;

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

std::string FolderOf(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// Makes the rename durable: the folder's entry is flushed too.
void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

std::string FinalLinkTarget(const std::string& path)
{
    std::filesystem::path current(path);
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current.string();
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(current.c_str(), buffer, sizeof buffer - 1);
        if (length <= 0)
            return current.string();
        const std::filesystem::path next(std::string(buffer, static_cast<std::size_t>(length)));
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return {};
}

AtomicFileWriter::~AtomicFileWriter() { Abort(); }

FileError AtomicFileWriter::Open(const std::string& targetPath)
{
    Abort();
    const std::string target = FinalLinkTarget(targetPath);
    if (target.empty())
        return FileError::NotFound; // a loop of links, as ELOOP reads
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return FileError::AccessDenied;
    const std::string folder = FolderOf(target);
    const std::string name = std::filesystem::path(target).filename().string();

    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        const std::string temp = folder + "/." + name + ".ripwell-" + RandomSuffix();
        // 0666 less the umask, as a newly created file gets.
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return FileErrorFromErrno(errno);
        }
        if (exists) {
            // The owner first: changing it may clear the set-id bits that the mode then restores.
            const bool otherOwner = existing.st_uid != ::geteuid() || existing.st_gid != ::getegid();
            if (otherOwner && ::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
                // Not permitted: the new file belongs to this process, with the old mode.
            }
            ::fchmod(fd, existing.st_mode & 07777);
        }
        m_fd = fd;
        m_targetPath = target;
        m_tempPath = temp;
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
        const ssize_t put = ::write(m_fd, bytes + done, std::min(count - done, kWriteChunk));
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

FileError AtomicFileWriter::Commit(const std::function<bool()>& beforeRename)
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
    if (beforeRename && !beforeRename()) {
        Abort();
        return FileError::Generic;
    }
    if (::rename(m_tempPath.c_str(), m_targetPath.c_str()) != 0) {
        const FileError error = FileErrorFromErrno(errno);
        Abort();
        return error;
    }
    m_tempPath.clear();
    SyncFolder(FolderOf(m_targetPath));
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

bool WriteFileAtomically(const std::string& path, const std::string& contents,
                         const std::function<bool()>& beforeRename)
{
    AtomicFileWriter writer;
    return writer.Open(path) == FileError::None && writer.Write(contents.data(), contents.size()) == FileError::None &&
        writer.Commit(beforeRename) == FileError::None;
}

} // namespace platform
