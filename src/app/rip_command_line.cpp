#include "app/rip_command_line.h"

#include <QCoreApplication>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "app/app_startup.h"
#include "base/app_settings.h"
#include "platform/cdrom/disc_layout.h"
#include "platform/drives.h"
#include "platform/terminal.h"
#include "rip/disc_metadata.h"
#include "rip/rip_job.h"
#include "rip/rip_log.h"
#include "rip/rip_readers.h"

namespace {

constexpr double kBytesPerSecondOfAudio = 44100.0 * 4;

bool ParseInteger(const std::string& text, long minimum, long maximum, long* value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || parsed < minimum || parsed > maximum)
        return false;
    *value = parsed;
    return true;
}

std::string PassName(ReadPass pass)
{
    switch (pass) {
    case ReadPass::Test: return "test";
    case ReadPass::Copy: return "copy";
    case ReadPass::ReRead: return "re-read";
    case ReadPass::Read: break;
    }
    return "read";
}

std::string Duration(double seconds)
{
    const long whole = seconds < 0 ? 0 : static_cast<long>(seconds + 0.5);
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

// Draws the progress bar on a terminal, or one line per finished track elsewhere.
class TerminalObserver : public RipObserver {
public:
    TerminalObserver(size_t trackCount, bool terminal) : m_trackCount(trackCount), m_terminal(terminal) {}

    void OnTrackStarted(size_t index, const RipTrackResult&) override { m_track = static_cast<unsigned>(index + 1); }
    void OnPass(size_t, ReadPass pass) override { m_pass = PassName(pass); }
    void OnProgress(size_t, uint32_t, uint64_t done, uint64_t total) override
    {
        if (!m_terminal)
            return;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        const std::string line = ProgressBarLine(m_track, static_cast<unsigned>(m_trackCount), m_pass, done, total,
                                                 seconds, platform::TerminalColumns(platform::STANDARD_OUTPUT));
        std::printf("\r%s\x1b[K", line.c_str());
        std::fflush(stdout);
        m_drawn = true;
    }
    void OnTrackFinished(size_t, const RipTrackResult& track) override
    {
        EndLine();
        std::printf("Track %02u  %-40s  %s\n", track.number, track.fileName.c_str(),
                    track.status == RipTrackResult::Status::Ripped ? VerdictText(track.verdict).c_str()
                                                                   : track.error.c_str());
        std::fflush(stdout);
    }
    void EndLine()
    {
        if (m_drawn)
            std::printf("\r\x1b[K");
        m_drawn = false;
    }

private:
    size_t m_trackCount;
    bool m_terminal;
    bool m_drawn = false;
    unsigned m_track = 0;
    std::string m_pass = "read";
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

int Fail(int code, const std::string& message)
{
    std::fprintf(stderr, "ripwell: %s\n", message.c_str());
    return code;
}

std::string DefaultFolder(const AppSettings& settings)
{
    if (!settings.RipFolder.empty())
        return settings.RipFolder;
    return std::filesystem::current_path().string();
}

} // namespace

bool IsCommandLineRun(const std::vector<std::string>& arguments)
{
    for (size_t i = 1; i < arguments.size(); ++i)
        if (arguments[i] == "--rip" || arguments[i] == "--help" || arguments[i] == "-h")
            return true;
    return false;
}

bool ParseTrackList(const std::string& text, std::set<unsigned>* tracks)
{
    tracks->clear();
    size_t from = 0;
    while (from <= text.size()) {
        const size_t comma = std::min(text.find(',', from), text.size());
        const std::string part = text.substr(from, comma - from);
        const size_t dash = part.find('-');
        long first = 0, last = 0;
        if (dash == std::string::npos) {
            if (!ParseInteger(part, 1, 99, &first))
                return false;
            last = first;
        } else if (!ParseInteger(part.substr(0, dash), 1, 99, &first) ||
                   !ParseInteger(part.substr(dash + 1), 1, 99, &last) || last < first) {
            return false;
        }
        for (long number = first; number <= last; ++number)
            tracks->insert(static_cast<unsigned>(number));
        from = comma + 1;
    }
    return !tracks->empty();
}

bool ParseRipCommandLine(const std::vector<std::string>& arguments, RipCommandLine* commandLine, std::string* error)
{
    *commandLine = RipCommandLine{};
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        auto value = [&]() -> const std::string& { return arguments[++i]; };
        long number = 0;
        if (argument == "--help" || argument == "-h") {
            commandLine->help = true;
        } else if (argument == "--rip") {
            commandLine->rip = true;
        } else if (argument == "--secure") {
            commandLine->secure = true;
        } else if (argument == "--musicbrainz") {
            commandLine->musicBrainz = true;
        } else if (argument == "--no-accuraterip") {
            commandLine->accurateRip = false;
        } else if (!hasValue && argument.rfind("--", 0) == 0) {
            *error = argument + " needs a value";
            return false;
        } else if (argument == "--drive") {
            const std::string& drive = value();
            if ((drive.size() != 1 && (drive.size() != 2 || drive[1] != ':')) ||
                !std::isalpha(static_cast<unsigned char>(drive[0]))) {
                *error = "--drive takes a drive letter such as E:";
                return false;
            }
            commandLine->drive = static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0])));
        } else if (argument == "--tracks") {
            if (!ParseTrackList(value(), &commandLine->tracks)) {
                *error = "--tracks takes track numbers and ranges such as 1-5,7";
                return false;
            }
        } else if (argument == "--format") {
            const std::string& format = value();
            if (format != "flac" && format != "wav") {
                *error = "--format takes flac or wav";
                return false;
            }
            commandLine->wave = format == "wav";
        } else if (argument == "--level") {
            if (!ParseInteger(value(), 0, 8, &number)) {
                *error = "--level takes a FLAC compression level from 0 to 8";
                return false;
            }
            commandLine->flacLevel = static_cast<unsigned>(number);
        } else if (argument == "--to") {
            commandLine->folder = value();
        } else if (argument == "--pattern") {
            commandLine->pattern = value();
        } else if (argument == "--offset") {
            if (!ParseInteger(value(), -5000, 5000, &number)) {
                *error = "--offset takes a read offset from -5000 to 5000 samples";
                return false;
            }
            commandLine->offset = static_cast<int32_t>(number);
        } else {
            *error = "unknown argument " + argument;
            return false;
        }
    }
    if (!commandLine->help && !commandLine->rip) {
        *error = "give --rip to rip a disc";
        return false;
    }
    return true;
}

