// The names a rip gives a disc and its tracks, gathered from where the program keeps them: the
// titles the user gave in the track list (CDPLAYER.INI, the disc's section named by its
// identity), the disc's CD-TEXT, and on request the MusicBrainz release. A title the user
// stored wins over CD-TEXT; a track without either is "Track 01", as in the track list.
#pragma once

#include <string>
#include <vector>

#include "platform/cdrom/disc_layout.h"
#include "rip/musicbrainz.h"

struct DiscMetadata {
    std::string album;
    std::string albumArtist;
    std::string date;
    std::vector<std::string> titles;  // one per track of the layout, data tracks included
    std::vector<std::string> artists; // empty: the album's artist
};

// The disc's section name in CDPLAYER.INI: its identity (the freedb disc id) in hexadecimal.
std::string CdPlayerSection(const platform::DiscLayout& layout);

DiscMetadata ReadDiscMetadata(const platform::DiscLayout& layout);

// Takes the release's album, artist, date and the titles of the tracks by their number.
void ApplyRelease(const ReleaseInfo& release, const platform::DiscLayout& layout, DiscMetadata* metadata);

// Keeps the user's names in CDPLAYER.INI, so that the track list shows them too: the album's
// title and artist and the titles that differ from what ReadDiscMetadata found. The keys every
// disc section carries are written where they are missing, as a rename in the track list does.
void StoreDiscMetadata(const platform::DiscLayout& layout, const DiscMetadata& before, const DiscMetadata& after);
