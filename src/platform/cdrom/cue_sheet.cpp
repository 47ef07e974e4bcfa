#include "platform/cdrom/cue_sheet.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/cdrom/msf.h"

namespace platform::cdrom {

namespace {

std::string Upper(std::string word)
{
    std::transform(word.begin(), word.end(), word.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return word;
}

// Splits a line into words; a double-quoted word may hold blanks. False for an open quote.
bool SplitWords(const std::string& line, std::vector<std::string>* words)
{
    size_t i = 0;
    while (i < line.size()) {
        if (std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
            continue;
        }
        if (line[i] == '"') {
            const size_t close = line.find('"', i + 1);
            if (close == std::string::npos)
                return false;
            words->push_back(line.substr(i + 1, close - i - 1));
            i = close + 1;
            continue;
        }
        size_t end = i;
        while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end])))
            ++end;
        words->push_back(line.substr(i, end - i));
        i = end;
    }
    return true;
}

bool ParseNumber(const std::string& text, uint32_t limit, uint32_t* value)
{
    if (text.empty() || text.size() > 6 || !std::all_of(text.begin(), text.end(), ::isdigit))
        return false;
    *value = static_cast<uint32_t>(std::stoul(text));
    return *value <= limit;
}

// mm:ss:ff with seconds below 60 and frames below 75, as a count of frames.
bool ParseMsf(const std::string& text, uint32_t* frames)
{
    const size_t first = text.find(':');
    const size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    uint32_t minute = 0, secs = 0, frame = 0;
    if (second == std::string::npos || !ParseNumber(text.substr(0, first), 999, &minute) ||
        !ParseNumber(text.substr(first + 1, second - first - 1), SECONDS_PER_MINUTE - 1, &secs) ||
        !ParseNumber(text.substr(second + 1), FRAMES_PER_SECOND - 1, &frame))
        return false;
    *frames = minute * FRAMES_PER_MINUTE + secs * FRAMES_PER_SECOND + frame;
    return true;
}

// A file of the sheet as the parser follows it: where the current piece of the file began, and
// which track it belongs to (none yet: the track of the file's first INDEX).
struct OpenPiece {
    size_t file = 0;
    uint32_t startTime = 0;  // frames from the start of the file, as the sheet counts them
    uint64_t startUnits = 0; // bytes, or sample frames of a sound file
    std::optional<size_t> owner;
    int line = 0;
};

struct TrackState {
    int lastIndex = -1;
    bool hasIndex01 = false;
    std::optional<uint32_t> lastTime; // of this track's last INDEX, when it is in the open file
};

struct Parser {
    DiscProgram& program;
    std::string& reason;
    std::vector<bool> motorola; // per file: 16-bit samples most significant byte first
    std::vector<TrackState> states;
    std::optional<OpenPiece> open;
    int line = 0;

    bool Refuse(const std::string& why)
    {
        reason = AtLine(why, line);
        return false;
    }

    ProgramTrack* CurrentTrack() { return program.tracks.empty() ? nullptr : &program.tracks.back(); }

    std::string TrackName(size_t index) const { return "track " + std::to_string(program.tracks[index].number); }

    // Ends the open piece at time `end` of its file (where the statement `what` of line endLine
    // puts it), or at the end of the file.
    bool ClosePiece(std::optional<uint32_t> end, int endLine, const std::string& what = {})
    {
        OpenPiece& piece = *open;
        if (!piece.owner) {
            if (program.tracks.empty())
                return Refuse("the FILE before this one has no TRACK");
            piece.owner = program.tracks.size() - 1;
        }
        ProgramTrack& track = program.tracks[*piece.owner];
        const bool sound = program.files[piece.file].format == FileFormat::Sound;
        if (sound && track.mode != TrackMode::Audio)
            return Refuse("a data track cannot come from a sound file");
        Piece out;
        out.file = piece.file;
        out.offset = piece.startUnits;
        out.padToSector = true;
        out.swapBytes = motorola[piece.file] && track.mode == TrackMode::Audio;
        if (end) {
            const uint32_t sectors = *end - piece.startTime;
            out.length = uint64_t{sectors} * BytesPerFileSector(track.mode);
            out.line = endLine;
            out.what = what;
            piece.startUnits += uint64_t{sectors} * (sound ? SAMPLES_PER_SECTOR : BytesPerFileSector(track.mode));
            piece.startTime = *end;
        } else {
            out.toEnd = true;
            out.line = piece.line;
        }
        if (out.toEnd || out.length > 0)
            track.pieces.push_back(out);
        return true;
    }

