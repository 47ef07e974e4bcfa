#include "platform/hive.h"

#include "platform/atomic_file.h"
#include "platform/file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace platform {
namespace {

const std::string kLf = "\n";
const std::string kCrLf = "\r\n";

std::string Lower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

std::string_view TrimRight(std::string_view text)
{
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::string_view TrimLeft(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

// The line end a line of the text had: "\r\n", "\n", or "" for a last line without one.
std::string_view LineEndOf(std::string_view line)
{
    if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n")
        return line.substr(line.size() - 2);
    if (!line.empty() && line.back() == '\n')
        return line.substr(line.size() - 1);
    return {};
}

std::string FileStamp(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return "missing";
    return std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec) + "/" +
           std::to_string(info.st_size) + "/" + std::to_string(info.st_ino);
}

bool CanWritePath(const std::string& path)
{
    std::filesystem::path probe(path);
    std::error_code error;
    if (std::filesystem::exists(probe, error))
        return access(probe.c_str(), W_OK) == 0;
    // A file that does not exist yet can be made when its nearest existing folder is writable.
    for (probe = probe.parent_path(); !probe.empty(); probe = probe.parent_path())
        if (std::filesystem::exists(probe, error))
            return std::filesystem::is_directory(probe, error) && access(probe.c_str(), W_OK) == 0;
    return false;
}

std::string EscapeString(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: out += c;
        }
    }
    return out;
}

// Reads a quoted string starting at text[pos] == '"'; pos ends after the closing quote.
bool ParseQuoted(std::string_view text, size_t& pos, std::string& out)
{
    if (pos >= text.size() || text[pos] != '"')
        return false;
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (++pos >= text.size())
                return false;
            c = text[pos];
            c = c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
        }
        out += c;
    }
    return false;
}

// "01,ff, 2" -> {1, 255, 2}; an empty list is no bytes.
bool ParseHexBytes(std::string_view text, std::vector<BYTE>& bytes)
{
    bytes.clear();
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view item = TrimRight(TrimLeft(text.substr(0, comma)));
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (item.empty())
            continue;   // "01,,02" and a trailing comma, as regedit reads them
        if (item.size() > 2 || !std::all_of(item.begin(), item.end(), IsHex))
            return false;
        unsigned value = 0;
        for (char c : item)
            value = value * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                                                                                             : std::tolower(c) - 'a' + 10);
        bytes.push_back(static_cast<BYTE>(value));
    }
    return true;
}

uint32_t ParseHexNumber(std::string_view digits)
{
    uint32_t value = 0;
    for (char c : digits)
        value = value * 16 + static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                                                                                          : std::tolower(c) - 'a' + 10);
    return value;
}

// The data part of a value line: "text", dword:XXXXXXXX, hex:.., hex(N):.., then nothing but
// blanks and an optional "; comment", which goes to comment.
bool ParseData(std::string_view text, DWORD& type, std::vector<BYTE>& data, std::string& comment)
{
    std::string_view rest;
    if (!text.empty() && text[0] == '"') {
        size_t pos = 0;
        std::string value;
        if (!ParseQuoted(text, pos, value))
            return false;
        rest = text.substr(pos);
        type = REG_SZ;
        data.assign(value.begin(), value.end());
        data.push_back(0);
    } else {
        const size_t semicolon = text.find(';');
        const std::string_view token = TrimRight(text.substr(0, semicolon));
        rest = text.substr(token.size());
        if (token.substr(0, 6) == "dword:") {
            const std::string_view digits = token.substr(6);
            if (digits.empty() || digits.size() > 8 || !std::all_of(digits.begin(), digits.end(), IsHex))
                return false;
            const uint32_t value = ParseHexNumber(digits);
            type = REG_DWORD;
            data = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                    static_cast<BYTE>(value >> 24)};
        } else if (token.substr(0, 4) == "hex:") {
            type = REG_BINARY;
            if (!ParseHexBytes(token.substr(4), data))
                return false;
        } else if (token.substr(0, 4) == "hex(") {
            const size_t close = token.find("):");
            if (close == std::string_view::npos || close == 4 || close - 4 > 8)
                return false;
            const std::string_view number = token.substr(4, close - 4);
            if (!std::all_of(number.begin(), number.end(), IsHex))
                return false;
            type = ParseHexNumber(number);
            if (!ParseHexBytes(token.substr(close + 2), data))
                return false;
        } else {
            return false;
        }
    }
    const std::string_view afterBlanks = TrimLeft(rest);
    if (!TrimRight(afterBlanks).empty() && afterBlanks.front() != ';')
        return false;
    comment.assign(TrimRight(rest));
    return true;
}

