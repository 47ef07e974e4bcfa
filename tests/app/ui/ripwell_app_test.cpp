#include "app/ui/ripwell_app.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

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

        app.GetSettings().OverlappingSectors = 7;
        app.GetSettings().DoJitterCorrection = 0;
        app.GetSettings().CDPlayer = "xmms";
        app.GetSettings().ReadAudio.StartingSect = 1234;
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

    {
        // Spelled differently, the path gets a hive object of its own, read from the file.
        const std::string sameFolder = config.path().string() + "/.";
        ScopedEnvironment again("XDG_CONFIG_HOME", sameFolder.c_str());
        CRipwellApp app;
        ASSERT_TRUE(app.InitInstance({"ripwell"}));
        EXPECT_EQ(app.GetSettings().OverlappingSectors, 7);
        EXPECT_EQ(app.GetSettings().DoJitterCorrection, 0);
        EXPECT_EQ(app.GetSettings().CDPlayer, "xmms");
        EXPECT_EQ(app.GetSettings().ReadAudio.StartingSect, 1234u);
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
}

TEST(RipwellApp, AFileThatCannotBeOpenedLeavesTheOpenDocumentAsItWas)
{
    TempDir config;
    TempDir data;
    ScopedEnvironment home("XDG_CONFIG_HOME", config.path().c_str());
    ScopedEnvironment hive("RIPWELL_USER_HIVE", nullptr);
    ScriptedDesktop desktop;
    ScriptedFileDialogs dialogs;
    const std::string a = data.file("a.bin");
    const std::string b = data.file("b.bin");
    std::ofstream(a) << "AAAA";
    std::ofstream(b) << "0123456789";

    CRipwellApp app;
    ASSERT_TRUE(app.InitInstance({"ripwell"}));
    const framework::CommandRouter& router = app.MainFrame()->Router();
    // The empty list's "Recent File" is grayed; a listed file's entry is not.
    EXPECT_FALSE(router.Update(res::ID_FILE_MRU_FILE1).m_bEnabled);
    ASSERT_TRUE(app.OpenDocumentFile(a));
    ASSERT_TRUE(app.OpenDocumentFile(b));
    EXPECT_TRUE(router.Update(res::ID_FILE_MRU_FILE1 + 1).m_bEnabled);
    EXPECT_FALSE(router.Update(res::ID_FILE_MRU_FILE1 + 2).m_bEnabled);
    std::remove(a.c_str());

    auto expectStillB = [&](const char* how) {
        const CRipwellDoc* doc = app.Document();
        EXPECT_EQ(doc->GetPathName(), b) << how;
        EXPECT_EQ(doc->GetTitle(), "b.bin") << how;
        ASSERT_EQ(doc->m_nDataLength, 10u) << how;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(doc->m_pData), 10), "0123456789") << how;
        EXPECT_EQ(app.MainFrame()->windowTitle(), "b.bin - Ripwell") << how;
        ASSERT_EQ(desktop.Boxes().size(), 1u) << how;
        EXPECT_EQ(desktop.Boxes()[0].text,
                  a +
                      "\nCannot find this file.\nPlease verify that the correct path and "
                      "file name are given.")
            << how;
        desktop.Clear();
    };

    // The recent file that has gone: its message, its entry removed, b.bin still open.
    router.Dispatch(res::ID_FILE_MRU_FILE1 + 1);
    EXPECT_EQ(app.RecentFiles(), std::vector<std::string>{b});
    expectStillB("recent file");

    dialogs.ChooseNext(a);
    router.Dispatch(res::ID_FILE_OPEN);
    expectStillB("File Open");

    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(QString::fromStdString(a))});
    // As a drag does it: the window takes the drag when it enters, then gets the drop.
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(app.MainFrame(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(app.MainFrame(), &drop);
    expectStillB("drop");

    // A file that opens and then fails to load has emptied the document, now "Untitled".
    const std::string shortWave = data.file("short.wav");
    std::ofstream(shortWave) << std::string(44, 'x');
    dialogs.ChooseNext(shortWave);
    router.Dispatch(res::ID_FILE_OPEN);
    EXPECT_EQ(app.Document()->m_nDataLength, 0u);
    EXPECT_EQ(app.Document()->m_pBlock, nullptr);
    EXPECT_EQ(app.Document()->GetPathName(), "");
    EXPECT_EQ(app.MainFrame()->windowTitle(), "Untitled - Ripwell");
    ASSERT_EQ(desktop.Boxes().size(), 1u);
    EXPECT_EQ(desktop.Boxes()[0].text, "Wave file is too short. Skipped.");
    app.ExitInstance();
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
