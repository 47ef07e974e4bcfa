// The recent-file list of the File menu: most recent first, no repeats, a fixed number of
// entries. Names are compared as given (the paths are absolute). The list lives in the
// application's profile section "Recent File List" as the strings "File1", "File2" ...
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace framework {

inline constexpr std::size_t RECENT_FILE_COUNT = 4;

// Puts the path first; an entry already in the list moves up, the oldest falls out.
void AddToRecentFiles(std::vector<std::string>& list, const std::string& path, std::size_t count = RECENT_FILE_COUNT);
// Removes entry index (0 = the most recent), as after a failed open.
void RemoveFromRecentFiles(std::vector<std::string>& list, std::size_t index);

// Reads "File1" to "File<count>"; empty and missing entries are left out.
std::vector<std::string> LoadRecentFileList(std::size_t count = RECENT_FILE_COUNT);
// Writes the entries as "File1" onwards and removes the values of the slots beyond them, so an
// entry removed during the run stays removed.
void SaveRecentFileList(const std::vector<std::string>& list, std::size_t count = RECENT_FILE_COUNT);

} // namespace framework
