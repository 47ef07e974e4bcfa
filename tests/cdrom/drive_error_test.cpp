#include "base/sounds.h"
#include "cdrom/drive_error.h"
#include "res/resource.h"
#include "support/scripted_desktop.h"

#include <gtest/gtest.h>

using platform::MB_ICONEXCLAMATION;
using platform::MB_ICONINFORMATION;

TEST(DriveError, TextsUseOnlyTheLow16Bits)
{
    EXPECT_EQ(DriveErrorText(1), "MSCDEX not installed.");
    EXPECT_EQ(DriveErrorText(9), "Drive is either not ready or does not support this operation.");
    EXPECT_EQ(DriveErrorText(18), "Read fault.");
    EXPECT_EQ(DriveErrorText(0x10012), "Read fault.");
    EXPECT_EQ(DriveErrorText(27), "Internal buffer is too large.");
    EXPECT_EQ(DriveErrorText(28), "Unknown error.");
    EXPECT_EQ(DriveErrorText(29), "Undefined error.");
    EXPECT_EQ(DriveErrorText(0xFFFF), "Undefined error.");
    EXPECT_EQ(DriveErrorText(0x10000), "Everything went OK.");
}

TEST(DriveError, ErrorSoundComesBeforeTheWarningBox)
{
    SetDialogSoundsEnabled(true);
    ScriptedDesktop desktop;
    EXPECT_EQ(ShowDriveError(0x10012), platform::IDOK);
    ASSERT_EQ(desktop.Events().size(), 2u);
    EXPECT_TRUE(desktop.Events()[0].IsSound(res::SOUND_ERROR));
    EXPECT_EQ(desktop.Events()[0].flags, 0x42007u);
    EXPECT_TRUE(desktop.Events()[1].IsBox());
    EXPECT_EQ(desktop.Events()[1].text, "Read fault.");
    EXPECT_EQ(desktop.Events()[1].Icon(), MB_ICONEXCLAMATION);
    EXPECT_EQ(desktop.Events()[1].Buttons(), platform::MB_OK);
}

TEST(DriveError, SuccessIsInformationWithoutSound)
{
    SetDialogSoundsEnabled(true);
    ScriptedDesktop desktop;
    desktop.AnswerNext(platform::IDCANCEL);
    EXPECT_EQ(ShowDriveError(0), platform::IDCANCEL); // whatever the box answers is returned
    EXPECT_EQ(desktop.Transcript(), (std::vector<std::string>{"box Everything went OK."}));
    EXPECT_EQ(desktop.Boxes()[0].Icon(), MB_ICONINFORMATION);
    // The text is string 61206, so F1 there opens topic 0x30000 + 61206.
    EXPECT_EQ(desktop.Boxes()[0].helpId, 61206u);
}

TEST(DriveError, SoundsOffStillShowsTheBox)
{
    SetDialogSoundsEnabled(false);
    ScriptedDesktop desktop;
    ShowDriveError(2);
    EXPECT_EQ(desktop.Transcript(), (std::vector<std::string>{"box Invalid drive."}));
    SetDialogSoundsEnabled(true);
}
