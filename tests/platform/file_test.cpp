#include "platform/atomic_file.h"
#include "platform/file.h"

#include "support/temp_dir.h"

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

void WriteFile(const std::string& path, const std::string& contents)
{
    std::ofstream(path, std::ios::binary) << contents;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::size_t FilesIn(const std::filesystem::path& folder)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

} // namespace

TEST(InputFile, OpenReportsTheKindOfFailure)
{
    TempDir dir;
    platform::InputFile file;
    EXPECT_EQ(file.Open(dir.file("missing.wav")), platform::FileError::NotFound);
    EXPECT_EQ(file.Open(dir.file("no/such/folder.wav")), platform::FileError::NotFound);
    EXPECT_EQ(file.Open(dir.path().string()), platform::FileError::AccessDenied);
    EXPECT_FALSE(file.IsOpen());

    WriteFile(dir.file("a.bin"), "hello");
    ASSERT_EQ(file.Open(dir.file("a.bin")), platform::FileError::None);
    EXPECT_EQ(file.GetLength(), 5u);
    EXPECT_EQ(file.GetFilePath(), dir.file("a.bin"));
}

TEST(InputFile, ReadAllReadsEverythingAndStopsAtTheEnd)
{
    TempDir dir;
    std::string contents(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < contents.size(); ++i)
        contents[i] = static_cast<char>(i * 7 + i / 251);
    WriteFile(dir.file("big.bin"), contents);

    platform::InputFile file;
    ASSERT_EQ(file.Open(dir.file("big.bin")), platform::FileError::None);
    std::vector<uint8_t> buffer(contents.size() + 100, 0xEE);
    uint64_t got = 0;
    // Asking for more than there is gives what there is.
    ASSERT_EQ(file.ReadAll(buffer.data(), buffer.size(), &got), platform::FileError::None);
    EXPECT_EQ(got, contents.size());
    EXPECT_EQ(std::memcmp(buffer.data(), contents.data(), contents.size()), 0);
    EXPECT_EQ(buffer[contents.size()], 0xEE);
}

// Large reads are split into parts read side by side; every byte must land at its own place,
// and what arrived is the unbroken run from the start when the file ends early.
TEST(InputFile, LargeReadInPartsPutsEveryByteInPlace)
{
    TempDir dir;
    const std::string path = dir.file("large.bin");
    // Every 32-bit word holds its own index, so a part read to the wrong place shows.
    const std::size_t words = (80u << 20) / 4 + 3;
    std::vector<uint32_t> contents(words);
    for (std::size_t i = 0; i < words; ++i)
        contents[i] = static_cast<uint32_t>(i * 2654435761u);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(contents.data()), std::streamsize(words * 4));
    const uint64_t length = words * 4;
    if (std::thread::hardware_concurrency() > 1) {
        EXPECT_GT(platform::InputFile::ReadParts(length), 1u);
    }
    EXPECT_EQ(platform::InputFile::ReadParts(1u << 20), 1u);

    platform::InputFile file;
    ASSERT_EQ(file.Open(path), platform::FileError::None);
    // More asked for than there is: the later parts find the end of the file.
    const uint64_t asked = length + (40u << 20);
    std::vector<uint8_t> buffer(asked, 0xEE);
    uint64_t got = 0;
    ASSERT_EQ(file.ReadAll(buffer.data(), asked, &got), platform::FileError::None);
    EXPECT_EQ(got, length);
    EXPECT_EQ(std::memcmp(buffer.data(), contents.data(), length), 0);
    EXPECT_EQ(buffer[length], 0xEE);

    // The file shrinks after it was opened: only what is still there counts as read.
    const uint64_t shrunk = length / 3 + 5;
    std::filesystem::resize_file(path, shrunk);
    std::fill(buffer.begin(), buffer.end(), 0xEE);
    ASSERT_EQ(file.ReadAll(buffer.data(), length, &got), platform::FileError::None);
    EXPECT_EQ(got, shrunk);
    EXPECT_EQ(std::memcmp(buffer.data(), contents.data(), shrunk), 0);
}

