#include "app/external_apps.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/sounds.h"
#include "res/resource.h"
#include "support/scripted_autoplay_key.h"
#include "support/scripted_desktop.h"
#include "support/scripted_shell.h"

namespace {

const std::string kBlanksFailed =
    "The CD player (   ) could not be started. You may need to change the file name of the application in "
    "'Options...'";

} // namespace

TEST(ExternalApps, NamesGoToTheShellUnchangedAndFailuresNameThemAfterTheErrorSound)
{
    SetDialogSoundsEnabled(true);
    ScriptedDesktop desktop;
    ScriptedShell shell;
    int owner = 0;

    // An empty name: the error sound, then the message; the shell is not asked.
    OnCdPlayer(&owner, "");
    OnSoundRecorder(&owner, "");
    EXPECT_TRUE(shell.Calls().empty());
    EXPECT_EQ(desktop.Transcript(),
              (std::vector<std::string>{"sound T1000", "box Missing the file name of the CD player.\n", "sound T1000",
                                        "box Missing the file name of the sound recorder.\n"}));
    EXPECT_EQ(desktop.Boxes()[0].flags, platform::MB_OK | platform::MB_ICONEXCLAMATION);

    // Blanks are a name: the shell gets them, and the failure shows them between the parentheses.
    desktop.Clear();
    shell.Answer(platform::SE_ERR_FNF);
    OnCdPlayer(&owner, "   ");
    ASSERT_EQ(shell.Calls().size(), 1u);
    EXPECT_EQ(shell.Calls()[0].file, "   ");
    EXPECT_EQ(shell.Calls()[0].verb, "open");
    EXPECT_EQ(shell.Calls()[0].parameters, "");
    EXPECT_EQ(shell.Calls()[0].directory, "");
    EXPECT_EQ(shell.Calls()[0].showCommand, platform::SW_SHOWNORMAL);
    EXPECT_EQ(shell.Calls()[0].owner, &owner);
    EXPECT_EQ(desktop.Transcript(), (std::vector<std::string>{"sound T1000", "box " + kBlanksFailed}));
    EXPECT_EQ(desktop.Boxes()[0].flags, platform::MB_OK | platform::MB_ICONEXCLAMATION);

    // A "%" in the name is shown as it is; exactly 32 is still a failure.
    desktop.Clear();
    shell.Answer(32);
    OnSoundRecorder(&owner, "rec%d.exe");
    EXPECT_EQ(desktop.Transcript(),
              (std::vector<std::string>{"sound T1000",
                                        "box The sound recorder (rec%d.exe) could not be started. You may need to "
                                        "change the file name of the application in 'Options...'"}));

    // A full path with blanks goes as it is, without quotes; a start is silent.
    desktop.Clear();
    shell.Answer(33);
    OnCdPlayer(&owner, "/opt/Music Players/cd player");
    EXPECT_EQ(shell.Calls().back().file, "/opt/Music Players/cd player");
    EXPECT_TRUE(desktop.Events().empty());
}

TEST(ExternalApps, AutoPlayStateIsPlayExactlyAndTheKeyIsOpenedLevelByLevel)
{
    ScriptedAutoPlayKey store;
    platform::AutoPlayKey key;
    bool disabled = true;
    ASSERT_TRUE(ReadAutoPlayState(&key, &disabled));
    EXPECT_FALSE(disabled);
    EXPECT_TRUE(key.IsOpen());
    EXPECT_EQ(store.opened,
              (std::vector<std::string>{"SOFTWARE", "SOFTWARE\\Classes", "SOFTWARE\\Classes\\AudioCD",
                                        "SOFTWARE\\Classes\\AudioCD\\shell"}));

    // Anything but exactly "play" is disabled, a value that cannot be read (unset, or longer
    // than the 80 bytes read) too.
    for (const std::optional<std::string>& value :
         {std::optional<std::string>("play "), std::optional<std::string>(""), std::optional<std::string>(),
          std::optional("play" + std::string(90, ' '))}) {
        store.value = value;
        ASSERT_TRUE(ReadAutoPlayState(&key, &disabled));
        EXPECT_TRUE(disabled) << value.value_or("(unset)");
    }

    // A key the user may not write counts as not opened, and as not disabled.
    store.writable = false;
    EXPECT_FALSE(ReadAutoPlayState(&key, &disabled));
    EXPECT_FALSE(disabled);
    EXPECT_FALSE(key.IsOpen());
}
