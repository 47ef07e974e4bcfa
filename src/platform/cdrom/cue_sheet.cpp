#include "platform/cdrom/cue_sheet.h"

#include <algorithm>
#include <cctype>
#include <sstream>

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
        !ParseNumber(text.substr(first + 1, second - first - 1), 59, &secs) ||
        !ParseNumber(text.substr(second + 1), 74, &frame))
        return false;
    *frames = minute * 4500 + secs * 75 + frame;
    return true;
}

struct Parser {
    CueSheet& sheet;
    std::string& reason;
    int line = 0;

    bool Refuse(const std::string& why)
    {
        reason = "line " + std::to_string(line) + ": " + why;
        return false;
    }

    CueTrack* CurrentTrack() { return sheet.tracks.empty() ? nullptr : &sheet.tracks.back(); }

    bool File(const std::vector<std::string>& words)
    {
        if (words.size() != 3)
            return Refuse("FILE needs a file name and a type");
        const std::string type = Upper(words[2]);
        CueFile file{words[1], CueFileType::Binary, line};
        if (type == "MOTOROLA")
            file.type = CueFileType::Motorola;
        else if (type == "WAVE" || type == "AIFF" || type == "FLAC")
            file.type = CueFileType::Wave;
        else if (type != "BINARY")
            return Refuse("file type " + words[2] + " is not supported (BINARY, MOTOROLA, WAVE, AIFF, FLAC)");
        if (words[1].empty())
            return Refuse("FILE has an empty name");
        if (!sheet.files.empty() && (sheet.tracks.empty() || sheet.tracks.back().file != sheet.files.size() - 1))
            return Refuse("the FILE before this one has no TRACK");
        sheet.files.push_back(file);
        return true;
    }

    bool Track(const std::vector<std::string>& words)
    {
        if (sheet.files.empty())
            return Refuse("TRACK before any FILE");
        uint32_t number = 0;
        if (words.size() != 3 || !ParseNumber(words[1], 99, &number) || number == 0)
            return Refuse("TRACK needs a number from 1 to 99 and a mode");
        if (CueTrack* previous = CurrentTrack()) {
            if (!TrackComplete(*previous))
                return false;
            if (static_cast<int>(number) != previous->number + 1)
                return Refuse("track " + std::to_string(number) + " does not follow track " +
                              std::to_string(previous->number));
        }
        CueTrack track;
        track.number = static_cast<int>(number);
        track.file = sheet.files.size() - 1;
        track.line = line;
        const std::string mode = Upper(words[2]);
        if (mode == "AUDIO")
            track.mode = CueTrackMode::Audio;
        else if (mode == "MODE1/2048")
            track.mode = CueTrackMode::Mode1Cooked;
        else if (mode == "MODE1/2352")
            track.mode = CueTrackMode::Mode1Raw;
        else if (mode == "MODE2/2352")
            track.mode = CueTrackMode::Mode2Raw;
        else
            return Refuse("track mode " + words[2] + " is not supported");
        if (sheet.files[track.file].type == CueFileType::Wave && track.mode != CueTrackMode::Audio)
            return Refuse("a data track cannot come from a sound file");
        sheet.tracks.push_back(track);
        return true;
    }

    bool Index(const std::vector<std::string>& words)
    {
        CueTrack* track = CurrentTrack();
        if (!track)
            return Refuse("INDEX before any TRACK");
        if (sheet.files.size() - 1 != track->file) {
            // A FILE line inside a track moves the rest of the track into that file; what came
            // before INDEX 01 (its gap) ends the file before. A track split any other way is
            // not followed.
            if (track->indexes.count(1) || track->gapInFileBefore)
                return Refuse("INDEX of track " + std::to_string(track->number) + " after a new FILE");
            if (!track->indexes.empty()) {
                track->gapInFileBefore = true;
                track->gapFile = track->file;
                track->gapStart = track->indexes.begin()->second;
                track->indexes.clear();
            }
            track->file = sheet.files.size() - 1;
            if (sheet.files[track->file].type == CueFileType::Wave && track->mode != CueTrackMode::Audio)
                return Refuse("a data track cannot come from a sound file");
        }
        uint32_t number = 0, frames = 0;
        if (words.size() != 3 || !ParseNumber(words[1], 99, &number))
            return Refuse("INDEX needs a number from 0 to 99 and a time");
        if (!ParseMsf(words[2], &frames))
            return Refuse("bad time " + words[2] + " (mm:ss:ff, seconds below 60, frames below 75)");
        if (track->postgap)
            return Refuse("INDEX after POSTGAP");
        if (!track->indexes.empty() && static_cast<int>(number) <= track->indexes.rbegin()->first)
            return Refuse("INDEX " + words[1] + " is out of order");
        if (!track->indexes.empty() && frames <= track->indexes.rbegin()->second)
            return Refuse("INDEX " + words[1] + " does not come after the index before it");
        track->indexes[static_cast<int>(number)] = frames;
        return true;
    }

    bool Gap(const std::vector<std::string>& words, bool pre)
    {
        CueTrack* track = CurrentTrack();
        if (!track)
            return Refuse(std::string(pre ? "PREGAP" : "POSTGAP") + " before any TRACK");
        uint32_t frames = 0;
        if (words.size() != 2 || !ParseMsf(words[1], &frames))
            return Refuse("bad gap length (mm:ss:ff)");
        if (pre && !track->indexes.empty())
            return Refuse("PREGAP after INDEX");
        if (!pre && track->indexes.count(1) == 0)
            return Refuse("POSTGAP before INDEX 01");
        (pre ? track->pregap : track->postgap) = frames;
        return true;
    }

    bool Catalog(const std::vector<std::string>& words)
    {
        if (words.size() != 2 || words[1].size() != 13 || !std::all_of(words[1].begin(), words[1].end(), ::isdigit))
            return Refuse("CATALOG needs 13 digits");
        sheet.catalog = words[1];
        return true;
    }

    bool TrackComplete(const CueTrack& track)
    {
        if (track.indexes.count(1) == 0) {
            reason = "track " + std::to_string(track.number) + " (line " + std::to_string(track.line) +
                     ") has no INDEX 01";
            return false;
        }
        return true;
    }

    bool Line(const std::vector<std::string>& words)
    {
        static const char* const IGNORED[] = {"REM", "TITLE", "PERFORMER", "SONGWRITER", "COMPOSER", "ARRANGER",
                                              "MESSAGE", "ISRC", "FLAGS", "CDTEXTFILE", "DISC_ID", "GENRE",
                                              "UPC_EAN", "SIZE_INFO", "TOC_INFO1", "TOC_INFO2"};
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
        if (std::any_of(std::begin(IGNORED), std::end(IGNORED), [&](const char* k) { return keyword == k; }))
            return true;
        return Refuse("unknown command " + words[0]);
    }
};

} // namespace

uint32_t BytesPerFileSector(CueTrackMode mode) { return mode == CueTrackMode::Mode1Cooked ? 2048 : 2352; }

bool ParseCueSheet(const std::string& text, CueSheet* sheet, std::string* reason)
{
    *sheet = CueSheet{};
    Parser parser{*sheet, *reason};
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
    if (sheet->tracks.empty()) {
        *reason = "the sheet holds no TRACK";
        return false;
    }
    if (!parser.TrackComplete(sheet->tracks.back()))
        return false;
    if (sheet->tracks.back().file != sheet->files.size() - 1) {
        *reason = "the last FILE has no TRACK";
        return false;
    }
    return true;
}

} // namespace platform::cdrom
