#include "platform/shell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

#include "support/fresh_process.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

using namespace platform;

namespace {

void WriteText(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << text;
}

// A program that writes its arguments and its parent's process id into marker, whole or not at
// all.
void WriteRecordingProgram(const std::string& path, const std::string& marker)
{
    WriteText(path,
              "#!/bin/sh\n"
              "for a in \"$@\"; do printf '%s|' \"$a\"; done > '" +
                  marker +
                  ".part'\n"
                  "echo \" parent=$PPID\" >> '" +
                  marker +
                  ".part'\n"
                  "/bin/mv '" +
                  marker + ".part' '" + marker + "'\n");
    ::chmod(path.c_str(), 0755);
}

// What the started program wrote, once it has; empty when nothing came within the deadline.
std::string WaitForMarker(const std::string& marker)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(marker) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::stringstream text;
    text << std::ifstream(marker).rdbuf();
    return text.str();
}

// The arguments of a marker, without the parent.
std::string ArgumentsOf(const std::string& marker) { return marker.substr(0, marker.find(" parent=")); }
std::string ParentOf(const std::string& marker)
{
    const std::size_t at = marker.find(" parent=");
    return at == std::string::npos ? std::string() : marker.substr(at + 8, marker.find('\n', at) - at - 8);
}

intptr_t Open(const std::string& name, const std::string& parameters = {})
{
    return ShellExecuteA(nullptr, "open", name.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

// A desktop of its own: applications and defaults in temporary folders, the MIME database of
// the system (so that a ".txt" is text/plain) and nothing else.
struct TestDesktop {
    TestDesktop()
    {
        std::filesystem::create_directories(data.path() / "share");
        std::filesystem::create_symlink("/usr/share/mime", data.path() / "share" / "mime");
    }
    void AddApplication(const std::string& id, const std::string& exec, const std::string& mimeTypes)
    {
        WriteText(home.file("applications/" + id),
                  "[Desktop Entry]\nType=Application\nName=" + id + "\nExec=" + exec + "\nMimeType=" + mimeTypes +
                      "\n");
    }
    void SetDefaults(const std::string& lines)
    {
        WriteText(config.file("mimeapps.list"), "[Default Applications]\n" + lines);
    }

    TempDir home;   // XDG_DATA_HOME
    TempDir data;   // XDG_DATA_DIRS
    TempDir config; // XDG_CONFIG_HOME
    TempDir bin;    // PATH
    ScopedEnvironment dataHome{"XDG_DATA_HOME", home.path().c_str()};
    std::string dataDirsValue = (data.path() / "share").string();
    ScopedEnvironment dataDirs{"XDG_DATA_DIRS", dataDirsValue.c_str()};
    ScopedEnvironment configHome{"XDG_CONFIG_HOME", config.path().c_str()};
    ScopedEnvironment configDirs{"XDG_CONFIG_DIRS", config.path().c_str()};
    ScopedEnvironment path{"PATH", bin.path().c_str()};
};

} // namespace

TEST(DesktopShell, ProgramsByNameOnThePathOrByPathStartOnTheirOwn)
{
    TempDir folder;
    const std::string marker = folder.file("ran");
    WriteRecordingProgram(folder.file("bin/ripwell-test-player"), marker);
    const std::string path = folder.file("bin") + ":/usr/bin:/bin";
    ScopedEnvironment searchPath("PATH", path.c_str());

    // A bare name is found on the path; the program is nobody's child here, so it outlives us.
    EXPECT_GT(Open("ripwell-test-player"), 32);
    std::string ran = WaitForMarker(marker);
    ASSERT_FALSE(ran.empty());
    EXPECT_EQ(ArgumentsOf(ran), "");
    EXPECT_NE(ParentOf(ran), std::to_string(::getpid()));
    std::filesystem::remove(marker);

    // A path with blanks is taken as it is; parameters are split as a shell splits them.
    const std::string withBlanks = folder.file("Music Players/cd player");
    WriteRecordingProgram(withBlanks, marker);
    EXPECT_GT(Open(withBlanks, "one 'two three'"), 32);
    ran = WaitForMarker(marker);
    EXPECT_EQ(ArgumentsOf(ran), "one|two three|");

    // Failures are known before the call returns, whatever the program would have done.
    WriteText(folder.file("broken"), "#!/nonexistent/interpreter\n");
    ::chmod(folder.file("broken").c_str(), 0755);
    EXPECT_EQ(Open(folder.file("broken")), SE_ERR_FNF);
    EXPECT_EQ(Open("ripwell-no-such-program"), SE_ERR_FNF);
    EXPECT_EQ(Open(folder.file("no such folder/player")), SE_ERR_PNF);
    EXPECT_EQ(Open(""), SE_ERR_FNF);
    EXPECT_EQ(ShellExecuteA(nullptr, "print", withBlanks.c_str(), nullptr, nullptr, SW_SHOWNORMAL), SE_ERR_NOASSOC);
}

TEST(DesktopShell, TheDefaultNamesAndDocumentsOpenWithTheDesktopsApplications)
{
    TestDesktop desktop;
    const std::string bin = desktop.bin.path().string();
    WriteRecordingProgram(bin + "/fake-cd-player", desktop.bin.file("cd-player-ran"));
    WriteRecordingProgram(bin + "/fake-editor", desktop.bin.file("editor-ran"));
    WriteRecordingProgram(bin + "/fake-recorder", desktop.bin.file("recorder-ran"));
    desktop.AddApplication("fake-cd-player.desktop", bin + "/fake-cd-player %U", "x-content/audio-cdda;");
    desktop.AddApplication("fake-editor.desktop", bin + "/fake-editor %f", "text/plain;");
    desktop.AddApplication("org.gnome.SoundRecorder.desktop", bin + "/fake-recorder", "");
    desktop.SetDefaults("x-content/audio-cdda=fake-cd-player.desktop\ntext/plain=fake-editor.desktop\n");
    const std::string notes = desktop.home.file("my notes.txt");
    WriteText(notes, "take 3 was the good one\n");

    RunInFreshProcess([&] {
        // Any case of the name the program was given by default.
        EXPECT_GT(Open("cdplayer.exe"), 32);
        EXPECT_FALSE(WaitForMarker(desktop.bin.file("cd-player-ran")).empty());
        EXPECT_GT(Open("SNDREC32.EXE"), 32);
        EXPECT_FALSE(WaitForMarker(desktop.bin.file("recorder-ran")).empty());
        EXPECT_GT(Open(notes), 32);
        EXPECT_EQ(ArgumentsOf(WaitForMarker(desktop.bin.file("editor-ran"))), notes + "|");
    });
}

TEST(DesktopShell, WithoutApplicationsTheDefaultNamesAndDocumentsFail)
{
    TestDesktop desktop;
    const std::string notes = desktop.home.file("notes.txt");
    WriteText(notes, "nothing opens this\n");
    // A default whose program is not there is no application either.
    desktop.AddApplication("gone.desktop", "/nonexistent/cd-player", "x-content/audio-cdda;");
    desktop.SetDefaults("x-content/audio-cdda=gone.desktop\n");
    RunInFreshProcess([&] {
        EXPECT_LE(Open("CDPLAYER.EXE"), 32);
        EXPECT_EQ(Open("SNDREC32.EXE"), SE_ERR_FNF);
        EXPECT_EQ(Open(notes), SE_ERR_NOASSOC);
    });
}
