// The data file names of a cdrdao TOC file. libcdio opens the files a TOC names relative to the
// working folder of the program, not to the TOC's own folder, so a TOC opened from anywhere else
// finds nothing; the names are made absolute before libcdio sees the text.
#pragma once

#include <string>
#include <vector>

namespace platform::cdrom {

// The text with every relative name after FILE, AUDIOFILE or DATAFILE prefixed by folder and a
// slash; the names (as they are after the change) go to *names. Comments and other strings are
// left alone. A folder holding a quote or a backslash cannot be written into a TOC string: the
// text is then given back unchanged.
std::string AnchorTocFileNames(const std::string& text, const std::string& folder, std::vector<std::string>* names);

} // namespace platform::cdrom
