// Files on disk, as the program needs them: a file opened for reading with its length and
// one fast read of the whole file into a buffer of the caller's, a whole text file read into
// a string, and a writer that replaces a file atomically, so that a failed save never damages
// the file that was there before.
//
// Failures are returned as a FileError kind (never thrown), which the framework turns into
// its file-error messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <utility>

namespace platform {

enum class FileError {
    None,
    NotFound,     // no such file, or a folder of the path is missing
    AccessDenied, // no permission, read-only file system, or the path names a folder
    DiskFull,     // no space left, quota exceeded, or the file grew past the size limit
    TooManyOpen,  // the process or the system ran out of file descriptors
    HardIo,       // the device reported an input/output error
    Generic,      // anything else
};

// The kind of an errno value.
FileError FileErrorFromErrno(int error);

// Whether path names a regular file (a symbolic link counts as the file it names).
bool IsRegularFile(const std::string& path);
// Whether anything (file, folder, link) stands under path.
bool PathExists(const std::string& path);

// Reads the whole of a regular file into text. A file larger than maxBytes is not read: the
// result is FileError::Generic with *tooLarge set. A named pipe or a device is refused, so
// that the read never waits for a writer.
FileError ReadTextFile(const std::string& path, std::string& text,
                       uint64_t maxBytes = std::numeric_limits<uint64_t>::max(), bool* tooLarge = nullptr);

// A file to read from: its path, its length, and one read of its contents.
class ReadableFile {
public:
    virtual ~ReadableFile() = default;
    virtual const std::string& GetFilePath() const = 0;
    virtual uint64_t GetLength() const = 0;
    // Reads up to count bytes from the start of the file into destination. *bytesRead is
    // what arrived (less than count at an early end of file).
    virtual FileError ReadAll(uint8_t* destination, uint64_t count, uint64_t* bytesRead) = 0;
};

// A file to write to, from its start on.
class WritableFile {
public:
    virtual ~WritableFile() = default;
    virtual const std::string& GetFilePath() const = 0;
    virtual FileError Write(const void* data, std::size_t count) = 0;
};

// A file on disk opened for reading.
class InputFile : public ReadableFile {
public:
    InputFile() = default;
    ~InputFile() override;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    FileError Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    const std::string& GetFilePath() const override { return m_path; }
    // Length in bytes when the file was opened.
    uint64_t GetLength() const override { return m_length; }
    // Large sequential reads straight into destination; a read of many megabytes is split
    // into a few parts read side by side, all done when it returns.
    FileError ReadAll(uint8_t* destination, uint64_t count, uint64_t* bytesRead) override;
    // How many parts a read of count bytes is split into.
    static unsigned ReadParts(uint64_t count);

private:
    static FileError ReadRange(int fd, uint8_t* destination, uint64_t offset, uint64_t count, uint64_t* bytesRead);
    int m_fd = -1;
    std::string m_path;
    uint64_t m_length = 0;
};

// Writes a new version of a file next to it and puts it in place only when all of it has
// been written (see atomic_file.h): Open creates a temporary file in the target's folder, Write
// appends to it, Commit flushes it to the disk and renames it over the target. Abort (or
// destruction without Commit) removes the temporary file and nothing else; the target is
// untouched. A symbolic link is followed to the file it finally names, which is replaced in
// its own folder; the link stays. The new file gets the mode (and, where permitted, the owner)
// of the file it replaces.
class AtomicFileWriter : public WritableFile {
public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter() override;
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    FileError Open(const std::string& targetPath);
    // The first failed write fails every later write and the Commit, with the same error.
    FileError Write(const void* data, std::size_t count) override;
    // beforeRename lets a test stop the commit just before the rename (return false to stop;
    // the result is then FileError::Generic and the target is untouched).
    FileError Commit(const std::function<bool()>& beforeRename = {});
    void Abort();
    bool IsOpen() const { return m_fd >= 0; }
    // The file that is replaced: the target with every symbolic link followed.
    const std::string& GetFilePath() const override { return m_targetPath; }
    const std::string& GetTempPath() const { return m_tempPath; }

private:
    int m_fd = -1;
    std::string m_targetPath;
    std::string m_tempPath;
    FileError m_firstError = FileError::None;
};

// Bytes already in memory seen as a file (a dropped or received image, or a test input).
class MemoryReadFile : public ReadableFile {
public:
    MemoryReadFile(std::string path, const uint8_t* bytes, uint64_t length)
        : m_path(std::move(path)),
          m_bytes(bytes),
          m_length(length)
    {
    }
    const std::string& GetFilePath() const override { return m_path; }
    uint64_t GetLength() const override { return m_length; }
    FileError ReadAll(uint8_t* destination, uint64_t count, uint64_t* bytesRead) override;

private:
    std::string m_path;
    const uint8_t* m_bytes;
    uint64_t m_length;
};

} // namespace platform