std::string FormatData(const Hive::Value& value)
{
    char buffer[16];
    if (value.type == REG_DWORD && value.data.size() == 4) {
        const uint32_t v = value.data[0] | value.data[1] << 8 | value.data[2] << 16 | uint32_t{value.data[3]} << 24;
        std::snprintf(buffer, sizeof buffer, "dword:%08x", static_cast<unsigned>(v));
        return buffer;
    }
    const bool terminated = !value.data.empty() && value.data.back() == 0;
    const bool inner0 = terminated && std::find(value.data.begin(), value.data.end() - 1, 0) != value.data.end() - 1;
    if (value.type == REG_SZ && terminated && !inner0)
        return "\"" + EscapeString(std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1)) +
               "\"";
    std::string out;
    if (value.type == REG_BINARY) {
        out = "hex:";
    } else {
        std::snprintf(buffer, sizeof buffer, "hex(%x):", static_cast<unsigned>(value.type));
        out = buffer;
    }
    for (size_t i = 0; i < value.data.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%s%02x", i ? "," : "", value.data[i]);
        out += buffer;
    }
    return out;
}

// Where the data of a value line starts (after '='), with the value's name; npos when the line
// is no value line.
size_t DataStart(std::string_view line, std::string& name)
{
    size_t pos = 0;
    name.clear();
    if (!line.empty() && line[0] == '@')
        pos = 1;
    else if (!ParseQuoted(line, pos, name))
        return std::string_view::npos;
    if (pos >= line.size() || line[pos] != '=')
        return std::string_view::npos;
    return pos + 1;
}

// A value given as bytes goes on in the next line when its data ends in a backslash after a
// comma (or right after "hex:"), as regedit breaks long values; one in a comment does not.
bool ContinuesOnNextLine(std::string_view line)
{
    line = TrimRight(line);
    if (line.size() < 2 || line.back() != '\\')
        return false;
    std::string name;
    const size_t data = DataStart(line, name);
    if (data == std::string_view::npos || line.substr(data, 3) != "hex" ||
        line.find(';', data) != std::string_view::npos)
        return false;
    const std::string_view before = TrimRight(line.substr(0, line.size() - 1));
    return !before.empty() && (before.back() == ',' || before.back() == ':');
}

} // namespace

std::string NormaliseKeyPath(std::string_view path)
{
    std::string result;
    while (!path.empty()) {
        const size_t slash = path.find('\\');
        const std::string_view part = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (part.empty())
            continue;
        if (!result.empty())
            result += '\\';
        result += part;
    }
    return result;
}

Hive::Hive(std::string rootName, std::string filePath)
    : m_rootName(std::move(rootName)), m_filePath(std::move(filePath))
{
}

const std::string& Hive::NewLineEnd() const { return m_crlf ? kCrLf : kLf; }

void Hive::Clear()
{
    m_sources.clear();
    m_lines.clear();
    m_added.clear();
    m_keys.clear();
    m_crlf = false;
}

void Hive::Refresh()
{
    if (m_filePath.empty())
        return;
    const std::string stamp = FileStamp(m_filePath);
    if (m_loaded && stamp == m_loadedStamp)
        return;
    // Keys created in memory and not written yet outlive a reload of the file.
    std::vector<std::string> unwritten;
    for (const auto& [lower, key] : m_keys)
        if (key.last == kNoLine)
            unwritten.push_back(key.path);

    m_loaded = true;
    m_loadedStamp = stamp;
    m_loadRefused = false;
    std::string text;
    bool tooLarge = false;
    const FileError error = ReadTextFile(m_filePath, text, MAX_HIVE_FILE_SIZE, &tooLarge);
    Clear();
    if (error == FileError::None || error == FileError::NotFound) {
        if (const int bad = LoadText(std::move(text)))
            std::fprintf(stderr, "Ripwell: %s: %d line(s) could not be read; they are kept as they are\n",
                         m_filePath.c_str(), bad);
    } else {
        m_loadRefused = true;
        if (tooLarge)
            std::fprintf(stderr, "Ripwell: %s is larger than %u MB, too large for a settings file; using the "
                                 "defaults and leaving the file as it is\n",
                         m_filePath.c_str(), static_cast<unsigned>(MAX_HIVE_FILE_SIZE >> 20));
        else
            std::fprintf(stderr, "Ripwell: %s cannot be read; using the defaults and leaving the file as it is\n",
                         m_filePath.c_str());
    }
    for (const std::string& path : unwritten)
        MakeKey(path);
}

