#include "app/ui/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QDropEvent>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include <gtest/gtest.h>

#include "app/frame_geometry.h"
#include "base/app_settings.h"
#include "document/ripwell_doc.h"
#include "document/ui/ripwell_view.h"
#include "platform/block_memory.h"
#include "platform/ui/command_actions.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "support/document_data.h"
#include "support/scripted_clipboard.h"

namespace {

// "text|keys|prompt" for every entry of a menu, "-" for a separator.
QStringList Describe(QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) {
            out << "-";
            continue;
        }
        out << a->text() + "|" + QString::number(framework::CommandActions::CommandOf(a)) +
                (a->isCheckable() ? "|checkable" : "");
    }
    return out;
}

struct FrameFixture : ::testing::Test {
    void SetUp() override
    {
        doc.OnNewDocument();
        doc.SetTitle("Untitled");
        // What the application object handles.
        for (int id : {res::ID_FILE_NEW, res::ID_FILE_OPEN, res::ID_APP_EXIT, res::ID_APP_ABOUT})
            app.On(id, [this, id] { appCalls.push_back(id); });
        ASSERT_TRUE(frame.Create(&doc, settings, &app));
        frame.show();
    }
    AppSettings settings;
    CRipwellDoc doc;
    framework::CommandMap app;
    std::vector<int> appCalls;
    CMainFrame frame;
};

} // namespace

TEST_F(FrameFixture, MenusHoldEveryItemWithItsKeyAndSeparators)
{
    // With no recent file yet, the group between its separators holds "Recent File", grayed.
    EXPECT_EQ(Describe(frame.Menu("File")),
              (QStringList{"&New\tCtrl+N|57600", "&Open...\tCtrl+O|57601", "&Save\tCtrl+S|57603", "Save &As...|57604",
                           "-", "&Properties...\tAlt+Enter|32777", "-", "Recent File|57616", "-", "E&xit|57665"}));
    frame.Actions()->UpdateMenu(frame.Menu("File"));
    EXPECT_FALSE(frame.Menu("File")->actions()[7]->isEnabled());
    EXPECT_EQ(Describe(frame.Menu("Edit")),
              (QStringList{"&Copy\tCtrl+C|57634", "&Paste\tCtrl+V|57637", "&Empty Clipboard|32788"}));
    EXPECT_EQ(Describe(frame.Menu("View")),
              (QStringList{"&Toolbar|59392|checkable", "&Status Bar|59393|checkable", "&Waveform|32812|checkable", "-",
                           "CD-ROM &Device Status...\tCtrl+D|32808"}));
    EXPECT_EQ(Describe(frame.Menu("Tools")),
              (QStringList{"Read CD-D&A Sectors...\tCtrl+A|32771", "Read CD-ROM &Sectors...|32772",
                           "Rip &Disc...\tCtrl+I|32830", "Secur&e Mode|32810|checkable", "Read O&ffset...|32811", "-",
                           "Pla&y Waveform\tCtrl+Y|32802", "S&top Waveform\tCtrl+T|32800", "-",
                           "CD &Player\tCtrl+P|32775", "Sound &Recorder\tCtrl+R|32784", "-", "&Options...|32776"}));
    EXPECT_EQ(Describe(frame.Menu("Help")), (QStringList{"&Help Topics|57667", "&About Ripwell...|57664"}));
    EXPECT_EQ(Describe(frame.View()->ContextMenu()),
              (QStringList{"Read CD-DA...|32771", "Read CD-ROM...|32772", "-", "Play|32802", "Stop|32800", "-",
                           "Properties...|32777", "-", "Copy|57634", "Paste|57637"}));

    frame.SetRecentFiles({"/music/a.wav", "/music/b.wav"});
    QStringList file = Describe(frame.Menu("File"));
    EXPECT_EQ(file.mid(6), (QStringList{"-", "&1 a.wav|57616", "&2 b.wav|57617", "-", "E&xit|57665"}));
    frame.SetRecentFiles({});
    EXPECT_EQ(Describe(frame.Menu("File")).mid(6), (QStringList{"-", "Recent File|57616", "-", "E&xit|57665"}));
}

