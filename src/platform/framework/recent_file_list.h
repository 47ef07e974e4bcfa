// The recent-file list of the File menu: most recent first, no repeats, a fixed number of
// entries. Names are compared as given (the paths are absolute).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace framework {

inline constexpr std::size_t RECENT_FILE_COUNT = 4;

void AddToRecentFiles(std::vector<std::string>& list, const std::string& path,
                      std::size_t count = RECENT_FILE_COUNT);
void RemoveFromRecentFiles(std::vector<std::string>& list, std::size_t index);

} // namespace framework
