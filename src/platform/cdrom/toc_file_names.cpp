#include "platform/cdrom/toc_file_names.h"

#include <cctype>

namespace platform::cdrom {

namespace {

bool IsFileKeyword(const std::string& word)
{
    return word == "FILE" || word == "AUDIOFILE" || word == "DATAFILE";
}

// The folder as the inside of a TOC string: backslashes and quotes escaped.
std::string QuotedFolder(const std::string& folder)
{
    std::string quoted;
    for (char c : folder) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    if (quoted.empty() || quoted.back() != '/')
        quoted += '/';
    return quoted;
}

} // namespace

std::string TocWithAbsoluteFileNames(const std::string& toc, const std::string& folder, bool* changed)
{
    std::string out;
    out.reserve(toc.size() + 256);
    bool nameFollows = false;
    *changed = false;
    size_t i = 0;
    while (i < toc.size()) {
        const char c = toc[i];
        if (c == '/' && i + 1 < toc.size() && toc[i + 1] == '/') {
            const size_t end = toc.find('\n', i);
            const size_t stop = end == std::string::npos ? toc.size() : end;
            out.append(toc, i, stop - i);
            i = stop;
            continue;
        }
        if (c == '"') {
            size_t end = i + 1;
            while (end < toc.size() && toc[end] != '"') {
                if (toc[end] == '\\' && end + 1 < toc.size())
                    ++end;
                ++end;
            }
            // Without a closing quote the rest is copied as it is; libcdio will refuse it.
            const size_t stop = end < toc.size() ? end + 1 : toc.size();
            const std::string inside = toc.substr(i + 1, (end < toc.size() ? end : toc.size()) - i - 1);
            if (nameFollows && end < toc.size() && !inside.empty() && inside[0] != '/' && inside != "-") {
                out += '"';
                out += QuotedFolder(folder);
                out += inside;
                out += '"';
                *changed = true;
            } else {
                out.append(toc, i, stop - i);
            }
            nameFollows = false;
            i = stop;
            continue;
        }
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            size_t end = i;
            while (end < toc.size() && (std::isalnum(static_cast<unsigned char>(toc[end])) || toc[end] == '_'))
                ++end;
            const std::string word = toc.substr(i, end - i);
            nameFollows = IsFileKeyword(word);
            out += word;
            i = end;
            continue;
        }
        if (!std::isspace(static_cast<unsigned char>(c)))
            nameFollows = false;
        out += c;
        ++i;
    }
    return out;
}

} // namespace platform::cdrom
