#include "platform/cdrom/table_of_contents.h"

namespace platform::cdrom {

int TableOfContents::TrackIndexAt(uint32_t sector) const
{
    if (tracks.empty() || sector < tracks.front().start || sector >= leadOut)
        return -1;
    for (size_t i = tracks.size(); i-- > 0;)
        if (sector >= tracks[i].start)
            return static_cast<int>(i);
    return -1;
}

uint32_t TableOfContents::TrackEnd(size_t i) const { return i + 1 < tracks.size() ? tracks[i + 1].start : leadOut; }

} // namespace platform::cdrom
