// What the Rip Disc dialog lets the user choose, without the dialog: the rows of the track
// list, the album, the output folder and file names, the format, the read mode and offset; how
// the choices start (from the settings and the disc), what makes them unusable, and the rip
// request they make.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/app_settings.h"
#include "platform/cdrom/disc_layout.h"
#include "rip/audio_file_writer.h"
#include "rip/disc_metadata.h"
#include "rip/rip_job.h"

struct RipTrackRow {
    uint8_t number = 0;
    bool audio = true;
    bool checked = true; // data tracks are never checked
    std::string title;
    std::string artist;
    uint32_t sectors = 0; // of the track's file
};

struct RipChoices {
    char drive = 0;
    std::vector<RipTrackRow> rows; // one per track of the disc
    std::string album;
    std::string albumArtist;
    std::string date;
    std::string folder;
    std::string pattern;
    AudioFormat format = AudioFormat::Flac;
    unsigned flacLevel = DEFAULT_FLAC_LEVEL;
    bool secure = false;
    int32_t readOffset = 0;
};

enum class RipChoiceProblem { None, NoTrack, NoFolder };

// $HOME/Music (the home folder itself when it has no Music folder).
std::string DefaultRipFolder();

// Every audio track checked, titles and album from the metadata, the rest from the settings.
RipChoices InitialRipChoices(const AppSettings& settings, char drive, const platform::DiscLayout& layout,
                             const DiscMetadata& metadata);

RipChoiceProblem CheckRipChoices(const RipChoices& choices);

// The metadata as the user left it in the rows.
DiscMetadata MetadataOfChoices(const RipChoices& choices);

// The rip the choices ask for.
RipRequest RipRequestOfChoices(const RipChoices& choices, const platform::DiscLayout& layout,
                               const AppSettings& settings);

// The choices that are remembered for the next rip: folder, pattern, format and level.
void StoreRipChoices(const RipChoices& choices, AppSettings& settings);

// The file name the pattern gives the first checked track (for the dialog's example), with its
// extension.
std::string ExampleFileName(const RipChoices& choices);