int Hive::LoadText(std::string text)
{
    const std::string_view source(m_sources.emplace_back(std::move(text)));
    const size_t firstEnd = source.find('\n');
    if (m_lines.empty())
        m_crlf = firstEnd != std::string_view::npos && firstEnd > 0 && source[firstEnd - 1] == '\r';
    const size_t firstLine = m_lines.size();
    m_lines.reserve(m_lines.size() + size_t(std::count(source.begin(), source.end(), '\n')) + 1);

    Key* current = nullptr;
    int bad = 0;
    size_t pos = 0;
    std::string joined;
    while (pos < source.size()) {
        bool dangling = false;
        size_t end = source.find('\n', pos);
        end = end == std::string_view::npos ? source.size() : end + 1;
        std::string_view logical = TrimRight(source.substr(pos, end - pos - (source[end - 1] == '\n')));
        if (ContinuesOnNextLine(logical)) {
            // The continued lines are one value: joined without the backslashes and the
            // indentation, and kept together as one line of the text.
            joined.assign(logical.substr(0, logical.size() - 1));
            bool more = true;
            while (more && end < source.size()) {
                size_t next = source.find('\n', end);
                next = next == std::string_view::npos ? source.size() : next + 1;
                std::string_view piece =
                    TrimRight(TrimLeft(source.substr(end, next - end - (source[next - 1] == '\n'))));
                end = next;
                more = !piece.empty() && piece.back() == '\\';
                if (more)
                    piece.remove_suffix(1);
                joined += piece;
            }
            logical = joined;
            // The text ended while the value still went on: a line written after it must not be
            // taken for more of it.
            dangling = more;
        }
        m_lines.push_back(Line{source.substr(pos, end - pos)});
        m_lines.back().continues = dangling;
        ReadLine(static_cast<uint32_t>(m_lines.size() - 1), m_lines.size() - 1 == firstLine, logical, current, bad);
        pos = end;
    }
    return bad;
}

void Hive::ReadLine(uint32_t index, bool first, std::string_view logical, Key*& current, int& bad)
{
    const std::string_view trimmed = TrimLeft(logical);
    const bool signature = first && (logical == "REGEDIT4" || logical.substr(0, 23) == "Windows Registry Editor");
    if (signature || trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#')
        return;
    if (logical.front() == '[') {
        current = nullptr;
        const size_t rootLength = m_rootName.size();
        if (logical.back() != ']' || logical.size() < rootLength + 2 ||
            !SameName(logical.substr(1, rootLength), m_rootName) ||
            (logical.size() > rootLength + 2 && logical[rootLength + 1] != '\\')) {
            ++bad;
            return;
        }
        Key& key = MakeKey(NormaliseKeyPath(logical.substr(rootLength + 1, logical.size() - rootLength - 2)));
        key.last = index;
        current = &key;
        return;
    }
    std::string name;
    const size_t data = DataStart(logical, name);
    StoredValue stored;
    if (!current || data == std::string_view::npos ||
        !ParseData(logical.substr(data), stored.value.type, stored.value.data, stored.comment)) {
        ++bad;
        return;
    }
    current->last = index;
    stored.line = LineRef{index, 0};
    auto [found, added] = current->byName.try_emplace(Lower(name), static_cast<uint32_t>(current->values.size()));
    if (!added) {
        // A later line of the same name wins, as it would when the file is imported.
        StoredValue& earlier = current->values[found->second];
        stored.value.name = std::move(earlier.value.name);
        stored.shadowed = std::move(earlier.shadowed);
        stored.shadowed.push_back(earlier.line);
        earlier = std::move(stored);
        return;
    }
    stored.value.name = std::move(name);
    current->values.push_back(std::move(stored));
}

std::string Hive::ToText() const
{
    std::string out;
    size_t size = 256;
    for (const std::string& source : m_sources)
        size += source.size();
    out.reserve(size);
    bool continues = false;
    const auto append = [this, &out, &continues](std::string_view piece) {
        if (piece.empty())
            return;
        // Only the last line of a file may lack its line end; text after it gets one first,
        // and a blank line ends a value that was still going on there.
        if (!out.empty() && out.back() != '\n')
            out += out.back() == '\r' ? kLf : NewLineEnd();   // a carriage return already there
        if (continues)
            out += NewLineEnd();
        continues = false;
        out += piece;
    };
    for (uint32_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        append(line.replaced ? std::string_view(line.text) : line.source);
        continues = continues || (!line.replaced && line.continues);
        if (line.hasAdded)
            for (const std::string& added : m_added.at(i))
                append(added);
    }
    return out;
}

Hive::Key& Hive::MakeKey(const std::string& normalPath)
{
    // Every key above it comes into being too.
    Key* key = nullptr;
    size_t end = 0;
    do {
        end = normalPath.find('\\', end + (end != 0));
        const std::string partial = normalPath.substr(0, end);
        key = &m_keys[Lower(partial)];
        if (key->path.empty())
            key->path = partial;
    } while (end != std::string::npos);
    return *key;
}

Hive::Key* Hive::Find(const std::string& path)
{
    Refresh();
    auto found = m_keys.find(Lower(NormaliseKeyPath(path)));
    return found == m_keys.end() ? nullptr : &found->second;
}

bool Hive::Writable()
{
    if (m_readOnly)
        return false;
    if (m_filePath.empty())
        return true;
    Refresh();
    return !m_loadRefused && CanWritePath(m_filePath);
}

bool Hive::Save()
{
    if (m_filePath.empty())
        return !m_readOnly;
    if (m_loadRefused)
        return false;
    std::error_code error;
    const auto folder = std::filesystem::path(FinalLinkTarget(m_filePath)).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, error);
    if (!WriteFileAtomically(m_filePath, ToText()))
        return false;
    m_loadedStamp = FileStamp(m_filePath);
    return true;
}

