// Replacing a file on disk so that it is either the old file or the whole new one, never a
// truncated mix: the text goes to a temporary file in the same folder, is flushed to the disk,
// and is then renamed over the old file.
#pragma once

#include <functional>
#include <string>

namespace platform {

// False when any step fails; the old file is then unchanged and no temporary file is left.
// beforeRename lets a test stop the write just before the rename (return false to stop).
bool WriteFileAtomically(const std::string& path, const std::string& contents,
                         const std::function<bool()>& beforeRename = {});

} // namespace platform
