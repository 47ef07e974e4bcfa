// The recent-file list of the File menu: four entries, most recent first, kept in the
// profile section "Recent File List" as "File1" to "File4". Read at start-up, written at
// every shut-down.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class RecentFileList {
public:
    explicit RecentFileList(std::size_t size = 4) : m_size(size) {}

    // Puts the path first; an entry already in the list moves up, the oldest falls out.
    void Add(const std::string& path);
    // Removes entry index (0 = the most recent), as after a failed open.
    void Remove(std::size_t index);
    const std::vector<std::string>& Files() const { return m_files; }
    std::size_t Size() const { return m_size; }

    void Load();
    void Save() const;

private:
    std::size_t m_size;
    std::vector<std::string> m_files;
};

// The program's list (owned for the whole run).
RecentFileList& RecentFiles();
