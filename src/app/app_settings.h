// AppSettings: every persisted setting of the program, held by the one application object
// for the whole run and changed in place. Field names are the registry value names.
#pragma once

#include <cstdint>
#include <string>

struct ReadAudioParams {
    uint8_t DialogTabPage = 0;
    uint8_t StartingMin = 0;
    uint8_t StartingSec = 10;
    uint8_t StartingFrm = 0;
    uint8_t EndingMin = 0;
    uint8_t EndingSec = 20;
    uint8_t EndingFrm = 0;
    uint32_t StartingSect = 600;
    uint32_t EndingSect = 1350;
    uint8_t PlayFirstSec = 3;
    uint8_t PlayLastSec = 3;
    int32_t PlayOnlyFirst = 0;   // stores the dialog's "Only last" box (they cross over)
    int32_t PlayOnlyLast = 0;    // stores the dialog's "Only first" box
    int32_t PlayInLoopMode = 0;
};

struct AppSettings {
    // "Settings"
    uint8_t DefaultCDROMDrive = 'D';   // 0: the machine has no CD-ROM drive
    int32_t PlayDialogSounds = 1;
    int32_t ShowWaveHeader = 0;
    int32_t ReadIntoRAM = 1;
    int32_t DoJitterCorrection = 1;
    uint8_t OverlappingSectors = 2;
    int32_t SaveSettingsOnExit = 1;
    // "Colors": 0x00BBGGRR
    uint32_t Foreground = 0x000000;
    uint32_t Background = 0xFFFFFF;
    // "Applications"
    std::string CDPlayer = "CDPLAYER.EXE";
    std::string SoundRecorder = "SNDREC32.EXE";
    // "Read Audio Params"
    ReadAudioParams ReadAudio;
};

// The settings record of the running program (owned by the application object).
AppSettings& Settings();
