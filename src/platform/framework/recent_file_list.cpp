#include "platform/framework/recent_file_list.h"

#include <algorithm>

namespace framework {

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

} // namespace framework
