// What the "CD track properties" box shows of one track: its start, end and length in Red Book
// time and in sectors, its size in bytes, whether it is an audio track, and the caption. The
// members are those of the dialog (player/ui/track_properties_dlg.h), in its order; filling
// them needs no window.
#pragma once

#include <cstdint>
#include <string>

#include "player/track_table.h"

class CTrackProperties {
public:
    // Fills the members from the track at a row of the list with the row's title; a title of
    // more than 127 bytes is cut (at a character boundary).
    void Fill(const TrackRecord& track, int row, const std::string& title);

    int32_t m_bAudio = 0;
    std::string m_strRbStart;
    std::string m_strRbEnd;
    std::string m_strRbLength;
    std::string m_strHsStart;
    std::string m_strHsEnd;
    std::string m_strHsLength;
    std::string m_strSize;
    std::string m_strTitle;
};
