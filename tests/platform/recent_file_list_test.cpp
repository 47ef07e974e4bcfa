#include "platform/framework/recent_file_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scripted_registry.h"

using namespace framework;

namespace {
const std::string kKey = "Software\\Brightmoor\\Ripwell\\Recent File List";
}

TEST(RecentFileList, MostRecentFirstFourAtMostWithoutRepeats)
{
    std::vector<std::string> list;
    for (const char* path : {"/a.wav", "/b.wav", "/c.wav", "/d.wav", "/e.wav"})
        AddToRecentFiles(list, path);
    EXPECT_EQ(list, (std::vector<std::string>{"/e.wav", "/d.wav", "/c.wav", "/b.wav"}));
    AddToRecentFiles(list, "/c.wav");
    EXPECT_EQ(list, (std::vector<std::string>{"/c.wav", "/e.wav", "/d.wav", "/b.wav"}));
    AddToRecentFiles(list, "");
    EXPECT_EQ(list.size(), 4u);
    RemoveFromRecentFiles(list, 1);
    RemoveFromRecentFiles(list, 9);
    EXPECT_EQ(list, (std::vector<std::string>{"/c.wav", "/d.wav", "/b.wav"}));
}

TEST(RecentFileList, SavedListComesBackAndRemovedEntriesStayRemoved)
{
    ScriptedRegistry registry;
    SaveRecentFileList({"/c.wav", "/e.wav", "/d.wav", "/b.wav"});
    EXPECT_EQ(LoadRecentFileList(), (std::vector<std::string>{"/c.wav", "/e.wav", "/d.wav", "/b.wav"}));

    SaveRecentFileList({"/c.wav", "/d.wav"});
    EXPECT_EQ(LoadRecentFileList(), (std::vector<std::string>{"/c.wav", "/d.wav"}));
    EXPECT_EQ(registry.user.FindValue(kKey, "File3"), nullptr);
    EXPECT_EQ(registry.user.FindValue(kKey, "File4"), nullptr);

    // A list handed over with repeats, gaps or too many names is stored as a proper list.
    SaveRecentFileList({"/a.wav", "", "/a.wav", "/b.wav", "/c.wav", "/d.wav", "/e.wav"});
    EXPECT_EQ(LoadRecentFileList(), (std::vector<std::string>{"/a.wav", "/b.wav", "/c.wav", "/d.wav"}));

    // A hand-edited hive with a hole in it reads without the hole.
    registry.LoadUser("[HKEY_CURRENT_USER\\" + kKey +
                      "]\n\"File1\"=\"/x.wav\"\n\"File2\"=\"\"\n\"File3\"=\"/y.wav\"\n");
    EXPECT_EQ(LoadRecentFileList(), (std::vector<std::string>{"/x.wav", "/y.wav", "/d.wav"}));
}
