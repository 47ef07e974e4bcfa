#include "support/temp_dir.h"

#include <cstdlib>
#include <mutex>
#include <set>
#include <stdexcept>
#include <system_error>

namespace {

std::mutex g_liveMutex;
std::set<std::filesystem::path>& LiveFolders()
{
    static std::set<std::filesystem::path> folders;
    return folders;
}

} // namespace

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "ripwell-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern;
    std::lock_guard lock(g_liveMutex);
    LiveFolders().insert(m_path);
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
    std::lock_guard lock(g_liveMutex);
    LiveFolders().erase(m_path);
}

void TempDir::RemoveAllLive()
{
    std::lock_guard lock(g_liveMutex);
    for (const std::filesystem::path& folder : LiveFolders()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    LiveFolders().clear();
}
