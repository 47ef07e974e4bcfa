// Where the program finds its data: beside an installed program wherever its prefix lies, in
// the build folder's data/ for a program inside the build folder, else the configured prefix.
#include "platform/data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/drives.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using platform::DataFolderFor;

namespace {

std::string MakeFolder(const fs::path& path)
{
    fs::create_directories(path);
    return path.string();
}

std::string MakeProgram(const fs::path& path)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "#!/bin/sh\n";
    return path.string();
}

} // namespace

TEST(DataFolder, AnInstalledProgramUsesTheDataBesideItAndAProgramInTheBuildFolderTheBuildData)
{
    TempDir root;
    const fs::path base = root.path();
    const std::string build = MakeFolder(base / "build");
    const std::string buildData = MakeFolder(base / "build" / "data");
    const std::string configured = MakeFolder(base / "usr-local" / "share" / "ripwell");

    // Installed into a prefix, and the prefix moved somewhere else afterwards.
    const std::string installed = MakeProgram(base / "moved" / "bin" / "ripwell");
    const std::string installedData = MakeFolder(base / "moved" / "share" / "ripwell");
    EXPECT_EQ(DataFolderFor(installed, "../share/ripwell", build, configured), installedData);

    // In the build folder or a folder below it: the build's data, even with an installed copy.
    EXPECT_EQ(DataFolderFor(MakeProgram(base / "build" / "ripwell"), "../share/ripwell", build, configured), buildData);
    EXPECT_EQ(DataFolderFor(MakeProgram(base / "build" / "tests" / "ripwell_ui_tests"), "../share/ripwell", build + "/",
                            configured),
              buildData);
    // A folder whose name only begins like the build folder's is not inside it.
    const std::string neighbour = MakeProgram(base / "build-asan" / "ripwell");
    EXPECT_EQ(DataFolderFor(neighbour, "../share/ripwell", build, configured), configured);

    // A program copied somewhere without its data: the configured prefix's, if there is one.
    EXPECT_EQ(DataFolderFor(MakeProgram(base / "elsewhere" / "ripwell"), "../share/ripwell", build,
                            (base / "nowhere").string()),
              "");
    EXPECT_EQ(DataFolderFor("", "../share/ripwell", build, configured), configured);

    // A build folder without data gives none rather than an installed copy's.
    fs::remove_all(buildData);
    EXPECT_EQ(DataFolderFor((base / "build" / "ripwell").string(), "../share/ripwell", build, configured), "");
}

TEST(DataFolder, TheTestProgramsUseTheBuildDataAndFindTheDemoDiscThere)
{
    const fs::path buildData = fs::path(RIPWELL_TEST_BINARY_DIR).parent_path() / "data";
    EXPECT_EQ(fs::path(platform::ProgramDataFolder()), buildData.lexically_normal());
    ScopedEnvironment demo("RIPWELL_DEMO_DISC", nullptr);
    EXPECT_EQ(fs::path(platform::DemoDiscPath()), buildData.lexically_normal() / "demo-disc" / "demo.cue");
}
