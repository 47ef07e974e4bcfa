#include "platform/profile.h"

#include "platform/atomic_file.h"
#include "platform/drives.h"
#include "platform/file.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace platform {
namespace {

// Larger files are not profile files; they are treated as empty rather than read into memory.
constexpr uint64_t kMaxProfileFileSize = 16u * 1024u * 1024u;

struct ProfileFile {
    std::vector<std::string> lines; // without their "\n" (a "\r" before it stays, as it was)
    bool crlf = false;              // the file's lines end in "\r\n": new lines do too
    bool endsWithNewline = true;    // the last line has its line end

    // A line the program writes, with the line end of the file's own lines.
    std::string NewLine(std::string text) const { return crlf ? text + '\r' : text; }
};

std::string_view Trim(std::string_view text)
{
    const char* spaces = " \t\r\f\v";
    std::size_t first = text.find_first_not_of(spaces);
    if (first == std::string_view::npos)
        return {};
    std::size_t last = text.find_last_not_of(spaces);
    return text.substr(first, last - first + 1);
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (std::tolower(ca) != std::tolower(cb))
            return false;
    }
    return true;
}

// The name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line)
{
    std::string_view text = Trim(line);
    if (text.empty() || text.front() != '[')
        return std::nullopt;
    std::size_t close = text.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trim(text.substr(1, close - 1));
}

bool IsComment(std::string_view line)
{
    std::string_view text = Trim(line);
    return !text.empty() && text.front() == ';';
}

// The key of a "key=value" line, or nothing.
std::optional<std::string_view> KeyName(std::string_view line)
{
    if (IsComment(line) || SectionName(line))
        return std::nullopt;
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    return Trim(line.substr(0, equals));
}

std::string_view ValueOf(std::string_view line)
{
    std::string_view value = Trim(line.substr(line.find('=') + 1));
    // A value written in quotes is given without them.
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return value;
}

// Reads the file; a missing file reads as empty. False when the file is there but cannot be
// read (or is too large to be a profile file), so that a write does not replace what it could
// not see.
bool ReadProfile(const std::string& path, ProfileFile& file)
{
    std::string text;
    const FileError error = ReadTextFile(path, text, kMaxProfileFileSize);
    if (error == FileError::NotFound)
        return true;
    if (error != FileError::None)
        return false;
    std::string_view rest(text);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (file.lines.empty())
            file.crlf = !line.empty() && line.back() == '\r';
        file.lines.emplace_back(line);
        file.endsWithNewline = end != std::string_view::npos;
    }
    return true;
}

// Index of the "[section]" line, or lines.size().
std::size_t FindSection(const ProfileFile& file, std::string_view section)
{
    for (std::size_t i = 0; i < file.lines.size(); ++i) {
        auto name = SectionName(file.lines[i]);
        if (name && EqualNoCase(*name, section))
            return i;
    }
    return file.lines.size();
}

// One past the last line of the section that starts at line sectionLine.
std::size_t SectionEnd(const ProfileFile& file, std::size_t sectionLine)
{
    std::size_t i = sectionLine + 1;
    while (i < file.lines.size() && !SectionName(file.lines[i]))
        ++i;
    return i;
}

std::size_t FindKey(const ProfileFile& file, std::size_t sectionLine, std::string_view key)
{
    std::size_t end = SectionEnd(file, sectionLine);
    for (std::size_t i = sectionLine + 1; i < end; ++i) {
        auto name = KeyName(file.lines[i]);
        if (name && EqualNoCase(*name, key))
            return i;
    }
    return file.lines.size();
}

std::optional<std::string> LookUp(const char* section, const char* key, const char* fileName)
{
    if (!section || !key || !fileName)
        return std::nullopt;
    ProfileFile file;
    if (!ReadProfile(ProfileFilePath(fileName), file))
        return std::nullopt;
    std::size_t sectionLine = FindSection(file, section);
    if (sectionLine == file.lines.size())
        return std::nullopt;
    std::size_t keyLine = FindKey(file, sectionLine, key);
    if (keyLine == file.lines.size())
        return std::nullopt;
    return std::string(ValueOf(file.lines[keyLine]));
}

// Replaces the file with the lines (atomically; a link is followed to its file).
bool ReplaceFile(const std::string& path, const ProfileFile& file)
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::path(FinalLinkTarget(path)).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, error);
    std::string text;
    for (std::size_t i = 0; i < file.lines.size(); ++i) {
        text += file.lines[i];
        if (i + 1 < file.lines.size() || file.endsWithNewline)
            text += '\n';
    }
    return WriteFileAtomically(path, text);
}

