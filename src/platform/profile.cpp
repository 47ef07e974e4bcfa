#include "platform/profile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace platform {
namespace {

// Larger files are not profile files; they are treated as empty rather than read into memory.
constexpr std::uintmax_t kMaxProfileFileSize = 16u * 1024u * 1024u;

struct ProfileFile {
    std::vector<std::string> lines;  // without their line ends
    std::string newline = "\n";
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
// read, so that a write does not replace what it could not see.
bool ReadProfile(const std::string& path, ProfileFile& file)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return !error;
    std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kMaxProfileFileSize)
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        bool crlf = !line.empty() && line.back() == '\r';
        if (crlf)
            line.pop_back();
        if (first && crlf)
            file.newline = "\r\n";
        first = false;
        file.lines.push_back(line);
    }
    return !in.bad();
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

// Writes the lines to a temporary file next to path and renames it over path.
bool ReplaceFile(const std::string& path, const ProfileFile& file)
{
    std::filesystem::path target(path);
    std::error_code error;
    if (target.has_parent_path())
        std::filesystem::create_directories(target.parent_path(), error);
    std::string temp = path + ".tmp." + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        for (const std::string& line : file.lines)
            out << line << file.newline;
        out.flush();
        if (!out) {
            out.close();
            std::filesystem::remove(temp, error);
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::filesystem::remove(temp, error);
        return false;
    }
    return true;
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
            file.lines.emplace_back();
        file.lines.push_back(std::string("[") + section + "]");
        file.lines.push_back(std::string(key) + "=" + text);
        return;
    }
    std::size_t keyLine = FindKey(file, sectionLine, key);
    if (keyLine != file.lines.size()) {
        // Keep the key as it is spelled in the file.
        std::string_view name = *KeyName(file.lines[keyLine]);
        file.lines[keyLine] = std::string(name) + "=" + text;
        return;
    }
    // A new key goes after the last non-blank line of its section.
    std::size_t insertAt = SectionEnd(file, sectionLine);
    while (insertAt > sectionLine + 1 && Trim(file.lines[insertAt - 1]).empty())
        --insertAt;
    file.lines.insert(file.lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                      std::string(key) + "=" + text);
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
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config && *config) {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::string(home && *home ? home : ".") + "/.config";
    }
    return folder + "/ripwell/" + name;
}

uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultText,
                                  char* buffer, uint32_t size, const char* fileName)
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

uint32_t GetPrivateProfileIntA(const char* section, const char* key, int32_t defaultValue,
                               const char* fileName)
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

int WritePrivateProfileStringA(const char* section, const char* key, const char* text,
                               const char* fileName)
{
    if (!section || !fileName)
        return 0;
    if (!FitsOnOneLine(section, "]") || (key && !FitsOnOneLine(key, "=")) || (text && !FitsOnOneLine(text, "")))
        return 0;
    std::string path = ProfileFilePath(fileName);
    ProfileFile file;
    if (!ReadProfile(path, file))
        return 0;
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
    return ReplaceFile(path, file) ? 1 : 0;
}

} // namespace platform
