#include "res/resource.h"
#include "res/string_table.h"

#include <gtest/gtest.h>

TEST(StringTable, FindsNumberedTextsAndSplitsPrompts)
{
    EXPECT_EQ(res::LoadString(res::AFX_IDS_APP_TITLE), "Ripwell");
    EXPECT_EQ(res::LoadString(res::IDS_EVERYTHING_OK), "Everything went OK.");
    EXPECT_TRUE(res::LoadString(12345).empty());
    EXPECT_EQ(res::CommandPrompt(res::ID_FILE_NEW), "Create a new document");
    EXPECT_EQ(res::CommandTooltip(res::ID_FILE_NEW), "New");
    EXPECT_EQ(res::CommandTooltip(res::ID_FILE_MRU_FILE1), "");
    EXPECT_EQ(res::FormatMessageText(res::LoadString(res::AFX_IDP_ASK_TO_SAVE), "a.wav"), "Save changes to a.wav?");
}