TEST_F(FrameFixture, HighlightedItemsShowTheirPromptAndIdleTextComesBack)
{
    EXPECT_EQ(frame.MessagePane()->text(), "For Help, press F1");
    // A grayed item is never highlighted (the style does not let it be active), so every item
    // is enabled first: a byte of data to copy and play, a format on the clipboard to paste.
    ScriptedClipboard clipboard;
    clipboard.Put(platform::CF_TEXT, "x");
    FillDocument(doc, "x", 1);
    for (const char* name : {"File", "Edit", "View", "Tools", "Help"}) {
        QMenu* menu = frame.Menu(name);
        menu->popup(QPoint(0, 0));
        frame.Actions()->UpdateMenu(menu);
        for (QAction* a : menu->actions()) {
            // A grayed item cannot be highlighted (the empty list's "Recent File").
            if (a->isSeparator() || !a->isEnabled())
                continue;
            menu->setActiveAction(a);
            int id = framework::CommandActions::CommandOf(a);
            EXPECT_EQ(frame.statusBar()->currentMessage().toStdString(), res::CommandPrompt(id)) << id;
            EXPECT_FALSE(frame.statusBar()->currentMessage().isEmpty()) << id;
        }
        menu->close();
    }
    frame.statusBar()->clearMessage();
    EXPECT_TRUE(frame.MessagePane()->isVisible());
}