bool Hive::HasKey(const std::string& path) { return NormaliseKeyPath(path).empty() || Find(path) != nullptr; }

bool Hive::CreateKey(const std::string& path, bool* created)
{
    if (created)
        *created = false;
    if (HasKey(path))
        return true;
    if (!Writable())
        return false;
    MakeKey(NormaliseKeyPath(path));
    if (created)
        *created = true;
    return true;
}

const Hive::Value* Hive::FindValue(const std::string& path, const std::string& name)
{
    Key* key = Find(path);
    if (!key)
        return nullptr;
    const auto found = key->byName.find(Lower(name));
    return found == key->byName.end() ? nullptr : &key->values[found->second].value;
}

Hive::LineRef Hive::AddValueLine(Key& key)
{
    if (key.last == kNoLine) {
        const auto push = [this](std::string text) {
            m_lines.push_back(Line{{}, std::move(text), true});
            return static_cast<uint32_t>(m_lines.size() - 1);
        };
        if (m_lines.empty())
            push("REGEDIT4" + NewLineEnd());
        push(NewLineEnd());
        key.last = push("[" + m_rootName + (key.path.empty() ? "" : "\\" + key.path) + "]" + NewLineEnd());
    }
    Line& anchor = m_lines[key.last];
    std::vector<std::string>& added = m_added[key.last];
    anchor.hasAdded = true;
    added.emplace_back();
    return LineRef{key.last, static_cast<uint32_t>(added.size())};
}

void Hive::SetLineText(LineRef ref, const StoredValue& stored)
{
    const std::string& name = stored.value.name;
    std::string text = (name.empty() ? "@" : "\"" + EscapeString(name) + "\"") + "=" + FormatData(stored.value) +
                       stored.comment;
    if (ref.added == 0) {
        Line& line = m_lines[ref.line];
        text += line.replaced && line.source.empty() ? std::string_view(NewLineEnd()) : LineEndOf(line.source);
        line.text = std::move(text);
        line.replaced = true;
    } else {
        m_added.at(ref.line)[ref.added - 1] = text + NewLineEnd();
    }
}

void Hive::RemoveLine(LineRef ref)
{
    if (ref.added == 0) {
        m_lines[ref.line].text.clear();
        m_lines[ref.line].replaced = true;
    } else {
        m_added.at(ref.line)[ref.added - 1].clear();
    }
}

bool Hive::SetValue(const std::string& path, const std::string& name, DWORD type, std::vector<BYTE> data)
{
    if (!Writable())
        return false;
    Key& key = MakeKey(NormaliseKeyPath(path));
    m_writeLog.push_back(key.path + "\\" + name);
    const auto [found, isNew] = key.byName.try_emplace(Lower(name), static_cast<uint32_t>(key.values.size()));
    if (isNew) {
        key.values.push_back(StoredValue{Value{name, type, std::move(data)}, AddValueLine(key)});
    } else {
        Value& value = key.values[found->second].value;
        if (value.type == type && value.data == data)
            return true;   // nothing changes, nothing is written
        value.type = type;
        value.data = std::move(data);
    }
    const StoredValue& stored = key.values[found->second];
    SetLineText(stored.line, stored);
    return Save();
}

bool Hive::DeleteValue(const std::string& path, const std::string& name)
{
    if (!Writable())
        return false;
    Key* key = Find(path);
    if (!key)
        return false;
    const auto found = key->byName.find(Lower(name));
    if (found == key->byName.end())
        return false;
    const uint32_t index = found->second;
    // The value's own line goes, and every earlier line of the same name, which would give it
    // again at the next load.
    RemoveLine(key->values[index].line);
    for (const LineRef& earlier : key->values[index].shadowed)
        RemoveLine(earlier);
    key->values.erase(key->values.begin() + index);
    key->byName.erase(found);
    for (auto& [lower, position] : key->byName)
        if (position > index)
            --position;
    return Save();
}

} // namespace platform
