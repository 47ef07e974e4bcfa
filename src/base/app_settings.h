// AppSettings: every persisted setting of the program. The application object owns the one
// record for the whole run, loads it at start-up and saves it at shut-down; everything else
// is handed the values it needs (a dialog gets the record from its command, the extraction
// worker gets a copy of the values of a read in its request). Field names are the value names
// under HKEY_CURRENT_USER\Software\Brightmoor\Ripwell, and the defaults are the initial values
// below.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// The last state of the "Read CD digital audio" dialog.
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
    int32_t PlayOnlyFirst = 0; // stores the dialog's "Only last" box (they cross over)
    int32_t PlayOnlyLast = 0;  // stores the dialog's "Only first" box
    int32_t PlayInLoopMode = 0;
};

struct AppSettings {
    // "Settings"
    uint8_t DefaultCDROMDrive = 'D'; // 0: the machine has no CD-ROM drive
    int32_t PlayDialogSounds = 1;
    int32_t ShowWaveHeader = 0;
    int32_t ReadIntoRAM = 1;
    int32_t DoJitterCorrection = 1;
    uint8_t OverlappingSectors = 2;
    int32_t SaveSettingsOnExit = 1;
    // Verified reads of digital audio (the Tools menu's "Secure Mode"): each sector read until
    // two reads agree, at most SecureReadTries times, the drive's cache defeated between reads.
    int32_t SecureMode = 0;
    uint32_t SecureReadTries = 16;
    int32_t DefeatDriveCache = 1;
    // The drive's read offset correction in samples (-5000..5000), and the offsets stored for
    // drive models that name themselves, as "MODEL=OFFSET;MODEL=OFFSET".
    int32_t ReadOffset = 0;
    std::string DriveReadOffsets;
    // "Colors": 0x00BBGGRR
    uint32_t Foreground = 0x000000;
    uint32_t Background = 0xFFFFFF;
    // "Applications"
    std::string CDPlayer = "CDPLAYER.EXE";
    std::string SoundRecorder = "SNDREC32.EXE";
    // "Read Audio Params"
    ReadAudioParams ReadAudio;
    // "Rip Disc": the last choices of the Rip Disc dialog, and the services a rip asks (empty:
    // the public ones).
    std::string RipFolder; // empty: the Music folder of the user's home
    std::string RipFileNamePattern = "%n - %t";
    int32_t RipFormat = 0;     // 0 FLAC, 1 WAV
    uint32_t RipFlacLevel = 5; // 0..8
    std::string AccurateRipUrl;
    std::string MusicBrainzServer;
};

inline constexpr const char* SETTINGS_SECTION = "Settings";
inline constexpr const char* COLORS_SECTION = "Colors";
inline constexpr const char* APPLICATIONS_SECTION = "Applications";
inline constexpr const char* READ_AUDIO_PARAMS_SECTION = "Read Audio Params";
inline constexpr const char* RIP_SECTION = "Rip Disc";

// One persisted value: where it is stored and which member of the record holds it. Integers
// are stored as DWORDs; a byte member keeps the low byte of what is stored.
struct SettingValue {
    using Member = std::variant<uint8_t& (*)(AppSettings&), int32_t& (*)(AppSettings&), uint32_t& (*)(AppSettings&),
                                std::string& (*)(AppSettings&)>;
    const char* section;
    const char* name;
    Member member;
};

// Every persisted value, in the order they are written.
const std::vector<SettingValue>& SettingValues();

// The value of that name, or nullptr.
const SettingValue* FindSettingValue(const char* name);
