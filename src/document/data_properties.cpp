#include "document/data_properties.h"

#include "base/sounds.h"
#include "document/ripwell_doc.h"
#include "platform/message_box.h"

#include <cstdio>

namespace {

constexpr uint32_t CD_AUDIO_BYTES_PER_SECOND = 176400;
constexpr int SECONDS_PER_MINUTE = 60;

} // namespace

uint32_t BytesPerSecondOfSelection(int selection)
{
    if (selection < 0 || selection > 15)
        return CD_AUDIO_BYTES_PER_SECOND;
    return WaveFormatTable[selection].bytesPerSecond;
}

std::string PlayingTimeText(uint32_t dataLength, int selection)
{
    const double rate = BytesPerSecondOfSelection(selection);
    const double seconds = static_cast<int32_t>(dataLength) / rate;
    char minutes[32] = "";
    float rest = static_cast<float>(seconds);
    if (seconds > SECONDS_PER_MINUTE) {
        const int m = static_cast<int>(seconds) / SECONDS_PER_MINUTE;
        std::snprintf(minutes, sizeof minutes, "%d m ", m);
        rest = static_cast<float>(seconds - SECONDS_PER_MINUTE * m);
    }
    char text[64];
    std::snprintf(text, sizeof text, "%s%.2f s", minutes, static_cast<double>(rest));
    return text;
}

PropertiesChange ApplyDataProperties(CRipwellDoc& document, WaveFormatCode format, bool assumeSound)
{
    PropertiesChange change;
    if (format != document.m_nWaveFormat) {
        change.formatChanged = true;
        StopSound();
        if (!document.SetWaveFormat(format))
            platform::MessageBox("Could not change wave format.", platform::MB_OK | platform::MB_ICONEXCLAMATION);
        document.SetModifiedFlag(true);
    }
    if (assumeSound != document.m_bIsSound) {
        change.soundFlagChanged = true;
        document.m_bIsSound = assumeSound;
        document.SetModifiedFlag(true);
    }
    return change;
}
