// The names of a rip's files: a pattern filled with the track's number, title and artists, and
// made safe for every file system a user may copy the files to.
//
// Pattern fields: %n the track number in two digits, %t the title, %a the track's artist, %b
// the album, %r the album's artist, %% a percent sign. Any other character stands for itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* DEFAULT_FILE_NAME_PATTERN = "%n - %t";
// File names stay within the 255 bytes most file systems allow, with room for ".flac.tmp".
inline constexpr size_t MAX_FILE_NAME_BYTES = 240;

struct FileNameFields {
    unsigned number = 0;
    std::string title;
    std::string artist;
    std::string album;
    std::string albumArtist;
};

// Replaces what file systems refuse in a name: the separators / and \, the characters
// Windows and FAT forbid (: * ? " < > |) and control characters become "_"; leading blanks
// and trailing blanks and dots go; "." and ".." and the device names of Windows (CON, NUL,
// COM1 ...) get a "_" appended; a name longer than MAX_FILE_NAME_BYTES is cut between two
// characters. An empty result is "_".
std::string SafeFileName(const std::string& name);

// The pattern filled with the fields, then made safe. The fields themselves cannot bring a
// separator into the name.
std::string FileNameFromPattern(const std::string& pattern, const FileNameFields& fields);

// Makes every name of the list differ from the others (as file systems that ignore case see
// them) by appending " (2)", " (3)" ... to the later ones.
void MakeNamesDistinct(std::vector<std::string>* names);