TEST(AtomicFileWriter, CommitReplacesTheTargetAndKeepsItsPermissions)
{
    TempDir dir;
    const std::string target = dir.file("song.wav");
    WriteFile(target, "old contents");
    ::chmod(target.c_str(), 0640);

    platform::AtomicFileWriter writer;
    ASSERT_EQ(writer.Open(target), platform::FileError::None);
    EXPECT_EQ(ReadFile(target), "old contents"); // untouched until the commit
    ASSERT_EQ(writer.Write("new ", 4), platform::FileError::None);
    ASSERT_EQ(writer.Write("data", 4), platform::FileError::None);
    ASSERT_EQ(writer.Commit(), platform::FileError::None);
    EXPECT_EQ(ReadFile(target), "new data");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(AtomicFileWriter, AbortLeavesTheTargetAndRemovesOnlyTheTemporaryFile)
{
    TempDir dir;
    const std::string target = dir.file("keep.wav");
    WriteFile(target, "precious");
    {
        platform::AtomicFileWriter writer;
        ASSERT_EQ(writer.Open(target), platform::FileError::None);
        ASSERT_EQ(writer.Write("half", 4), platform::FileError::None);
        EXPECT_TRUE(std::filesystem::exists(writer.GetTempPath()));
        EXPECT_EQ(std::filesystem::path(writer.GetTempPath()).parent_path(), dir.path());
    } // destroyed without a commit
    EXPECT_EQ(ReadFile(target), "precious");
    EXPECT_EQ(FilesIn(dir.path()), 1u);

    platform::AtomicFileWriter writer;
    EXPECT_EQ(writer.Open(dir.file("no/folder/x.wav")), platform::FileError::NotFound);
    EXPECT_EQ(writer.Open(dir.path().string()), platform::FileError::AccessDenied);
}

TEST(AtomicFileWriter, WriteBeyondTheFileSizeLimitFailsAndKeepsTheOldFile)
{
    // A real write failure without special rights: the process's file size limit.
    TempDir dir;
    const std::string target = dir.file("limit.wav");
    const std::string old(10000, 'o');
    WriteFile(target, old);

    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

    platform::AtomicFileWriter writer;
    platform::FileError openError = writer.Open(target);
    const std::string big(8192, 'n');
    platform::FileError writeError = writer.Write(big.data(), big.size());
    platform::FileError commitError = writer.Commit();

    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(openError, platform::FileError::None);
    EXPECT_EQ(writeError, platform::FileError::DiskFull);
    EXPECT_EQ(commitError, platform::FileError::DiskFull);
    EXPECT_EQ(ReadFile(target), old);
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}

// A link is followed to the file it finally names, which is replaced beside itself with its
// mode (and owner where the process may set it); the links stay links.
TEST(AtomicFileWriter, LinksAreFollowedAndStayLinks)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "dotfiles");
    const std::string target = dir.file("dotfiles/user.reg");
    WriteFile(target, "old");
    ::chmod(target.c_str(), 0600);
    std::filesystem::create_symlink("dotfiles/user.reg", dir.path() / "middle.reg"); // relative
    std::filesystem::create_symlink(dir.path() / "middle.reg", dir.path() / "user.reg");
    const bool root = ::geteuid() == 0; // only the superuser may give a file away
    if (root) {
        ASSERT_EQ(::chown(target.c_str(), 4321, 4321), 0);
    }

    ASSERT_TRUE(platform::WriteFileAtomically(dir.file("user.reg"), "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "user.reg"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "middle.reg"));
    EXPECT_EQ(ReadFile(target), "new");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    if (root) {
        EXPECT_EQ(info.st_uid, 4321u);
    }
    EXPECT_EQ(FilesIn(dir.path() / "dotfiles"), 1u); // the temporary file was beside the target

    // A link to a file not there yet makes it; a loop of links is refused.
    std::filesystem::create_symlink("dotfiles/new.ini", dir.path() / "new.ini");
    ASSERT_TRUE(platform::WriteFileAtomically(dir.file("new.ini"), "made"));
    EXPECT_EQ(ReadFile(dir.file("dotfiles/new.ini")), "made");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "new.ini"));
    std::filesystem::create_symlink("loop.b", dir.path() / "loop.a");
    std::filesystem::create_symlink("loop.a", dir.path() / "loop.b");
    platform::AtomicFileWriter writer;
    EXPECT_EQ(writer.Open(dir.file("loop.a")), platform::FileError::NotFound);
}

TEST(ReadTextFile, ReadsRegularFilesOnlyAndRefusesTooLargeOnesUnread)
{
    TempDir dir;
    WriteFile(dir.file("a.ini"), std::string("x\0y\r\n", 5));
    std::string text = "stale";
    bool tooLarge = true;
    EXPECT_EQ(platform::ReadTextFile(dir.file("a.ini"), text, 5, &tooLarge), platform::FileError::None);
    EXPECT_EQ(text, std::string("x\0y\r\n", 5));
    EXPECT_FALSE(tooLarge);
    EXPECT_EQ(platform::ReadTextFile(dir.file("a.ini"), text, 4, &tooLarge), platform::FileError::Generic);
    EXPECT_TRUE(tooLarge);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(platform::ReadTextFile(dir.file("missing"), text), platform::FileError::NotFound);
    EXPECT_EQ(platform::ReadTextFile(dir.path().string(), text), platform::FileError::AccessDenied);
    // A named pipe without a writer would never end: it is refused at once.
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    EXPECT_NE(platform::ReadTextFile(dir.file("pipe"), text), platform::FileError::None);

    std::filesystem::create_symlink("a.ini", dir.path() / "link.ini");
    EXPECT_TRUE(platform::IsRegularFile(dir.file("link.ini")));
    EXPECT_FALSE(platform::IsRegularFile(dir.file("pipe")));
    EXPECT_FALSE(platform::IsRegularFile(dir.path().string()));
    EXPECT_FALSE(platform::IsRegularFile(""));
}
