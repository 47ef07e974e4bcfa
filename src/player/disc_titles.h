// The titles of a disc's tracks in CDPLAYER.INI, the title file shared with the system's CD
// player: one section per disc, named by the disc identity in hexadecimal, with the title of
// track i + 1 under the key i. The file is read and written one entry at a time through the
// platform's profile functions; nothing of it is kept between calls.
#pragma once

#include <cstddef>
#include <string>

class CCDAudio;

// The title of the track at a row index: the stored one, or "Track %02u" of index + 1 when the
// section has none (or holds exactly the text that marks a missing key), or without identity.
std::string TrackTitle(const char* discId, bool haveId, int index);

// At most maxBytes bytes of a title (UTF-8), cut before a character that would not fit whole,
// as a title is cut to the buffer it is copied into.
std::string CutTitle(const std::string& title, std::size_t maxBytes);

// Stores a new title of the track at a row index. Writes the keys every disc section carries
// ("EntryType", "artist", "title", "numtracks", the last from the device) where they are
// missing. True when the title itself was written.
bool StoreTrackTitle(const char* discId, int index, const std::string& title, CCDAudio& audio);