std::string RipUsage()
{
    return "Usage: ripwell [FILE]\n"
           "       ripwell --rip [--drive E:] [--tracks 1-5,7] [--format flac|wav] [--level N]\n"
           "                     [--to DIR] [--pattern PATTERN] [--secure] [--offset N]\n"
           "                     [--musicbrainz] [--no-accuraterip]\n"
           "\n"
           "Without --rip, Ripwell opens its window, with FILE as the document when given.\n"
           "--rip rips the disc in a drive without a window: one file per audio track, a cue\n"
           "sheet and a log, checked against the AccurateRip database.\n"
           "\n"
           "  --drive E:        the drive (default: the drive of the settings)\n"
           "  --tracks LIST     the tracks, as numbers and ranges (default: every audio track)\n"
           "  --format F        flac or wav (default: the last format chosen in the window)\n"
           "  --level N         FLAC compression level 0 to 8 (default 5)\n"
           "  --to DIR          the folder of the files (default: the settings' folder, else the\n"
           "                    current one)\n"
           "  --pattern P       file names: %n number, %t title, %a artist, %b album,\n"
           "                    %r album artist (default \"%n - %t\")\n"
           "  --secure          read every sector until two reads agree\n"
           "  --offset N        the drive's read offset correction in samples, -5000 to 5000\n"
           "  --musicbrainz     take album, artist and titles from MusicBrainz\n"
           "  --no-accuraterip  do not ask the AccurateRip database\n"
           "  --help            this text\n"
           "\n"
           "Titles come from the track list's title file (CDPLAYER.INI) and the disc's CD-TEXT.\n"
           "RIPWELL_ACCURATERIP_URL replaces the address of the AccurateRip database,\n"
           "RIPWELL_MUSICBRAINZ_URL that of the MusicBrainz server; RIPWELL_DRIVES puts disc\n"
           "images into virtual drives, so that a script can rip one image after the other:\n"
           "  for f in *.cue; do RIPWELL_DRIVES=\"E=$f\" ripwell --rip --drive E: --to \"${f%.cue}\"; done\n"
           "\n"
           "Exit codes:\n"
           "  0  every track was read consistently and is accurate, or AccurateRip could not be\n"
           "     asked (the log says why)\n"
           "  1  the command line is wrong\n"
           "  2  no such drive, no disc in it, or no audio track to rip\n"
           "  3  the rip was interrupted\n"
           "  4  a file could not be written\n"
           "  5  a track could not be read, or not consistently\n"
           "  6  AccurateRip has other checksums for a track\n"
           "  7  AccurateRip does not know the disc or a track\n";
}

std::string ProgressBarLine(unsigned track, unsigned trackCount, const std::string& pass, uint64_t done, uint64_t total,
                            double seconds, int columns)
{
    const double fraction = total ? static_cast<double>(done) / static_cast<double>(total) : 0.0;
    // Both the read and the encoding of a byte count as work: half of it is the audio ripped.
    const double audioSeconds = static_cast<double>(done) / 2 / kBytesPerSecondOfAudio;
    const double speed = seconds > 0 ? audioSeconds / seconds : 0.0;
    const double left = done > 0 && fraction < 1 ? seconds * (1 - fraction) / fraction : 0.0;
    char head[64], tail[64];
    std::snprintf(head, sizeof head, "Track %02u/%02u %-7s ", track, trackCount, pass.c_str());
    std::snprintf(tail, sizeof tail, " %3.0f%% %5.1fx %s left", fraction * 100, speed, Duration(left).c_str());
    const int barWidth = columns - 1 - static_cast<int>(std::string(head).size() + std::string(tail).size()) - 2;
    std::string line = head;
    if (barWidth >= 10) {
        const int filled = static_cast<int>(fraction * barWidth + 0.5);
        line += "[" + std::string(filled, '#') + std::string(barWidth - filled, '-') + "]";
    }
    line += tail;
    if (static_cast<int>(line.size()) > columns - 1)
        line.resize(columns > 1 ? columns - 1 : 0);
    return line;
}

