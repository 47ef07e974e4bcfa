#include "base/app_settings.h"

#include <cstring>

namespace {

// One table row: the member's name is written once and is also the value's name.
#define SETTING(section, field)                                            \
    SettingValue                                                           \
    {                                                                      \
        section, #field, +[](AppSettings & s) -> auto& { return s.field; } \
    }
#define READ_AUDIO_SETTING(field)                                                                      \
    SettingValue                                                                                       \
    {                                                                                                  \
        READ_AUDIO_PARAMS_SECTION, #field, +[](AppSettings & s) -> auto& { return s.ReadAudio.field; } \
    }

} // namespace

const std::vector<SettingValue>& SettingValues()
{
    static const std::vector<SettingValue> values = {
        SETTING(SETTINGS_SECTION, DefaultCDROMDrive),
        SETTING(SETTINGS_SECTION, PlayDialogSounds),
        SETTING(SETTINGS_SECTION, ReadIntoRAM),
        SETTING(SETTINGS_SECTION, DoJitterCorrection),
        SETTING(SETTINGS_SECTION, OverlappingSectors),
        SETTING(SETTINGS_SECTION, ShowWaveHeader),
        SETTING(SETTINGS_SECTION, SaveSettingsOnExit),
        SETTING(COLORS_SECTION, Foreground),
        SETTING(COLORS_SECTION, Background),
        SETTING(APPLICATIONS_SECTION, CDPlayer),
        SETTING(APPLICATIONS_SECTION, SoundRecorder),
        READ_AUDIO_SETTING(DialogTabPage),
        READ_AUDIO_SETTING(StartingMin),
        READ_AUDIO_SETTING(StartingSec),
        READ_AUDIO_SETTING(StartingFrm),
        READ_AUDIO_SETTING(EndingMin),
        READ_AUDIO_SETTING(EndingSec),
        READ_AUDIO_SETTING(EndingFrm),
        READ_AUDIO_SETTING(StartingSect),
        READ_AUDIO_SETTING(EndingSect),
        READ_AUDIO_SETTING(PlayFirstSec),
        READ_AUDIO_SETTING(PlayLastSec),
        READ_AUDIO_SETTING(PlayOnlyFirst),
        READ_AUDIO_SETTING(PlayOnlyLast),
        READ_AUDIO_SETTING(PlayInLoopMode),
        SETTING(SETTINGS_SECTION, SecureMode),
        SETTING(SETTINGS_SECTION, SecureReadTries),
        SETTING(SETTINGS_SECTION, DefeatDriveCache),
        SETTING(SETTINGS_SECTION, ReadOffset),
        SETTING(SETTINGS_SECTION, DriveReadOffsets),
        SETTING(RIP_SECTION, RipFolder),
        SETTING(RIP_SECTION, RipFileNamePattern),
        SETTING(RIP_SECTION, RipFormat),
        SETTING(RIP_SECTION, RipFlacLevel),
        SETTING(RIP_SECTION, AccurateRipUrl),
        SETTING(RIP_SECTION, MusicBrainzServer),
    };
    return values;
}

#undef SETTING
#undef READ_AUDIO_SETTING

const SettingValue* FindSettingValue(const char* name)
{
    for (const SettingValue& value : SettingValues())
        if (std::strcmp(value.name, name) == 0)
            return &value;
    return nullptr;
}
