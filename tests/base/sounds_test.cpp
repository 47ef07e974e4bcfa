#include "base/sounds.h"
#include "res/resource.h"
#include "support/scripted_desktop.h"

#include <gtest/gtest.h>

TEST(DialogSounds, EachOperationStartsItsResourceWithTheDialogFlags)
{
    SetDialogSoundsEnabled(true);
    ScriptedDesktop desktop;
    PlayErrorSound();
    PlayQuestionSound();
    PlayAboutSound();
    StopSound();
    EXPECT_EQ(desktop.Transcript(), (std::vector<std::string>{"sound T1000", "sound YOUSURE", "sound ABOUT", "stop"}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(desktop.Events()[i].flags, 0x42007u);
    EXPECT_EQ(desktop.Events()[3].flags, 0u);
    EXPECT_FALSE(desktop.SoundPlaying());
}

TEST(DialogSounds, SoundsOffPlaysNothingButStopStillStops)
{
    SetDialogSoundsEnabled(true);
    ScriptedDesktop desktop;
    PlayAboutSound(); // stands for a waveform that plays
    SetDialogSoundsEnabled(false);
    PlayErrorSound();
    PlayQuestionSound();
    PlayAboutSound();
    EXPECT_TRUE(desktop.SoundPlaying());
    EXPECT_EQ(desktop.CurrentSound()->resource, res::SOUND_ABOUT);
    StopSound();
    EXPECT_FALSE(desktop.SoundPlaying());
    EXPECT_EQ(desktop.Transcript(), (std::vector<std::string>{"sound ABOUT", "stop"}));
    SetDialogSoundsEnabled(true);
}
