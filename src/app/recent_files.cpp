#include "app/recent_files.h"

#include "platform/app_profile.h"

#include <algorithm>

namespace {
constexpr const char* kSection = "Recent File List";
std::string EntryName(std::size_t index) { return "File" + std::to_string(index + 1); }
} // namespace

void RecentFileList::Add(const std::string& path)
{
    if (path.empty())
        return;
    m_files.erase(std::remove(m_files.begin(), m_files.end(), path), m_files.end());
    m_files.insert(m_files.begin(), path);
    if (m_files.size() > m_size)
        m_files.resize(m_size);
}

void RecentFileList::Remove(std::size_t index)
{
    if (index < m_files.size())
        m_files.erase(m_files.begin() + static_cast<std::ptrdiff_t>(index));
}

void RecentFileList::Load()
{
    m_files.clear();
    for (std::size_t i = 0; i < m_size; ++i) {
        const std::string path = platform::GetProfileString(kSection, EntryName(i), "");
        if (!path.empty())
            m_files.push_back(path);
    }
}

void RecentFileList::Save() const
{
    for (std::size_t i = 0; i < m_size; ++i) {
        if (i < m_files.size())
            platform::WriteProfileString(kSection, EntryName(i), m_files[i]);
        else
            platform::DeleteProfileValue(kSection, EntryName(i));   // a removed entry stays removed
    }
}

RecentFileList& RecentFiles()
{
    static RecentFileList list;
    return list;
}
