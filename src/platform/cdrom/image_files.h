// The files of disc images, found and opened with care: a name is looked for as Windows would
// find it (backslashes as separators, any case), and nothing is opened unless it is a regular
// file, so that a FIFO or a device named by a drive list or a sheet never blocks the program.
#pragma once

#include <sndfile.h>
#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace platform::cdrom {

// The path of a file an image names: relative names are taken from the image's folder, a
// backslash separates folders, and when no file has the exact name, a file whose name differs
// only in the case of its letters is taken. The path as written when nothing is found.
std::string ResolveImageFileName(const std::string& name, const std::string& folder);

// Whether path names a regular file; false and a reason ("there is no such file", "it is a
// folder, not a file" ...) otherwise.
bool CheckRegularFile(const std::string& path, struct stat* info, std::string* reason);

// Opens a regular file for reading; -1 and a reason ("there is no such file", "it is a folder,
// not a file" ...) for anything else. A FIFO or a device is refused without waiting on it.
int OpenRegularFile(const std::string& path, struct stat* info, std::string* reason);

// The whole of a regular text file of at most maxBytes.
bool ReadRegularFile(const std::string& path, uint64_t maxBytes, std::string* text, std::string* reason);

// A sound file, checked to be a regular file, opened through libsndfile (closed with sf_close).
SNDFILE* OpenSoundFile(const std::string& path, SF_INFO* format, struct stat* info, std::string* reason);

// Modification time in nanoseconds.
int64_t ModificationTime(const struct stat& info);

} // namespace platform::cdrom
