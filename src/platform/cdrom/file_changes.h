// Whether the files of a disc image changed, found out cheaply: the kernel reports every change in
// the folders that hold them (inotify), so that a device request asks with one read of the
// reports that came instead of a look at each file (which costs a walk of its path, dear in a
// virtual machine). Changes of any kind count, even a rewrite within the same tick of the clock
// that leaves size and time as they were.
//
// Where the kernel cannot report (no inotify, no room for another watch, a file reached through a
// symbolic link), Watch gives 0 and the caller looks at the files itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::cdrom {

// Starts watching the files; a token to ask about them, or 0 when they cannot be watched.
uint64_t WatchFiles(const std::vector<std::string>& paths);

// Whether a file of the token was created, changed, moved or removed since WatchFiles.
bool FilesChanged(uint64_t token);

// Stops asking about the files of the token.
void ForgetFiles(uint64_t token);

} // namespace platform::cdrom