void RemoveSection(ProfileFile& file, std::size_t sectionLine)
{
    std::size_t end = SectionEnd(file, sectionLine);
    file.lines.erase(file.lines.begin() + static_cast<std::ptrdiff_t>(sectionLine),
                     file.lines.begin() + static_cast<std::ptrdiff_t>(end));
}

void SetKey(ProfileFile& file, const char* section, const char* key, const char* text)
{
    std::size_t sectionLine = FindSection(file, section);
    if (sectionLine == file.lines.size()) {
        if (!file.lines.empty() && !Trim(file.lines.back()).empty())
            file.lines.push_back(file.NewLine(""));
        file.lines.push_back(file.NewLine(std::string("[") + section + "]"));
        file.lines.push_back(file.NewLine(std::string(key) + "=" + text));
        return;
    }
    std::size_t keyLine = FindKey(file, sectionLine, key);
    if (keyLine != file.lines.size()) {
        // Keep the key as it is spelled in the file.
        std::string_view name = *KeyName(file.lines[keyLine]);
        const bool crlf = !file.lines[keyLine].empty() && file.lines[keyLine].back() == '\r';
        file.lines[keyLine] = std::string(name) + "=" + text + (crlf ? "\r" : "");
        return;
    }
    // A new key goes after the last non-blank line of its section.
    std::size_t insertAt = SectionEnd(file, sectionLine);
    while (insertAt > sectionLine + 1 && Trim(file.lines[insertAt - 1]).empty())
        --insertAt;
    file.lines.insert(file.lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                      file.NewLine(std::string(key) + "=" + text));
}

// A name or value that would break the line structure of the file is refused.
bool FitsOnOneLine(const char* text, const char* alsoForbidden)
{
    std::string forbidden = std::string("\r\n") + alsoForbidden;
    return std::strpbrk(text, forbidden.c_str()) == nullptr;
}

} // namespace

std::string ProfileFilePath(const char* fileName)
{
    std::string name = fileName ? fileName : "";
    if (name.find('/') != std::string::npos)
        return name;
    return UserConfigFolder() + "/" + name;
}

uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultText, char* buffer,
                                  uint32_t size, const char* fileName)
{
    if (!buffer || size == 0)
        return 0;
    std::optional<std::string> value = LookUp(section, key, fileName);
    std::string_view text = value ? std::string_view(*value) : std::string_view(defaultText ? defaultText : "");
    std::size_t count = std::min<std::size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<uint32_t>(count);
}

uint32_t GetPrivateProfileIntA(const char* section, const char* key, int32_t defaultValue, const char* fileName)
{
    std::optional<std::string> value = LookUp(section, key, fileName);
    if (!value)
        return static_cast<uint32_t>(defaultValue);
    const char* p = value->c_str();
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    uint32_t number = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        number = number * 10u + static_cast<uint32_t>(*p - '0');
    return negative ? 0u - number : number;
}

int WritePrivateProfileStringA(const char* section, const char* key, const char* text, const char* fileName)
{
    if (!section || !fileName)
        return 0;
    if (!FitsOnOneLine(section, "]") || (key && !FitsOnOneLine(key, "=")) || (text && !FitsOnOneLine(text, "")))
        return 0;
    std::string path = ProfileFilePath(fileName);
    ProfileFile file;
    if (!ReadProfile(path, file))
        return 0;
    const std::vector<std::string> before = file.lines;
    std::size_t sectionLine = FindSection(file, section);
    if (!key) {
        if (sectionLine == file.lines.size())
            return 1;
        RemoveSection(file, sectionLine);
    } else if (!text) {
        if (sectionLine == file.lines.size())
            return 1;
        std::size_t keyLine = FindKey(file, sectionLine, key);
        if (keyLine == file.lines.size())
            return 1;
        file.lines.erase(file.lines.begin() + static_cast<std::ptrdiff_t>(keyLine));
    } else {
        SetKey(file, section, key, text);
    }
    if (file.lines == before)
        return 1; // nothing changes, nothing is written
    // A last line without its line end keeps it so only while it stays the last line.
    if (file.lines.empty() || before.empty() || file.lines.back() != before.back() ||
        file.lines.size() != before.size())
        file.endsWithNewline = true;
    return ReplaceFile(path, file) ? 1 : 0;
}

} // namespace platform
