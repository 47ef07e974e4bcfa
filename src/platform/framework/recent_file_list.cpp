#include "platform/framework/recent_file_list.h"

#include "platform/app_profile.h"

#include <algorithm>

namespace framework {
namespace {
constexpr const char* kSection = "Recent File List";
std::string EntryName(std::size_t index) { return "File" + std::to_string(index + 1); }
} // namespace

void AddToRecentFiles(std::vector<std::string>& list, const std::string& path, std::size_t count)
{
    if (path.empty())
        return;
    list.erase(std::remove(list.begin(), list.end(), path), list.end());
    list.insert(list.begin(), path);
    if (list.size() > count)
        list.resize(count);
}

void RemoveFromRecentFiles(std::vector<std::string>& list, std::size_t index)
{
    if (index < list.size())
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
}

std::vector<std::string> LoadRecentFileList(std::size_t count)
{
    std::vector<std::string> list;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string path = platform::GetProfileString(kSection, EntryName(i), "");
        if (!path.empty())
            list.push_back(path);
    }
    return list;
}

void SaveRecentFileList(const std::vector<std::string>& list, std::size_t count)
{
    std::vector<std::string> entries;
    for (const std::string& path : list)
        if (!path.empty() && entries.size() < count && std::find(entries.begin(), entries.end(), path) == entries.end())
            entries.push_back(path);
    for (std::size_t i = 0; i < count; ++i) {
        if (i < entries.size())
            platform::WriteProfileString(kSection, EntryName(i), entries[i]);
        else
            platform::DeleteProfileValue(kSection, EntryName(i));
    }
}

} // namespace framework
