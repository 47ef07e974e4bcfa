// A temporary folder for one test, removed with everything in it when the object goes.
#pragma once

#include <filesystem>
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // Removes the folders of every TempDir still alive, for a process about to end without
    // running destructors (a test body run in a fresh process ends with _Exit).
    static void RemoveAllLive();
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};
