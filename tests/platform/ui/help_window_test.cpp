// Help pages found by topic in a help folder, and the help window on the program's own pages:
// its title names the page shown.
#include "platform/ui/help_window.h"

#include <QDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <fstream>

#include "support/temp_dir.h"

using namespace platform;

TEST(HelpWindow, ATopicsPageOrElseTheContentsOrElseNothing)
{
    TempDir folder;
    const QString help = QString::fromStdString(folder.path().string());
    EXPECT_TRUE(HelpPageInFolder(help, 0x20094).isEmpty());
    std::ofstream(folder.file("contents.html")) << "<html><head><title>Ripwell Help</title></head></html>";
    std::ofstream(folder.file("20094.html")) << "<html><head><title>Status</title></head></html>";
    EXPECT_EQ(HelpPageInFolder(help, 0x20094), QDir(help).filePath("20094.html"));
    EXPECT_EQ(HelpPageInFolder(help, 0x2ABCD), QDir(help).filePath("contents.html"));
    EXPECT_EQ(HelpPageInFolder(help, 0), QDir(help).filePath("contents.html"));
    EXPECT_TRUE(HelpPageInFolder(QString(), 0x20094).isEmpty());
}

TEST(HelpWindow, ShowsTheProgramsPageOfATopicWithItsTitle)
{
    ShowHelpPage(0x20094); // the "CD-ROM device status" dialog
    ASSERT_NE(HelpWindow(), nullptr);
    EXPECT_TRUE(HelpWindow()->isVisible());
    EXPECT_EQ(HelpWindow()->windowTitle(), "Ripwell Help - CD-ROM device status");
    ShowHelpPage(0);
    EXPECT_EQ(HelpWindow()->windowTitle(), "Ripwell Help");
    CloseHelpWindow();
    EXPECT_EQ(HelpWindow(), nullptr);
}
