#include "rip/file_naming.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

#include "player/disc_titles.h"

namespace {

bool Refused(unsigned char c)
{
    return c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
        c == '>' || c == '|';
}

std::string Upper(const std::string& text)
{
    std::string out = text;
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

bool IsDeviceName(const std::string& name)
{
    // The part before the first dot counts: "con.flac" is as reserved as "con".
    const std::string stem = Upper(name.substr(0, name.find('.')));
    static const char* const kNames[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* reserved : kNames)
        if (stem == reserved)
            return true;
    return stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) && stem[3] >= '1' &&
        stem[3] <= '9';
}

} // namespace

std::string SafeFileName(const std::string& name)
{
    std::string out;
    out.reserve(name.size());
    for (unsigned char c : name)
        out.push_back(Refused(c) ? '_' : static_cast<char>(c));
    const size_t first = out.find_first_not_of(' ');
    out = first == std::string::npos ? std::string() : out.substr(first);
    out = CutTitle(out, MAX_FILE_NAME_BYTES);
    while (!out.empty() && (out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    if (out.empty())
        return "_";
    if (out == "." || out == ".." || IsDeviceName(out))
        out += '_';
    return out;
}

std::string FileNameFromPattern(const std::string& pattern, const FileNameFields& fields)
{
    std::string name;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 == pattern.size()) {
            name += pattern[i];
            continue;
        }
        switch (pattern[++i]) {
        case 'n': {
            char number[8];
            std::snprintf(number, sizeof number, "%02u", fields.number % 100);
            name += number;
            break;
        }
        case 't': name += fields.title; break;
        case 'a': name += fields.artist; break;
        case 'b': name += fields.album; break;
        case 'r': name += fields.albumArtist; break;
        case '%': name += '%'; break;
        default: name += '%'; name += pattern[i];
        }
    }
    return SafeFileName(name);
}

void MakeNamesDistinct(std::vector<std::string>* names)
{
    std::set<std::string> taken;
    for (std::string& name : *names) {
        std::string candidate = name;
        for (int copy = 2; taken.count(Upper(candidate)); ++copy)
            candidate = name + " (" + std::to_string(copy) + ")";
        taken.insert(Upper(candidate));
        name = candidate;
    }
}
