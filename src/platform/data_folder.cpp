#include "platform/data_folder.h"

#include <filesystem>
#include <system_error>

namespace platform {
namespace {

namespace fs = std::filesystem;

bool IsFolder(const fs::path& path)
{
    std::error_code error;
    return !path.empty() && fs::is_directory(path, error);
}

// Whether path lies inside folder (both made absolute and normal first).
bool IsInside(const fs::path& path, const fs::path& folder)
{
    const fs::path inner = path.lexically_normal();
    const fs::path outer = folder.lexically_normal();
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
        if (o->empty())
            continue; // the trailing "" of a folder written with a final slash
        if (i == inner.end() || *i != *o)
            return false;
    }
    return true;
}

} // namespace

std::string DataFolderFor(const std::string& programFile, const std::string& dataFromProgram,
                          const std::string& buildFolder, const std::string& configured)
{
    if (!programFile.empty()) {
        const fs::path programFolder = fs::path(programFile).parent_path();
        const fs::path installed = (programFolder / dataFromProgram).lexically_normal();
        if (IsFolder(installed))
            return installed.string();
        if (!buildFolder.empty() && IsInside(programFolder, buildFolder)) {
            const fs::path built = fs::path(buildFolder) / "data";
            return IsFolder(built) ? built.lexically_normal().string() : std::string();
        }
    }
    return IsFolder(configured) ? fs::path(configured).lexically_normal().string() : std::string();
}

std::string ProgramDataFolder()
{
    static const std::string folder = [] {
        std::error_code error;
        const fs::path program = fs::read_symlink("/proc/self/exe", error);
        return DataFolderFor(error ? std::string() : program.string(), RIPWELL_DATA_FROM_PROGRAM, RIPWELL_BUILD_FOLDER,
                             RIPWELL_CONFIGURED_DATA_FOLDER);
    }();
    return folder;
}

} // namespace platform