    bool File(const std::vector<std::string>& words)
    {
        if (words.size() != 3)
            return Refuse("FILE needs a file name and a type");
        const std::string type = Upper(words[2]);
        ImageFile file{words[1], FileFormat::Binary, line};
        bool bigEndian = false;
        if (type == "MOTOROLA")
            bigEndian = true;
        else if (type == "WAVE" || type == "AIFF" || type == "FLAC")
            file.format = FileFormat::Sound;
        else if (type != "BINARY")
            return Refuse("file type " + words[2] + " is not supported (BINARY, MOTOROLA, WAVE, AIFF, FLAC)");
        if (words[1].empty())
            return Refuse("FILE has an empty name");
        if (open) {
            if (!HasIndex(open->file))
                return Refuse("the FILE before this one holds no INDEX");
            if (!ClosePiece(std::nullopt, line))
                return false;
        }
        program.files.push_back(file);
        motorola.push_back(bigEndian);
        open = OpenPiece{program.files.size() - 1, 0, 0, std::nullopt, line};
        for (TrackState& state : states)
            state.lastTime.reset();
        return true;
    }

    // Whether an INDEX has been met since the file was opened.
    bool HasIndex(size_t file) const { return indexedFiles.size() > file && indexedFiles[file]; }
    std::vector<bool> indexedFiles;

    bool Track(const std::vector<std::string>& words)
    {
        if (program.files.empty())
            return Refuse("TRACK before any FILE");
        uint32_t number = 0;
        if (words.size() != 3 || !ParseNumber(words[1], 99, &number) || number == 0)
            return Refuse("TRACK needs a number from 1 to 99 and a mode");
        if (ProgramTrack* previous = CurrentTrack()) {
            if (!TrackComplete(program.tracks.size() - 1))
                return false;
            if (static_cast<int>(number) != previous->number + 1)
                return Refuse("track " + std::to_string(number) + " does not follow track " +
                              std::to_string(previous->number));
        }
        ProgramTrack track;
        track.number = static_cast<int>(number);
        track.line = line;
        const std::string mode = Upper(words[2]);
        if (mode == "AUDIO")
            track.mode = TrackMode::Audio;
        else if (mode == "MODE1/2048")
            track.mode = TrackMode::Mode1;
        else if (mode == "MODE1/2352")
            track.mode = TrackMode::Mode1Raw;
        else if (mode == "MODE2/2336")
            track.mode = TrackMode::Mode2;
        else if (mode == "MODE2/2352")
            track.mode = TrackMode::Mode2Raw;
        else
            return Refuse("track mode " + words[2] + " is not supported");
        if (program.files[open->file].format == FileFormat::Sound && track.mode != TrackMode::Audio)
            return Refuse("a data track cannot come from a sound file");
        program.tracks.push_back(track);
        states.emplace_back();
        return true;
    }

    bool Index(const std::vector<std::string>& words)
    {
        ProgramTrack* track = CurrentTrack();
        if (!track)
            return Refuse("INDEX before any TRACK");
        TrackState& state = states.back();
        uint32_t number = 0, time = 0;
        if (words.size() != 3 || !ParseNumber(words[1], 99, &number))
            return Refuse("INDEX needs a number from 0 to 99 and a time");
        if (!ParseMsf(words[2], &time))
            return Refuse("bad time " + words[2] + " (mm:ss:ff, seconds below 60, frames below 75)");
        if (track->postgap)
            return Refuse("INDEX after POSTGAP");
        if (static_cast<int>(number) <= state.lastIndex)
            return Refuse("INDEX " + words[1] + " is out of order");
        if (state.lastTime && time <= *state.lastTime)
            return Refuse("INDEX " + words[1] + " does not come after the index before it");
        const size_t current = program.tracks.size() - 1;
        OpenPiece& piece = *open;
        if (time < piece.startTime ||
            (time == piece.startTime && piece.owner && *piece.owner != current &&
             program.tracks[*piece.owner].pieces.empty()))
            return Refuse("the first INDEX of track " + std::to_string(track->number) + " is not after the INDEX of " +
                          TrackName(*piece.owner) + " before it");
        if (time > piece.startTime &&
            !ClosePiece(time, line, "INDEX " + words[1] + " of track " + std::to_string(track->number)))
            return false;
        piece.owner = current;
        if (number == 1) {
            track->start = TrackMark{track->pieces.size(), 0};
            track->hasStart = true;
            state.hasIndex01 = true;
        }
        state.lastIndex = static_cast<int>(number);
        state.lastTime = time;
        if (indexedFiles.size() <= piece.file)
            indexedFiles.resize(piece.file + 1);
        indexedFiles[piece.file] = true;
        return true;
    }

