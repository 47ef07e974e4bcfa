#include "app/ui/ripwell_app.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_settings.h"
#include "app/ui/main_frame.h"
#include "document/ripwell_doc.h"
#include "platform/framework/file_dialogs.h"
#include "res/resource.h"
#include "support/scoped_environment.h"
#include "support/scripted_desktop.h"
#include "support/scripted_file_dialogs.h"
#include "support/temp_dir.h"

namespace {


std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

QStringList MenuTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << action->text();
    return texts;
}

} // namespace

TEST(RipwellApp, SettingsAndRecentFilesWrittenAtShutDownComeBackAtTheNextStart)
{
    TempDir config;
    TempDir data;
    ScopedEnvironment home("XDG_CONFIG_HOME", config.path().c_str());
    ScopedEnvironment hive("RIPWELL_USER_HIVE", nullptr);
    ScriptedDesktop desktop;
    ScriptedFileDialogs dialogs;
    std::ofstream(data.file("a.bin")) << "0123456789";

    Settings() = AppSettings{};
    {
        CRipwellApp app;
        ASSERT_TRUE(app.InitInstance({"ripwell"}));
        EXPECT_TRUE(app.RecentFiles().empty());

        // File Open asks through the framework's open dialog.
        dialogs.ChooseNext(data.file("a.bin"));
        EXPECT_TRUE(app.MainFrame()->Router().Dispatch(res::ID_FILE_OPEN));
        ASSERT_EQ(dialogs.Requests().size(), 1u);
        EXPECT_TRUE(dialogs.Requests()[0].openFileDialog);
        EXPECT_EQ(dialogs.Requests()[0].title, "Open");
        EXPECT_TRUE(dialogs.Requests()[0].flags & framework::OFN_FILEMUSTEXIST);
        EXPECT_EQ(app.Document()->GetPathName(), data.file("a.bin"));
        EXPECT_EQ(app.Document()->m_nDataLength, 10u);

        // Save As puts the new name at the head of the list as well.
        dialogs.ChooseNext(data.file("b.bin"));
        ASSERT_TRUE(app.Document()->DoSave(""));
        EXPECT_EQ(app.RecentFiles(), (std::vector<std::string>{data.file("b.bin"), data.file("a.bin")}));

        Settings().OverlappingSectors = 7;
        Settings().DoJitterCorrection = 0;
        Settings().CDPlayer = "xmms";
        Settings().ReadAudio.StartingSect = 1234;
        app.ExitInstance();
    }

    const std::string written = ReadFile(config.file("ripwell/user.reg"));
    EXPECT_NE(written.find("[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Settings]"), std::string::npos);
    EXPECT_NE(written.find("\"OverlappingSectors\"=dword:00000007"), std::string::npos) << written;
    EXPECT_NE(written.find("\"ReadIntoRAM\"=dword:00000001"), std::string::npos);
    EXPECT_NE(written.find("\"CDPlayer\"=\"xmms\""), std::string::npos);
    EXPECT_NE(written.find("\"StartingSect\"=dword:000004d2"), std::string::npos);
    EXPECT_NE(written.find("\"File1\"=\"" + data.file("b.bin") + "\""), std::string::npos);
    EXPECT_NE(written.find("\"File2\"=\"" + data.file("a.bin") + "\""), std::string::npos);

    Settings() = AppSettings{};
    {
        // Spelled differently, the path gets a hive object of its own, read from the file.
        const std::string sameFolder = config.path().string() + "/.";
        ScopedEnvironment again("XDG_CONFIG_HOME", sameFolder.c_str());
        CRipwellApp app;
        ASSERT_TRUE(app.InitInstance({"ripwell"}));
        EXPECT_EQ(Settings().OverlappingSectors, 7);
        EXPECT_EQ(Settings().DoJitterCorrection, 0);
        EXPECT_EQ(Settings().CDPlayer, "xmms");
        EXPECT_EQ(Settings().ReadAudio.StartingSect, 1234u);
        EXPECT_EQ(app.RecentFiles(), (std::vector<std::string>{data.file("b.bin"), data.file("a.bin")}));
        EXPECT_TRUE(MenuTexts(app.MainFrame()->Menu("File")).contains("&1 b.bin"));
        EXPECT_TRUE(MenuTexts(app.MainFrame()->Menu("File")).contains("&2 a.bin"));

        // A recent file that has gone away leaves the list when chosen.
        std::remove(data.file("b.bin").c_str());
        desktop.Clear();
        app.MainFrame()->Router().Dispatch(res::ID_FILE_MRU_FILE1);
        EXPECT_EQ(app.RecentFiles(), (std::vector<std::string>{data.file("a.bin")}));
        EXPECT_EQ(desktop.Boxes().size(), 1u);
        app.ExitInstance();
    }
    const std::string rewritten = ReadFile(config.file("ripwell/user.reg"));
    EXPECT_NE(rewritten.find("\"File1\"=\"" + data.file("a.bin") + "\""), std::string::npos) << rewritten;
    EXPECT_EQ(rewritten.find("\"File2\""), std::string::npos);
    Settings() = AppSettings{};
}

// A drive list the program cannot use is named when the window comes up, not left to stderr:
// the user would otherwise see the demo disc and not know why.
TEST(RipwellApp, AMalformedDriveListIsToldAtStartUp)
{
    TempDir config;
    ScopedEnvironment home("XDG_CONFIG_HOME", config.path().c_str());
    ScopedEnvironment hive("RIPWELL_USER_HIVE", nullptr);
    ScopedEnvironment drives("RIPWELL_DRIVES", "E:/discs/album.cue");
    ScopedEnvironment demo("RIPWELL_DEMO_DISC", config.file("demo.cue").c_str());
    ScriptedDesktop desktop;
    Settings() = AppSettings{};
    {
        CRipwellApp app;
        ASSERT_TRUE(app.InitInstance({"ripwell"}));
        ASSERT_EQ(desktop.Boxes().size(), 1u);
        EXPECT_EQ(desktop.Boxes()[0].text,
                  "RIPWELL_DRIVES: skipping \"E:/discs/album.cue\": expected LETTER=IMAGE, as in E=/discs/album.cue\n"
                  "No drive of the drive list could be used; drive D: holds the demo disc.");
        EXPECT_EQ(desktop.Boxes()[0].Icon(), platform::MB_ICONEXCLAMATION);
    }
    // A good list next time: no box.
    ScopedEnvironment good("RIPWELL_DRIVES", ("E=" + config.file("album.cue")).c_str());
    desktop.Clear();
    CRipwellApp app;
    ASSERT_TRUE(app.InitInstance({"ripwell"}));
    EXPECT_TRUE(desktop.Boxes().empty());
}
