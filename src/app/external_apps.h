// The external programs (the system's CD player and sound recorder, started by the name the
// settings keep) and the system's AutoPlay switch for audio CDs, which the Options dialog shows
// as its "Disable AutoPlay" check box.
#pragma once

#include <string>

#include "platform/autoplay_key.h"

// Texts of the two commands.
inline constexpr const char* CD_PLAYER_MISSING = "Missing the file name of the CD player.\n";
inline constexpr const char* CD_PLAYER_FAILED =
    "The CD player (%s) could not be started. You may need to change the file name of the "
    "application in 'Options...'";
inline constexpr const char* SOUND_RECORDER_MISSING = "Missing the file name of the sound recorder.\n";
inline constexpr const char* SOUND_RECORDER_FAILED =
    "The sound recorder (%s) could not be started. You may need to change the file name of the "
    "application in 'Options...'";
inline constexpr const char* AUTOPLAY_WRITE_FAILED =
    "Could not write the registry key value\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\AudioCD\\shell.\n"
    "The AutoPlay function was not changed.\n";

// The body of both commands: the empty-name message (after the error sound) when name is
// empty; otherwise the shell opens name, and when it cannot, the failure message with name in
// place of "%s" (after the error sound). owner: the window the shell works for.
void LaunchExternalApp(void* owner, const std::string& name, const char* emptyMessage, const char* failureFormat);

// The CD Player and Sound Recorder commands, with the program names of the settings.
void OnCdPlayer(void* owner, const std::string& cdPlayer);
void OnSoundRecorder(void* owner, const std::string& soundRecorder);

// Opens HKEY_LOCAL_MACHINE\SOFTWARE\Classes\AudioCD\shell for reading and writing into *key
// and reads whether AutoPlay is disabled (its default value is anything but exactly "play").
// False when the key cannot be opened; *disabled is then false. The key stays open for
// WriteAutoPlayState; the caller closes it.
bool ReadAutoPlayState(platform::AutoPlayKey* key, bool* disabled);

// Writes the key's default value: "" when disabled, "play" when not. A failed write is
// reported (no sound).
void WriteAutoPlayState(const platform::AutoPlayKey& key, bool disabled);
