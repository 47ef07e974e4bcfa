// The lines of a REGEDIT4-style hive text (platform/hive.h): what each line is, how a value
// line is taken apart and how one is written. A value given as bytes may go on over several
// lines, each but the last ending in a backslash; such lines make one logical line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::hive_text {

using DWORD = uint32_t;
using BYTE = uint8_t;

// One logical line of a text: its bytes [begin, end) without the line end; next is where the
// line after it begins. text is the line to read: its bytes trimmed at the right, or for a value
// over several lines the value joined (held in the caller's buffer).
struct LogicalLine {
    size_t begin = 0;
    size_t end = 0;
    size_t next = 0;
    std::string_view text;
    bool dangling = false; // the text ended while the value still went on
};
LogicalLine ReadLogicalLine(std::string_view source, size_t pos, std::string& joined);

enum class LineKind {
    Nothing,    // blank, a comment, or the REGEDIT signature of a first line
    Header,     // [ROOT\path], path in *path, normalised
    BadHeader,  // a [ line that is no header of this root
    Value,      // a value line that reads whole
    Unreadable, // anything else
};
// What a logical line is; a value line is checked whole without taking it apart.
LineKind Classify(std::string_view line, bool first, std::string_view root, std::string* path);

// A value line taken apart: its name (empty for @), type and data, and what followed the data on
// the line (blanks and a "; comment"). False when the line is no value line.
bool ParseValueLine(std::string_view line, std::string& name, DWORD& type, std::vector<BYTE>& data,
                    std::string& comment);

// A value line as the program writes it, with a comment kept from the line it replaces.
std::string FormatValueLine(const std::string& name, DWORD type, const std::vector<BYTE>& data,
                            const std::string& comment);

// "a\\b\\" -> "a\\b": the form of a key path the hive compares; empty parts are dropped.
std::string NormaliseKeyPath(std::string_view path);

} // namespace platform::hive_text
