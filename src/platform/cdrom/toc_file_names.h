// libcdio looks for the files a cdrdao TOC names in the current folder, not in the TOC's own
// folder, so a TOC opened from anywhere else finds no data. Before libcdio reads a TOC, its
// relative file names are made absolute against the TOC's folder.
#pragma once

#include <string>

namespace platform::cdrom {

// toc with the file name of every FILE, AUDIOFILE and DATAFILE statement that is relative made
// absolute against folder; comments and other strings are left alone. *changed tells whether
// any name was rewritten.
std::string TocWithAbsoluteFileNames(const std::string& toc, const std::string& folder, bool* changed);

} // namespace platform::cdrom
