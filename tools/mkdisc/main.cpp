// mkdisc: writes a disc image with content known to the byte.
//
//   mkdisc [--layout L] [--catalog DIGITS] [--volume-id ID] TRACK... FOLDER NAME
//
// TRACK is, in disc order:
//   --audio LENGTH[,counter|music|silence][,pregap=LENGTH]
//   --data FOLDER[,pregap=LENGTH]        a mode-1 track holding an ISO 9660 volume of FOLDER
// LENGTH is seconds ("30", "2.5") or sectors ("1000s").
// L is single (one BIN and a cue sheet, the default), bin-per-track, wave-per-track,
// flac-per-track, toc (cdrdao, one BIN), toc-per-track (cdrdao, one file per track) or nrg
// (Nero). The path of the sheet or image is printed on success.
#include "disc_writer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Usage(const char* message)
{
    std::fprintf(stderr, "mkdisc: %s\n", message);
    std::fputs("usage: mkdisc [--layout single|bin-per-track|wave-per-track|flac-per-track|toc|toc-per-track|nrg]\n"
               "              [--catalog 13DIGITS] [--volume-id ID]\n"
               "              (--audio LENGTH[,counter|music|silence][,pregap=LENGTH] |\n"
               "               --data FOLDER[,pregap=LENGTH])... FOLDER NAME\n",
               stderr);
    return 2;
}

bool ParseLength(const std::string& text, uint32_t* sectors)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    if (text.back() == 's') {
        const unsigned long value = std::strtoul(text.c_str(), &end, 10);
        *sectors = static_cast<uint32_t>(value);
        return end == text.c_str() + text.size() - 1 && value <= 99ul * 60 * mkdisc::FRAMES_PER_SECOND;
    }
    const double seconds = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !(seconds >= 0.0) || seconds > 99.0 * 60)
        return false;
    *sectors = static_cast<uint32_t>(seconds * mkdisc::FRAMES_PER_SECOND + 0.5);
    return true;
}

std::vector<std::string> SplitCommas(const std::string& text)
{
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t comma; (comma = text.find(',', from)) != std::string::npos; from = comma + 1)
        parts.push_back(text.substr(from, comma - from));
    parts.push_back(text.substr(from));
    return parts;
}

bool ParseTrackOptions(const std::vector<std::string>& parts, size_t first, mkdisc::TrackPlan* track)
{
    for (size_t i = first; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (part == "counter")
            track->content = mkdisc::AudioContent::Counter;
        else if (part == "music")
            track->content = mkdisc::AudioContent::Music;
        else if (part == "silence")
            track->content = mkdisc::AudioContent::Silence;
        else if (part.rfind("pregap=", 0) == 0) {
            if (!ParseLength(part.substr(7), &track->pregapSectors))
                return false;
        } else
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    mkdisc::DiscPlan plan;
    mkdisc::Layout layout = mkdisc::Layout::SingleBin;
    std::string volumeId = "RIPWELL";
    std::string dataFolder;
    std::vector<std::string> positional;

    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--layout" && hasValue) {
            if (!mkdisc::ParseLayout(argv[++i], &layout))
                return Usage("unknown layout");
        } else if (argument == "--catalog" && hasValue) {
            plan.catalog = argv[++i];
        } else if (argument == "--volume-id" && hasValue) {
            volumeId = argv[++i];
        } else if (argument == "--audio" && hasValue) {
            const std::vector<std::string> parts = SplitCommas(argv[++i]);
            mkdisc::TrackPlan track;
            if (!ParseLength(parts[0], &track.sectors) || !ParseTrackOptions(parts, 1, &track))
                return Usage("bad --audio track");
            plan.tracks.push_back(track);
        } else if (argument == "--data" && hasValue) {
            const std::vector<std::string> parts = SplitCommas(argv[++i]);
            mkdisc::TrackPlan track;
            track.isData = true;
            if (!dataFolder.empty())
                return Usage("only one data track is supported");
            dataFolder = parts[0];
            for (size_t k = 1; k < parts.size(); ++k)
                if (parts[k].rfind("pregap=", 0) != 0 || !ParseLength(parts[k].substr(7), &track.pregapSectors))
                    return Usage("bad --data track");
            plan.tracks.push_back(track);
        } else if (argument.rfind("--", 0) == 0) {
            return Usage(("unknown option " + argument).c_str());
        } else {
            positional.push_back(argument);
        }
    }
    if (positional.size() != 2)
        return Usage("give the output folder and the image name");

    std::string reason;
    if (!dataFolder.empty() && !mkdisc::MakeIsoVolume(dataFolder, volumeId, &plan.volume, &reason)) {
        std::fprintf(stderr, "mkdisc: %s\n", reason.c_str());
        return 1;
    }
    std::string sheet;
    if (!mkdisc::CompletePlan(&plan, &reason) ||
        !mkdisc::WriteDisc(plan, layout, positional[0], positional[1], &sheet, &reason)) {
        std::fprintf(stderr, "mkdisc: %s\n", reason.c_str());
        return 1;
    }
    std::printf("%s\n", sheet.c_str());
    return 0;
}