int RipCommandLineMain(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Ripwell"));
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    RipCommandLine commandLine;
    std::string error;
    if (!ParseRipCommandLine(arguments, &commandLine, &error))
        return Fail(RIP_EXIT_USAGE, error + " (see ripwell --help)");
    if (commandLine.help) {
        std::fputs(RipUsage().c_str(), stdout);
        return RIP_EXIT_OK;
    }

    InitRegistry();
    AppSettings settings;
    LoadSettings(settings);
    const char drive = commandLine.drive ? commandLine.drive : static_cast<char>(settings.DefaultCDROMDrive);
    if (drive == 0)
        return Fail(RIP_EXIT_NO_DISC, "this machine has no CD-ROM drive");

    platform::DiscLayout layout;
    if (!platform::ReadDiscLayout(drive, &layout, &error))
        return Fail(RIP_EXIT_NO_DISC, std::string("drive ") + drive + ": " + error);
    DiscMetadata metadata = ReadDiscMetadata(layout);
    if (commandLine.musicBrainz) {
        ReleaseInfo release;
        if (LookUpMusicBrainzRelease(MusicBrainzServer(settings.MusicBrainzServer), MusicBrainzDiscId(layout), &release,
                                     &error))
            ApplyRelease(release, layout, &metadata);
        else
            std::fprintf(stderr, "ripwell: %s; the titles stay as they are\n", error.c_str());
    }

    RipRequest request;
    request.drive = drive;
    if (const std::optional<platform::DriveEntry> entry = platform::FindDrive(drive))
        request.driveDescription = entry->source;
    request.layout = layout;
    for (unsigned number : commandLine.tracks) {
        bool audio = false;
        for (const platform::DiscLayoutTrack& track : layout.tracks)
            audio |= track.number == number && track.isAudio;
        if (!audio)
            return Fail(RIP_EXIT_USAGE, "the disc has no audio track " + std::to_string(number));
    }
    for (size_t i = 0; i < layout.tracks.size(); ++i) {
        const platform::DiscLayoutTrack& track = layout.tracks[i];
        if (track.isAudio && (commandLine.tracks.empty() || commandLine.tracks.count(track.number)))
            request.tracks.push_back(RipTrackChoice{track.number, metadata.titles[i], metadata.artists[i]});
    }
    request.album = metadata.album;
    request.albumArtist = metadata.albumArtist;
    request.date = metadata.date;
    // Absolute, so that the log and the report say where the files are.
    std::error_code failure;
    request.outputFolder =
        std::filesystem::absolute(commandLine.folder.empty() ? DefaultFolder(settings) : commandLine.folder, failure)
            .lexically_normal()
            .string();
    if (failure)
        request.outputFolder = commandLine.folder.empty() ? DefaultFolder(settings) : commandLine.folder;
    request.fileNamePattern = commandLine.pattern.empty() ? settings.RipFileNamePattern : commandLine.pattern;
    request.format = commandLine.wave.value_or(settings.RipFormat == 1) ? AudioFormat::Wave : AudioFormat::Flac;
    request.flacLevel = commandLine.flacLevel.value_or(std::min(settings.RipFlacLevel, MAX_FLAC_LEVEL));
    request.readOffset = commandLine.offset.value_or(DefaultReadOffset(settings, drive));
    request.checkAccurateRip = commandLine.accurateRip;
    request.accurateRipBaseUrl = AccurateRipBaseUrl(settings.AccurateRipUrl);

    std::unique_ptr<RangeReader> reader =
        MakeRipReader(drive, commandLine.secure, request.readOffset, layout.leadOut, settings, &error);
    if (!reader)
        return Fail(RIP_EXIT_USAGE, error);

    std::atomic<int32_t> cancel{0};
    platform::CancelOnInterrupt(&cancel);
    TerminalObserver observer(request.tracks.size(), platform::IsTerminal(platform::STANDARD_OUTPUT));
    const RipResult result = RunRip(request, *reader, &observer, &cancel);
    observer.EndLine();
    if (!result.error.empty())
        return Fail(result.ExitCode(), result.error);
    if (result.status != 0) {
        std::printf("The rip was interrupted; the files of the finished tracks are kept.\n");
        return result.ExitCode();
    }
    std::printf("%s\n", RipVerdictLine(result).c_str());
    std::printf("Cue sheet: %s\nLog:       %s\n", result.cueSheetFile.c_str(), result.logFile.c_str());
    return result.ExitCode();
}
