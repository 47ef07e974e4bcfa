#include "platform/ui/portal_file_dialog.h"

#include <QDBusArgument>
#include <QFileDialog>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/framework/file_dialogs.h"
#include "platform/message_box.h"
#include "platform/ui/qt_file_dialogs.h"
#include "support/fresh_process.h"
#include "support/private_session_bus.h"
#include "support/scoped_environment.h"
#include "support/scripted_desktop.h"
#include "support/temp_dir.h"
#include "support/ui/fake_portal.h"
#include "support/ui/modal_answer.h"

using namespace platform;

namespace {

QString Uri(const std::string& path) { return QUrl::fromLocalFile(QString::fromStdString(path)).toString(); }

QString Describe(const QList<PortalFilter>& filters)
{
    QStringList parts;
    for (const PortalFilter& filter : filters) {
        QStringList patterns;
        for (const PortalFilterPattern& pattern : filter.patterns)
            patterns << QString::number(pattern.type) + ":" + pattern.pattern;
        parts << filter.name + "=" + patterns.join(',');
    }
    return parts.join(" | ");
}

QList<PortalFilter> FiltersOf(const FakePortal::Call& call)
{
    return qdbus_cast<QList<PortalFilter>>(call.options.value("filters").value<QDBusArgument>());
}

// The desktop portal of the test: a private bus with the fake portal on it, the Qt dialogs
// service that prefers the desktop's dialog, and scripted message boxes.
struct PortalDesktop {
    PrivateSessionBus bus;
    ScopedEnvironment address{"DBUS_SESSION_BUS_ADDRESS", bus.Address().c_str()};
    FakePortal portal{QString::fromStdString(bus.Address())};
    ScriptedDesktop desktop;
    TempDir dir;
    framework::FileDialogService* previous = framework::GetFileDialogService();
    PortalDesktop() { InstallQtFileDialogService(FileDialogChoice::DesktopWhereAvailable); }
    ~PortalDesktop() { framework::SetFileDialogService(previous); }
};

} // namespace

TEST(PortalFileDialog, FiltersMatchEitherCaseAndStarDotStarTakesEveryFile)
{
    EXPECT_EQ(Describe(PortalFilters({{"Wave Files (*.wav)", "*.wav"},
                                      {"All Files (*.*)", "*.*"},
                                      {"Sounds", "*.wav; *.aif2"},
                                      {"Nothing given", ""}})),
              "Wave Files (*.wav)=0:*.[wW][aA][vV] | All Files (*.*)=0:* | Sounds=0:*.[wW][aA][vV],0:*.[aA][iI][fF]2 | "
              "Nothing given=0:*");
}

