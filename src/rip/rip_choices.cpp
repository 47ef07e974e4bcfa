#include "rip/rip_choices.h"

#include <cstdlib>
#include <filesystem>

#include "platform/drives.h"
#include "rip/file_naming.h"
#include "rip/rip_readers.h"
#include "rip/track_plan.h"

std::string DefaultRipFolder()
{
    const char* home = std::getenv("HOME");
    if (!home || !*home)
        return std::filesystem::current_path().string();
    const std::filesystem::path music = std::filesystem::path(home) / "Music";
    std::error_code error;
    return std::filesystem::is_directory(music, error) ? music.string() : std::string(home);
}

RipChoices InitialRipChoices(const AppSettings& settings, char drive, const platform::DiscLayout& layout,
                             const DiscMetadata& metadata)
{
    RipChoices choices;
    choices.drive = drive;
    const std::vector<PlannedTrack> plan = PlanTracks(layout);
    for (size_t i = 0; i < layout.tracks.size(); ++i) {
        RipTrackRow row;
        row.number = layout.tracks[i].number;
        row.audio = layout.tracks[i].isAudio;
        row.checked = row.audio;
        row.title = i < metadata.titles.size() ? metadata.titles[i] : std::string();
        row.artist = i < metadata.artists.size() ? metadata.artists[i] : std::string();
        row.sectors = layout.TrackEnd(i) - layout.tracks[i].start;
        for (const PlannedTrack& track : plan)
            if (track.number == row.number)
                row.sectors = track.Sectors();
        choices.rows.push_back(row);
    }
    choices.album = metadata.album;
    choices.albumArtist = metadata.albumArtist;
    choices.date = metadata.date;
    choices.folder = settings.RipFolder.empty() ? DefaultRipFolder() : settings.RipFolder;
    choices.pattern = settings.RipFileNamePattern.empty() ? DEFAULT_FILE_NAME_PATTERN : settings.RipFileNamePattern;
    choices.format = settings.RipFormat == 1 ? AudioFormat::Wave : AudioFormat::Flac;
    choices.flacLevel = settings.RipFlacLevel > MAX_FLAC_LEVEL ? DEFAULT_FLAC_LEVEL : settings.RipFlacLevel;
    // Read as the Tools menu's Secure Mode and Read Offset say, with the offset of this drive.
    choices.secure = settings.SecureMode != 0;
    choices.readOffset = DefaultReadOffset(settings, drive);
    return choices;
}

RipChoiceProblem CheckRipChoices(const RipChoices& choices)
{
    bool any = false;
    for (const RipTrackRow& row : choices.rows)
        any |= row.audio && row.checked;
    if (!any)
        return RipChoiceProblem::NoTrack;
    if (choices.folder.find_first_not_of(' ') == std::string::npos)
        return RipChoiceProblem::NoFolder;
    return RipChoiceProblem::None;
}

DiscMetadata MetadataOfChoices(const RipChoices& choices)
{
    DiscMetadata metadata;
    metadata.album = choices.album;
    metadata.albumArtist = choices.albumArtist;
    metadata.date = choices.date;
    for (const RipTrackRow& row : choices.rows) {
        metadata.titles.push_back(row.title);
        metadata.artists.push_back(row.artist);
    }
    return metadata;
}

RipRequest RipRequestOfChoices(const RipChoices& choices, const platform::DiscLayout& layout,
                               const AppSettings& settings)
{
    RipRequest request;
    request.drive = choices.drive;
    if (const std::optional<platform::DriveEntry> entry = platform::FindDrive(choices.drive))
        request.driveDescription = entry->source;
    request.layout = layout;
    for (const RipTrackRow& row : choices.rows)
        if (row.audio && row.checked)
            request.tracks.push_back(RipTrackChoice{row.number, row.title, row.artist});
    request.album = choices.album;
    request.albumArtist = choices.albumArtist;
    request.date = choices.date;
    request.outputFolder = choices.folder;
    request.fileNamePattern = choices.pattern;
    request.format = choices.format;
    request.flacLevel = choices.flacLevel;
    request.readOffset = choices.readOffset;
    request.accurateRipBaseUrl = AccurateRipBaseUrl(settings.AccurateRipUrl);
    return request;
}

void StoreRipChoices(const RipChoices& choices, AppSettings& settings)
{
    settings.RipFolder = choices.folder;
    settings.RipFileNamePattern = choices.pattern;
    settings.RipFormat = choices.format == AudioFormat::Wave ? 1 : 0;
    settings.RipFlacLevel = choices.flacLevel;
}

std::string ExampleFileName(const RipChoices& choices)
{
    for (const RipTrackRow& row : choices.rows) {
        if (!row.audio || !row.checked)
            continue;
        const FileNameFields fields{row.number, row.title, row.artist.empty() ? choices.albumArtist : row.artist,
                                    choices.album, choices.albumArtist};
        return FileNameFromPattern(choices.pattern.empty() ? DEFAULT_FILE_NAME_PATTERN : choices.pattern, fields) +
            AudioFileExtension(choices.format);
    }
    return {};
}