TEST_F(FrameFixture, ToolbarOrderTooltipsAndToggles)
{
    QStringList buttons;
    for (QAction* a : frame.ToolBar()->actions())
        buttons << (a->isSeparator() ? QString("|") : a->toolTip());
    EXPECT_EQ(
        buttons,
        (QStringList{"New",      "Open",       "Save",     "Properties", "|",    "Copy", "Paste", "Empty Clipboard",
                     "|",        "Read Audio", "Rip Disc", "|",          "Play", "Stop", "|",     "CD Player",
                     "Recorder", "|",          "About",    "Help"}));
    EXPECT_EQ(frame.ToolBar()->windowTitle(), "Standard");
    EXPECT_EQ(frame.ToolBar()->allowedAreas(), Qt::AllToolBarAreas);
    EXPECT_EQ(frame.toolBarArea(frame.ToolBar()), Qt::TopToolBarArea);

    QMenu* view = frame.Menu("View");
    frame.Actions()->UpdateMenu(view);
    EXPECT_TRUE(view->actions()[0]->isChecked());
    frame.Router().Dispatch(res::ID_VIEW_TOOLBAR);
    frame.Router().Dispatch(res::ID_VIEW_STATUS_BAR);
    frame.Actions()->UpdateMenu(view);
    EXPECT_FALSE(frame.ToolBar()->isVisible());
    EXPECT_FALSE(frame.statusBar()->isVisible());
    EXPECT_FALSE(view->actions()[0]->isChecked());
    EXPECT_FALSE(view->actions()[1]->isChecked());
    frame.Router().Dispatch(res::ID_VIEW_TOOLBAR);
    frame.Router().Dispatch(res::ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(frame.ToolBar()->isVisible());
    EXPECT_EQ(frame.toolBarArea(frame.ToolBar()), Qt::TopToolBarArea);
    EXPECT_TRUE(frame.statusBar()->isVisible());
}

TEST_F(FrameFixture, CommandsReachTheirOwners)
{
    for (QAction* a : frame.Menu("File")->actions())
        if (framework::CommandActions::CommandOf(a) == res::ID_FILE_NEW)
            a->trigger();
    EXPECT_EQ(appCalls, std::vector<int>{res::ID_FILE_NEW});
    // The reads reach into other parts of the program, so the frame wires them, not the view.
    EXPECT_TRUE(frame.Commands().Handles(res::ID_READ_CDDA));
    EXPECT_FALSE(frame.View()->Commands().Handles(res::ID_READ_CDDA));
    EXPECT_TRUE(frame.View()->Commands().Handles(res::ID_EDIT_COPY));
    EXPECT_FALSE(frame.View()->Commands().Handles(res::ID_FILE_NEW));
    EXPECT_TRUE(frame.Commands().Handles(res::ID_HELP_FINDER));
    // A command nobody handles is grayed.
    EXPECT_FALSE(frame.Router().Update(res::ID_FILE_MRU_FILE4).m_bEnabled);
    EXPECT_TRUE(frame.Router().Update(res::ID_APP_EXIT).m_bEnabled);
}

TEST_F(FrameFixture, SecureModeIsAToolsItemThatSwitchesTheSetting)
{
    QMenu* tools = frame.Menu("Tools");
    QAction* secure = nullptr;
    for (QAction* a : tools->actions())
        if (framework::CommandActions::CommandOf(a) == res::ID_SECURE_MODE)
            secure = a;
    ASSERT_NE(secure, nullptr);
    EXPECT_EQ(settings.SecureMode, 0); // off unless the user turns it on
    frame.Actions()->UpdateMenu(tools);
    EXPECT_FALSE(secure->isChecked());
    secure->trigger();
    frame.Actions()->UpdateMenu(tools);
    EXPECT_EQ(settings.SecureMode, 1);
    EXPECT_TRUE(secure->isChecked());
    frame.Router().Dispatch(res::ID_SECURE_MODE);
    frame.Actions()->UpdateMenu(tools);
    EXPECT_EQ(settings.SecureMode, 0);
    EXPECT_FALSE(secure->isChecked());
    EXPECT_TRUE(frame.Commands().Handles(res::ID_READ_OFFSET));
}

TEST_F(FrameFixture, TitleAndFirstGeometry)
{
    EXPECT_EQ(frame.windowTitle(), "Untitled - Ripwell");
    doc.SetTitle("tone.wav");
    frame.UpdateFrameTitle();
    EXPECT_EQ(frame.windowTitle(), "tone.wav - Ripwell");
    QSize screen = QGuiApplication::primaryScreen()->size();
    FrameGeometry g = InitialFrameGeometry(screen.width(), screen.height());
    EXPECT_EQ(frame.geometry().size(), QSize(g.width, g.height));
    EXPECT_EQ(frame.geometry().topLeft(), QPoint(g.x, g.y));
}

// A dropped file whose name is not valid text reaches the application with its bytes whole.
TEST_F(FrameFixture, DroppedFilesArriveWithTheirNamesAsBytes)
{
    std::vector<std::string> dropped;
    frame.m_onDropFile = [&dropped](const std::string& path) { dropped.push_back(path); };
    QMimeData data;
    data.setUrls({QUrl::fromEncoded("file:///music/bad%FF%FE.wav"), QUrl::fromLocalFile("/music/a.wav"),
                  QUrl(QStringLiteral("https://example.org/b.wav"))});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // Straight to the window: the application delivers a drop only to the target of a drag
    // it runs itself.
    static_cast<QObject&>(frame).event(&drop);
    EXPECT_EQ(dropped, (std::vector<std::string>{"/music/bad\xff\xfe.wav", "/music/a.wav"}));
}

TEST_F(FrameFixture, ContextHelpModeAndLeavingIt)
{
    frame.Router().Dispatch(res::ID_CONTEXT_HELP);
    EXPECT_TRUE(frame.InContextHelpMode());
    EXPECT_EQ(frame.MessagePane()->text(), "Select an object on which to get Help");
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(frame.View(), &escape);
    EXPECT_FALSE(frame.InContextHelpMode());
    EXPECT_EQ(frame.MessagePane()->text(), "For Help, press F1");
}
