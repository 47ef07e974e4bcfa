#include "platform/hive_text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace platform::hive_text {
namespace {

constexpr DWORD kRegSz = 1;
constexpr DWORD kRegBinary = 3;
constexpr DWORD kRegDword = 4;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
unsigned HexDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c))
        ? unsigned(c - '0')
        : unsigned(std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
}

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

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
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

// Reads a quoted string starting at text[pos] == '"' into *out (when given); pos ends after the
// closing quote.
bool ParseQuoted(std::string_view text, size_t& pos, std::string* out)
{
    if (pos >= text.size() || text[pos] != '"')
        return false;
    if (out)
        out->clear();
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
        if (out)
            *out += c;
    }
    return false;
}

// "01,ff, 2" -> {1, 255, 2} into *bytes (when given); empty items are passed over, as regedit
// passes them.
bool ParseHexBytes(std::string_view text, std::vector<BYTE>* bytes)
{
    if (bytes)
        bytes->clear();
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view item = TrimRight(TrimLeft(text.substr(0, comma)));
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (item.empty())
            continue;
        if (item.size() > 2 || !std::all_of(item.begin(), item.end(), IsHex))
            return false;
        if (bytes)
            bytes->push_back(
                static_cast<BYTE>(item.size() == 1 ? HexDigit(item[0]) : HexDigit(item[0]) * 16 + HexDigit(item[1])));
    }
    return true;
}

uint32_t ParseHexNumber(std::string_view digits)
{
    uint32_t value = 0;
    for (char c : digits)
        value = value * 16 + HexDigit(c);
    return value;
}

// The data part of a value line: "text", dword:XXXXXXXX, hex:.., hex(N):.., then nothing but
// blanks and an optional "; comment". The outputs are filled when given.
bool ParseData(std::string_view text, DWORD* type, std::vector<BYTE>* data, std::string* comment)
{
    std::string_view rest;
    DWORD kind = 0;
    if (!text.empty() && text[0] == '"') {
        size_t pos = 0;
        std::string value;
        if (!ParseQuoted(text, pos, data ? &value : nullptr))
            return false;
        rest = text.substr(pos);
        kind = kRegSz;
        if (data) {
            data->assign(value.begin(), value.end());
            data->push_back(0);
        }
    } else {
        const std::string_view token = TrimRight(text.substr(0, text.find(';')));
        rest = text.substr(token.size());
        if (token.substr(0, 6) == "dword:") {
            const std::string_view digits = token.substr(6);
            if (digits.empty() || digits.size() > 8 || !std::all_of(digits.begin(), digits.end(), IsHex))
                return false;
            kind = kRegDword;
            if (data) {
                const uint32_t value = ParseHexNumber(digits);
                *data = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                         static_cast<BYTE>(value >> 24)};
            }
        } else if (token.substr(0, 4) == "hex:") {
            kind = kRegBinary;
            if (!ParseHexBytes(token.substr(4), data))
                return false;
        } else if (token.substr(0, 4) == "hex(") {
            const size_t close = token.find("):");
            if (close == std::string_view::npos || close == 4 || close - 4 > 8)
                return false;
            const std::string_view number = token.substr(4, close - 4);
            if (!std::all_of(number.begin(), number.end(), IsHex))
                return false;
            kind = ParseHexNumber(number);
            if (!ParseHexBytes(token.substr(close + 2), data))
                return false;
        } else {
            return false;
        }
    }
    const std::string_view afterBlanks = TrimLeft(rest);
    if (!TrimRight(afterBlanks).empty() && afterBlanks.front() != ';')
        return false;
    if (type)
        *type = kind;
    if (comment)
        comment->assign(TrimRight(rest));
    return true;
}

