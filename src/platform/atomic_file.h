// Replacing a file on disk so that it is either the old file or the whole new one, never a
// truncated mix. One mechanism serves every file the program writes (documents, the settings
// hive, profile files such as CDPLAYER.INI), through AtomicFileWriter (platform/file.h):
//  - the new contents go to a temporary file created exclusively (O_EXCL) in the folder of
//    the file that is replaced, so the rename never crosses a file system;
//  - the temporary file is flushed to the disk before the rename, and the folder after it, so
//    that after a crash the name holds either the old or the new file;
//  - the new file keeps the mode of the old one, and its owner and group where the process
//    may set them;
//  - a symbolic link is followed to the file it finally names, which is replaced beside
//    itself: the link stays a link (a settings file kept in a dotfiles repository stays
//    there).
#pragma once

#include "platform/file.h"

#include <functional>
#include <string>

namespace platform {

// False when any step fails; the old file is then unchanged and no temporary file is left.
// beforeRename lets a test stop the write just before the rename (return false to stop).
bool WriteFileAtomically(const std::string& path, const std::string& contents,
                         const std::function<bool()>& beforeRename = {});

// The file that path finally names: every symbolic link on the way replaced by what it points
// to (a relative link from the link's own folder). The path itself when it is no link, or a
// path that does not exist yet (a dangling link gives the file it would create). Empty after
// too many links (a loop).
std::string FinalLinkTarget(const std::string& path);

} // namespace platform
