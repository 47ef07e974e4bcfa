#include "platform/cdrom/toc_file_names.h"

#include <cctype>

namespace platform::cdrom {

namespace {

bool IsWordCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The end of the string that starts with the quote at open (one past the closing quote), or npos.
size_t StringEnd(const std::string& text, size_t open)
{
    for (size_t i = open + 1; i < text.size(); ++i) {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == '"')
            return i + 1;
        else if (text[i] == '\n')
            return std::string::npos;
    }
    return std::string::npos;
}

} // namespace

std::string AnchorTocFileNames(const std::string& text, const std::string& folder, std::vector<std::string>* names)
{
    const bool canAnchor = !folder.empty() && folder.find_first_of("\"\\") == std::string::npos;
    std::string out;
    out.reserve(text.size() + 256);
    size_t i = 0;
    bool expectName = false;  // the last word was FILE, AUDIOFILE or DATAFILE
    while (i < text.size()) {
        const char c = text[i];
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            const size_t end = text.find('\n', i);
            const size_t stop = end == std::string::npos ? text.size() : end;
            out.append(text, i, stop - i);
            i = stop;
            continue;
        }
        if (c == '"') {
            const size_t end = StringEnd(text, i);
            if (end == std::string::npos) {  // an open string: libcdio will refuse the text
                out.append(text, i, std::string::npos);
                break;
            }
            std::string name = text.substr(i + 1, end - i - 2);
            if (expectName) {
                if (canAnchor && !name.empty() && name.front() != '/')
                    name = folder + "/" + name;
                if (names)
                    names->push_back(name);
                out += '"' + name + '"';
            } else {
                out.append(text, i, end - i);
            }
            expectName = false;
            i = end;
            continue;
        }
        if (IsWordCharacter(c)) {
            size_t end = i;
            while (end < text.size() && IsWordCharacter(text[end]))
                ++end;
            const std::string word = text.substr(i, end - i);
            expectName = word == "FILE" || word == "AUDIOFILE" || word == "DATAFILE";
            out += word;
            i = end;
            continue;
        }
        if (!std::isspace(static_cast<unsigned char>(c)))
            expectName = false;
        out += c;
        ++i;
    }
    return out;
}

} // namespace platform::cdrom