std::string FormatData(DWORD type, const std::vector<BYTE>& data)
{
    char buffer[16];
    if (type == kRegDword && data.size() == 4) {
        const uint32_t v = data[0] | data[1] << 8 | data[2] << 16 | uint32_t{data[3]} << 24;
        std::snprintf(buffer, sizeof buffer, "dword:%08x", static_cast<unsigned>(v));
        return buffer;
    }
    const bool terminated = !data.empty() && data.back() == 0;
    const bool inner0 = terminated && std::find(data.begin(), data.end() - 1, 0) != data.end() - 1;
    if (type == kRegSz && terminated && !inner0)
        return "\"" + EscapeString(std::string_view(reinterpret_cast<const char*>(data.data()), data.size() - 1)) +
            "\"";
    std::string out;
    if (type == kRegBinary) {
        out = "hex:";
    } else {
        std::snprintf(buffer, sizeof buffer, "hex(%x):", static_cast<unsigned>(type));
        out = buffer;
    }
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%s%02x", i ? "," : "", data[i]);
        out += buffer;
    }
    return out;
}

// Where the data of a value line starts (after '='), with its name in *name when given; npos
// when the line is no value line.
size_t DataStart(std::string_view line, std::string* name)
{
    size_t pos = 0;
    if (name)
        name->clear();
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
    if (line.size() < 2 || line.back() != '\\')
        return false;
    const size_t data = DataStart(line, nullptr);
    if (data == std::string_view::npos || line.substr(data, 3) != "hex" ||
        line.find(';', data) != std::string_view::npos)
        return false;
    const std::string_view before = TrimRight(line.substr(0, line.size() - 1));
    return !before.empty() && (before.back() == ',' || before.back() == ':');
}

// The physical line at pos: its bytes without the line end ("\n", or "\r\n"), and where the
// next one begins.
std::string_view PhysicalLine(std::string_view source, size_t pos, size_t* next)
{
    const size_t newline = source.find('\n', pos);
    *next = newline == std::string_view::npos ? source.size() : newline + 1;
    std::string_view line = source.substr(pos, (newline == std::string_view::npos ? source.size() : newline) - pos);
    if (newline != std::string_view::npos && !line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

} // namespace

LogicalLine ReadLogicalLine(std::string_view source, size_t pos, std::string& joined)
{
    LogicalLine line;
    line.begin = pos;
    const std::string_view first = PhysicalLine(source, pos, &line.next);
    line.end = pos + first.size();
    line.text = TrimRight(first);
    if (!ContinuesOnNextLine(line.text))
        return line;
    // The continued lines are one value, joined without the backslashes and the indentation.
    joined.assign(line.text.substr(0, line.text.size() - 1));
    bool more = true;
    while (more && line.next < source.size()) {
        const size_t at = line.next;
        const std::string_view physical = PhysicalLine(source, at, &line.next);
        line.end = at + physical.size();
        std::string_view piece = TrimRight(TrimLeft(physical));
        more = !piece.empty() && piece.back() == '\\';
        if (more)
            piece.remove_suffix(1);
        joined += piece;
    }
    line.text = joined;
    line.dangling = more;
    return line;
}

LineKind Classify(std::string_view line, bool first, std::string_view root, std::string* path)
{
    const std::string_view trimmed = TrimLeft(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#' ||
        (first && (line == "REGEDIT4" || line.substr(0, 23) == "Windows Registry Editor")))
        return LineKind::Nothing;
    if (line.front() == '[') {
        if (line.back() != ']' || line.size() < root.size() + 2 || !SameName(line.substr(1, root.size()), root) ||
            (line.size() > root.size() + 2 && line[root.size() + 1] != '\\'))
            return LineKind::BadHeader;
        if (path)
            *path = NormaliseKeyPath(line.substr(root.size() + 1, line.size() - root.size() - 2));
        return LineKind::Header;
    }
    const size_t data = DataStart(line, nullptr);
    return data != std::string_view::npos && ParseData(line.substr(data), nullptr, nullptr, nullptr)
        ? LineKind::Value
        : LineKind::Unreadable;
}

bool ParseValueLine(std::string_view line, std::string& name, DWORD& type, std::vector<BYTE>& data,
                    std::string& comment)
{
    const size_t start = DataStart(line, &name);
    return start != std::string_view::npos && ParseData(line.substr(start), &type, &data, &comment);
}

std::string FormatValueLine(const std::string& name, DWORD type, const std::vector<BYTE>& data,
                            const std::string& comment)
{
    return (name.empty() ? "@" : "\"" + EscapeString(name) + "\"") + "=" + FormatData(type, data) + comment;
}

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

} // namespace platform::hive_text
