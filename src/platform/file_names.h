// File names between the program's strings and Qt's. The program keeps a file name as the
// bytes the file system uses, which on Linux need not be valid text ("bad\xff\xfe.wav" is a
// legal name, common on old discs and archives). Qt keeps names as text in the local 8-bit
// encoding of the file system; a name that is not valid in it is shown with replacement
// characters and cannot be turned back into its bytes, and Qt's own folder listing leaves
// such names out. Every path that crosses between the two goes through these functions.
#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <vector>

class QUrl;

namespace platform {

// A file name for showing (QFile::decodeName).
QString FileNameToQt(std::string_view name);
// A name Qt gives, as the file system's bytes (QFile::encodeName).
std::string FileNameFromQt(const QString& name);

// The names in a folder (bytes) that Qt cannot show as they are, sorted.
std::vector<std::string> UndecodableNames(const std::string& folder);

// A path Qt gives back from a file dialog (chosen or typed), as the file system's bytes: the
// encoded path when a file of that name exists or when the name is shown as it is; otherwise
// the one entry of its folder that Qt shows under that name (several such: none of them).
std::string ResolveFileNameFromQt(const QString& path);

// The path of a local file URL (a dropped file) as bytes: its percent escapes decoded as
// bytes, so that a name that is not valid text arrives whole. Empty for other URLs.
std::string FileNameFromUrl(const QUrl& url);

} // namespace platform