TEST(PortalFileDialog, SaveAsShowsThePortalsDialogAndKeepsTheExtensionAndTheReplaceQuestion)
{
    RunInFreshProcess([] {
        PortalDesktop test;
        ASSERT_TRUE(test.bus.Ready()) << test.bus.Reason();
        ASSERT_TRUE(test.portal.Registered());
        ASSERT_TRUE(PortalFileChooserAvailable());
        const std::string folder = test.dir.path().string();
        std::ofstream(test.dir.file("old.wav")) << "x";

        // The proposal, the folder and the filters go to the portal; the default extension
        // goes onto a name without one.
        test.portal.AnswerNext(0, Uri(test.dir.file("take")));
        std::string name = test.dir.file("Untitled.wav");
        ASSERT_TRUE(framework::PromptSaveFileName(name));
        EXPECT_EQ(name, test.dir.file("take.wav"));
        ASSERT_EQ(test.portal.Calls().size(), 1);
        const FakePortal::Call& call = test.portal.Calls()[0];
        EXPECT_EQ(call.method, "SaveFile");
        EXPECT_EQ(call.title, "Save As");
        EXPECT_EQ(call.parentWindow, ""); // no X11 window offscreen
        EXPECT_EQ(call.options.value("current_name").toString(), "Untitled.wav");
        EXPECT_EQ(call.options.value("current_folder").toByteArray(),
                  QByteArray(folder.c_str(), int(folder.size() + 1)));
        EXPECT_TRUE(call.options.value("modal").toBool());
        EXPECT_EQ(Describe(FiltersOf(call)), "Wave Files (*.wav)=0:*.[wW][aA][vV] | All Files (*.*)=0:*");

        // "old" becomes old.wav, which exists and the portal did not ask about: No shows the
        // portal again with that name, and cancelling it cancels.
        test.portal.AnswerNext(0, Uri(test.dir.file("old")));
        test.portal.AnswerNext(1);
        test.desktop.AnswerNext(IDNO);
        EXPECT_FALSE(framework::PromptSaveFileName(name));
        EXPECT_EQ(name, test.dir.file("take.wav"));
        ASSERT_EQ(test.desktop.Boxes().size(), 1u);
        EXPECT_EQ(test.desktop.Boxes()[0].text,
                  test.dir.file("old.wav") + " already exists.\nDo you want to replace it?");
        EXPECT_EQ(test.desktop.Boxes()[0].flags, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
        ASSERT_EQ(test.portal.Calls().size(), 3);
        EXPECT_EQ(test.portal.Calls()[2].options.value("current_name").toString(), "old.wav");

        // Yes replaces; a name typed with its extension was the portal's own question.
        test.portal.AnswerNext(0, Uri(test.dir.file("old")));
        test.desktop.AnswerNext(IDYES);
        ASSERT_TRUE(framework::PromptSaveFileName(name));
        EXPECT_EQ(name, test.dir.file("old.wav"));
        test.portal.AnswerNext(0, Uri(test.dir.file("old.wav")));
        ASSERT_TRUE(framework::PromptSaveFileName(name));
        EXPECT_EQ(test.desktop.Boxes().size(), 2u);
    });
}

TEST(PortalFileDialog, OpenAsksThePortalAndQtsOwnDialogStandsInWhenItCannot)
{
    RunInFreshProcess([] {
        PortalDesktop test;
        ASSERT_TRUE(test.bus.Ready()) << test.bus.Reason();
        std::ofstream(test.dir.file("a.wav")) << "x";

        test.portal.AnswerNext(0, Uri(test.dir.file("a.wav")));
        std::string name;
        ASSERT_TRUE(framework::PromptOpenFileName(name));
        EXPECT_EQ(name, test.dir.file("a.wav"));
        ASSERT_EQ(test.portal.Calls().size(), 1);
        EXPECT_EQ(test.portal.Calls()[0].method, "OpenFile");
        EXPECT_EQ(test.portal.Calls()[0].title, "Open");
        EXPECT_FALSE(test.portal.Calls()[0].options.value("multiple").toBool());

        // Cancel in the portal's dialog is Cancel.
        test.portal.AnswerNext(1);
        EXPECT_FALSE(framework::PromptOpenFileName(name));

        // A portal that fails, or none on the bus: Qt's own dialog.
        int qtDialogs = 0;
        auto cancelQtDialog = [&] {
            AnswerModal<QFileDialog>([&](QFileDialog* dialog) {
                ++qtDialogs;
                dialog->reject();
            });
        };
        test.portal.AnswerNext(2);
        cancelQtDialog();
        EXPECT_FALSE(framework::PromptOpenFileName(name));
        test.portal.Quit();
        EXPECT_FALSE(PortalFileChooserAvailable());
        cancelQtDialog();
        EXPECT_FALSE(framework::PromptOpenFileName(name));
        EXPECT_EQ(qtDialogs, 2);
        EXPECT_EQ(test.portal.Calls().size(), 3);
    });
}

TEST(PortalFileDialog, NamesThatAreNotTextReachThePortalAndComeBackWhole)
{
    RunInFreshProcess([] {
        PortalDesktop test;
        ASSERT_TRUE(test.bus.Ready()) << test.bus.Reason();
        const std::string folder = test.dir.file("take\xff");
        ASSERT_TRUE(std::filesystem::create_directory(folder));
        std::ofstream(folder + "/old\xfe.wav") << "x";
        // The portal answers with a URL whose escapes are the name's bytes.
        auto uri = [](const std::string& path) {
            return QStringLiteral("file://") +
                QString::fromLatin1(QByteArray(path.data(), qsizetype(path.size())).toPercentEncoding("/"));
        };

        test.portal.AnswerNext(0, uri(folder + "/new\xfe"));
        std::string name = folder + "/Untitled.wav";
        ASSERT_TRUE(framework::PromptSaveFileName(name));
        EXPECT_EQ(name, folder + "/new\xfe.wav");
        ASSERT_EQ(test.portal.Calls().size(), 1);
        EXPECT_EQ(test.portal.Calls()[0].options.value("current_folder").toByteArray(),
                  QByteArray(folder.c_str(), qsizetype(folder.size() + 1)));

        // The file that exists under the name with the extension is found and asked about.
        test.portal.AnswerNext(0, uri(folder + "/old\xfe"));
        test.desktop.AnswerNext(IDYES);
        ASSERT_TRUE(framework::PromptSaveFileName(name));
        EXPECT_EQ(name, folder + "/old\xfe.wav");
        ASSERT_EQ(test.desktop.Boxes().size(), 1u);
        EXPECT_EQ(test.desktop.Boxes()[0].text, folder + "/old\xfe.wav already exists.\nDo you want to replace it?");

        test.portal.AnswerNext(0, uri(folder + "/old\xfe.wav"));
        std::string opened;
        ASSERT_TRUE(framework::PromptOpenFileName(opened));
        EXPECT_EQ(opened, folder + "/old\xfe.wav");
    });
}
