// Feeds arbitrary bytes as CDPLAYER.INI to the private profile functions and checks what they
// make of it: a value read never overruns its buffer and always ends in a terminator; a title
// written into a section of the file (or a new one) is read back; a write keeps every other
// line of the file where it was; a key removed is gone, and the rest stays.
#include "fuzz_check.h"
#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using namespace platform;

namespace {

constexpr const char* kFile = "CDPLAYER.INI";
const char* const kMissing = "HJXZMBOYSDPA";

std::string g_folder;
std::string g_path;

std::string ReadBack()
{
    std::string text;
    const int fd = ::open(g_path.c_str(), O_RDONLY | O_CLOEXEC);
    FUZZ_CHECK(fd >= 0);
    char chunk[4096];
    for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) > 0;)
        text.append(chunk, static_cast<size_t>(got));
    ::close(fd);
    return text;
}

std::vector<std::string> Lines(std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

// The lines of before, but for those in skip, stand in after in the same order.
bool KeptInOrder(const std::vector<std::string>& before, const std::vector<std::string>& after, size_t skip)
{
    size_t at = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        if (i == skip)
            continue;
        while (at < after.size() && after[at] != before[i])
            ++at;
        if (at == after.size())
            return false;
        ++at;
    }
    return true;
}

std::string Get(const char* section, const char* key, uint32_t size = 256)
{
    std::vector<char> buffer(size + 1, '\x7f');
    const uint32_t count = GetPrivateProfileStringA(section, key, kMissing, buffer.data(), size, kFile);
    FUZZ_CHECK(count < size && buffer[count] == '\0' && buffer[size] == '\x7f');
    return std::string(buffer.data(), count);
}

std::string Trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return std::string(text);
}

// The first section of the file and the first key in it, found as a reader of INI files would.
bool FirstSection(const std::vector<std::string>& lines, std::string* section, std::string* key)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string line = Trim(lines[i]);
        const size_t close = line.find(']');
        if (line.empty() || line[0] != '[' || close == std::string::npos)
            continue;
        *section = Trim(std::string_view(line).substr(1, close - 1));
        key->clear();
        for (size_t j = i + 1; j < lines.size(); ++j) {
            const std::string next = Trim(lines[j]);
            if (!next.empty() && next[0] == '[' && next.find(']') != std::string::npos)
                break;
            const size_t equals = next.find('=');
            if (!next.empty() && next[0] != ';' && equals != std::string::npos && equals > 0) {
                *key = Trim(std::string_view(next).substr(0, equals));
                break;
            }
        }
        return std::strlen(section->c_str()) == section->size();
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // A folder in memory: every write replaces the file with a flush to the disk.
    std::string pattern = "/dev/shm/ripwell-ini-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        pattern = "/tmp/ripwell-ini-fuzz-XXXXXX";
        FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
    }
    g_folder = pattern;
    ::setenv("XDG_CONFIG_HOME", pattern.c_str(), 1);
    g_path = ProfileFilePath(kFile);
    FUZZ_CHECK(::mkdir((g_folder + "/ripwell").c_str(), 0700) == 0);
    std::atexit([] {
        ::unlink(g_path.c_str());
        ::rmdir((g_folder + "/ripwell").c_str());
        ::rmdir(g_folder.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteFuzzInput(g_path, data, size);
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = Lines(text);

    std::string section, key;
    const bool haveSection = FirstSection(lines, &section, &key);
    const bool haveKey = haveSection && !key.empty() && key != "42" && std::strlen(key.c_str()) == key.size();
    std::string whole;
    if (haveKey) {
        // Small buffers are filled to their size and no further.
        whole = Get(section.c_str(), key.c_str());
        for (uint32_t size = 1; size <= 4; ++size)
            FUZZ_CHECK(Get(section.c_str(), key.c_str(), size) == whole.substr(0, size - 1));
        GetPrivateProfileIntA(section.c_str(), key.c_str(), 7, kFile);
    }

    // A title into the file's first section, or a section of its own.
    const std::string target =
        haveSection && section.find_first_of("]\r\n") == std::string::npos ? section : "FuzzDisc";
    const bool written = WritePrivateProfileStringA(target.c_str(), "42", "Track title", kFile) != 0;
    FUZZ_CHECK(written);
    FUZZ_CHECK(Get(target.c_str(), "42") == "Track title");
    const std::vector<std::string> after = Lines(ReadBack());
    // Only the line of that key changes, if there was one; otherwise lines are only added.
    size_t replaced = lines.size();
    for (size_t i = 0; i < lines.size() && replaced == lines.size(); ++i)
        if (Trim(lines[i]).rfind("42", 0) == 0 && Trim(lines[i]).find('=') != std::string::npos)
            replaced = i;
    if (replaced == lines.size())
        FUZZ_CHECK(KeptInOrder(lines, after, lines.size()));
    FUZZ_CHECK(after.size() <= lines.size() + 3);

    // The key removed again: its line goes (a second key of that name, which readers never
    // see, stays), and the rest of the section stays.
    FUZZ_CHECK(WritePrivateProfileStringA(target.c_str(), "42", nullptr, kFile) != 0);
    FUZZ_CHECK(Lines(ReadBack()).size() + 1 == after.size());
    if (haveKey)
        FUZZ_CHECK(Get(section.c_str(), key.c_str()) == whole);
    return 0;
}