    bool Gap(const std::vector<std::string>& words, bool pre)
    {
        ProgramTrack* track = CurrentTrack();
        if (!track)
            return Refuse(std::string(pre ? "PREGAP" : "POSTGAP") + " before any TRACK");
        uint32_t frames = 0;
        if (words.size() != 2 || !ParseMsf(words[1], &frames))
            return Refuse("bad gap length (mm:ss:ff)");
        if (pre && states.back().lastIndex >= 0)
            return Refuse("PREGAP after INDEX");
        if (!pre && !states.back().hasIndex01)
            return Refuse("POSTGAP before INDEX 01");
        if (pre) {
            Piece gap;
            gap.zero = true;
            gap.length = uint64_t{frames} * BytesPerFileSector(track->mode);
            gap.line = line;
            track->pieces.push_back(gap);
        } else {
            track->postgap = frames;
        }
        return true;
    }

    bool Catalog(const std::vector<std::string>& words)
    {
        if (words.size() != 2 || words[1].size() != 13 || !std::all_of(words[1].begin(), words[1].end(), ::isdigit))
            return Refuse("CATALOG needs 13 digits");
        program.catalog = words[1];
        return true;
    }

    // TITLE before the first TRACK names the disc, after it the track; ISRC names the track.
    bool Text(const std::vector<std::string>& words, bool isrc)
    {
        if (words.size() < 2)
            return true;
        ProgramTrack* track = CurrentTrack();
        if (isrc) {
            if (track)
                track->isrc = words[1];
        } else {
            (track ? track->title : program.title) = words[1];
        }
        return true;
    }

    bool TrackComplete(size_t index)
    {
        if (!states[index].hasIndex01) {
            reason = AtLine(TrackName(index) + " has no INDEX 01", program.tracks[index].line);
            return false;
        }
        return true;
    }

    bool Line(const std::vector<std::string>& words)
    {
        static const char* const IGNORED[] = {"REM",     "PERFORMER", "SONGWRITER", "COMPOSER", "ARRANGER",
                                              "MESSAGE", "FLAGS",     "CDTEXTFILE", "DISC_ID",  "GENRE",
                                              "UPC_EAN", "SIZE_INFO", "TOC_INFO1",  "TOC_INFO2"};
        const std::string keyword = Upper(words[0]);
        if (keyword == "FILE")
            return File(words);
        if (keyword == "TRACK")
            return Track(words);
        if (keyword == "INDEX")
            return Index(words);
        if (keyword == "PREGAP")
            return Gap(words, true);
        if (keyword == "POSTGAP")
            return Gap(words, false);
        if (keyword == "CATALOG")
            return Catalog(words);
        if (keyword == "TITLE" || keyword == "ISRC")
            return Text(words, keyword == "ISRC");
        if (std::any_of(std::begin(IGNORED), std::end(IGNORED), [&](const char* k) { return keyword == k; }))
            return true;
        return Refuse("unknown command " + words[0]);
    }

    bool Finish()
    {
        if (program.tracks.empty()) {
            reason = "the sheet holds no TRACK";
            return false;
        }
        if (!TrackComplete(program.tracks.size() - 1))
            return false;
        if (!HasIndex(open->file)) {
            reason = AtLine("the last FILE holds no INDEX", program.files[open->file].line);
            return false;
        }
        return ClosePiece(std::nullopt, line);
    }
};

} // namespace

bool ParseCueSheet(const std::string& text, DiscProgram* program, std::string* reason)
{
    *program = DiscProgram{};
    Parser parser{*program, *reason};
    std::istringstream stream(text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text);
    std::string line;
    while (std::getline(stream, line)) {
        ++parser.line;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find('\0') != std::string::npos)
            return parser.Refuse("not a text file");
        std::vector<std::string> words;
        if (!SplitWords(line, &words))
            return parser.Refuse("a quote is not closed");
        if (!words.empty() && !parser.Line(words))
            return false;
    }
    return parser.Finish();
}

} // namespace platform::cdrom
