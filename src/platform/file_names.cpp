#include "platform/file_names.h"

#include <QByteArray>
#include <QFile>
#include <QUrl>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

namespace platform {
namespace {

bool ShowsAsItIs(std::string_view name)
{
    const QByteArray bytes(name.data(), static_cast<qsizetype>(name.size()));
    return QFile::encodeName(QFile::decodeName(bytes)) == bytes;
}

bool Exists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// Every entry of a folder, as bytes.
std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    return names;
}

} // namespace

QString FileNameToQt(std::string_view name)
{
    return QFile::decodeName(QByteArray(name.data(), static_cast<qsizetype>(name.size())));
}

std::string FileNameFromQt(const QString& name) { return QFile::encodeName(name).toStdString(); }

std::vector<std::string> UndecodableNames(const std::string& folder)
{
    std::vector<std::string> names = Entries(folder);
    names.erase(std::remove_if(names.begin(), names.end(), ShowsAsItIs), names.end());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ResolveFileNameFromQt(const QString& path)
{
    const std::string encoded = FileNameFromQt(path);
    if (!path.contains(QChar::ReplacementCharacter) || Exists(encoded))
        return encoded;
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString shown = path.mid(slash + 1);
    const std::string folder = slash < 0 ? "." : slash == 0 ? "/" : FileNameFromQt(path.left(slash));
    std::string found;
    for (const std::string& name : UndecodableNames(folder)) {
        if (FileNameToQt(name) != shown)
            continue;
        if (!found.empty())
            return encoded; // two names look the same: which one was meant cannot be told
        found = name;
    }
    if (found.empty())
        return encoded;
    return slash < 0 ? found : (slash == 0 ? folder : folder + "/") + found;
}

std::string FileNameFromUrl(const QUrl& url)
{
    if (!url.isLocalFile())
        return {};
    // The encoded path keeps the escapes of bytes that are not valid text, where the decoded
    // one has replacement characters.
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

} // namespace platform
