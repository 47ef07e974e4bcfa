#include "player/track_properties.h"

#include <cstdio>

#include "cdrom/address.h"
#include "player/disc_titles.h"

namespace {

// The caption's title comes from a 128-byte buffer with its terminator.
constexpr std::size_t kTitleBytes = 127;

// Red Book time shown exactly: "%d:%02d.%02d" of minute, second and frame.
std::string RedBookText(uint8_t minute, uint8_t second, uint8_t frame)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d.%02d", minute, second, frame);
    return text;
}

} // namespace

void CTrackProperties::Fill(const TrackRecord& track, int row, const std::string& title)
{
    const bool audio = track.nonAudio == 0;
    m_bAudio = audio ? 1 : 0;
    m_strRbStart = RedBookText(track.startMinute, track.startSecond, track.startFrame);
    m_strRbEnd = RedBookText(track.endMinute, track.endSecond, track.endFrame);
    m_strRbLength = RedBookText(track.lengthMinute, track.lengthSecond, track.lengthFrame);
    m_strHsStart = std::to_string(track.startSector);
    m_strHsEnd = std::to_string(track.endSector);
    m_strHsLength = std::to_string(track.sectorCount);
    // "%u": the size as the 32-bit number it is.
    const uint32_t bytes = track.sectorCount * (audio ? RAW_SECTOR_SIZE : COOKED_SECTOR_SIZE);
    m_strSize = std::to_string(bytes);
    char caption[256];
    std::snprintf(caption, sizeof caption, "Track %u - %s", static_cast<unsigned>(row + 1),
                  CutTitle(title, kTitleBytes).c_str());
    m_strTitle = caption;
}
