// Rip Disc against the usual pair of command-line tools on a 74-minute disc image: the whole
// disc ripped to FLAC level 5 files (plain reads, tracks encoded while later ones are read),
// against cd-paranoia -Z of the image into one WAV file followed by flac -5 of that file.
//
//   bench_rip_disc [--minutes M] [--rounds R] [--tracks N]
//
// The two take turns in every round, so that a busy spell of the shared machine falls on both
// alike; the ratio is taken within a round and the median of the rounds is reported, with the
// load average before and after. Wall-clock and processor seconds (this process, its threads
// and the children it waited for) are given; processor seconds over wall seconds show how many
// cores each kept busy. Every rip is checked: each FLAC file is decoded and compared with the
// disc's bytes of its track. Exit status 1 when a run fails or a result is wrong, 2 when the
// rip is less than 1.5 times as fast as the tools.
#include "measure.h"

#include <sndfile.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "disc_writer.h"
#include "platform/cdrom/disc_layout.h"
#include "rip/range_reader.h"
#include "rip/rip_job.h"
#include "rip/track_plan.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr char DRIVE = 'E';
constexpr double GOAL = 1.5;

bool Run(const std::vector<std::string>& arguments)
{
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The disc's bytes of [first, first + count) against the samples libsndfile decodes from path.
bool DecodesTo(const std::string& path, const std::vector<uint8_t>& disc, uint32_t first, uint32_t count)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return false;
    bool same = info.frames == sf_count_t{count} * mkdisc::SAMPLES_PER_SECTOR && info.channels == 2;
    std::vector<int16_t> samples(size_t{count} * mkdisc::SAMPLES_PER_SECTOR * 2);
    same = same &&
        sf_read_short(file, samples.data(), static_cast<sf_count_t>(samples.size())) ==
            static_cast<sf_count_t>(samples.size());
    sf_close(file);
    const uint8_t* bytes = disc.data() + size_t{first} * mkdisc::RAW_SECTOR_SIZE;
    for (size_t i = 0; same && i < samples.size(); ++i)
        same = static_cast<uint16_t>(samples[i]) == (bytes[2 * i] | bytes[2 * i + 1] << 8);
    return same;
}

Timing TimeRip(const std::string& folder, const platform::DiscLayout& layout, const std::vector<uint8_t>& disc)
{
    fs::remove_all(folder);
    RipRequest request;
    request.drive = DRIVE;
    request.layout = layout;
    for (const platform::DiscLayoutTrack& track : layout.tracks)
        request.tracks.push_back({track.number, "Track " + std::to_string(track.number), ""});
    request.album = "Bench";
    request.outputFolder = folder;
    request.format = AudioFormat::Flac;
    request.flacLevel = 5;
    request.checkAccurateRip = false;
    std::unique_ptr<RangeReader> reader = MakePlainRangeReader(DRIVE, 0, layout.leadOut);
    const Stopwatch stopwatch;
    const RipResult result = RunRip(request, *reader, nullptr, nullptr);
    const Timing timing = stopwatch.Stop();
    if (result.status != 0 || !result.AllRead()) {
        std::fprintf(stderr, "bench_rip_disc: the rip failed: %s\n", result.error.c_str());
        return {};
    }
    const std::vector<PlannedTrack> planned = PlanTracks(layout);
    for (size_t i = 0; i < result.tracks.size(); ++i)
        if (!DecodesTo(folder + "/" + result.tracks[i].fileName, disc, planned[i].fileFirst, planned[i].Sectors())) {
            std::fprintf(stderr, "bench_rip_disc: %s differs from the disc\n", result.tracks[i].fileName.c_str());
            return {};
        }
    return timing;
}

Timing TimeTools(const std::string& folder, const std::string& sheet, const std::vector<uint8_t>& disc,
                 uint32_t sectors)
{
    const std::string wave = folder + "/paranoia.wav";
    const std::string flac = folder + "/paranoia.flac";
    fs::remove(wave);
    fs::remove(flac);
    const Stopwatch stopwatch;
    if (!Run({"cd-paranoia", "-q", "-Z", "-d", sheet, "1-", wave}) ||
        !Run({"flac", "-5", "-s", "-f", "-o", flac, wave})) {
        std::fprintf(stderr, "bench_rip_disc: cd-paranoia or flac failed (are they installed?)\n");
        return {};
    }
    const Timing timing = stopwatch.Stop();
    if (!DecodesTo(flac, disc, 0, sectors)) {
        std::fprintf(stderr, "bench_rip_disc: the tools' file differs from the disc\n");
        return {};
    }
    return timing;
}

} // namespace

int main(int argc, char** argv)
{
    uint32_t minutes = 74;
    int rounds = 5;
    uint32_t trackCount = 18;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const long value = i + 1 < argc ? std::strtol(argv[i + 1], nullptr, 10) : 0;
        if ((arg == "--minutes" || arg == "--rounds" || arg == "--tracks") && value >= 1 && value <= 80) {
            ++i;
            if (arg == "--minutes")
                minutes = static_cast<uint32_t>(value);
            else if (arg == "--rounds")
                rounds = static_cast<int>(value);
            else
                trackCount = static_cast<uint32_t>(value);
        } else {
            std::fprintf(stderr, "usage: bench_rip_disc [--minutes M] [--rounds R] [--tracks N] (each 1 to 80)\n");
            return 1;
        }
    }

    // Tracks of equal length with synthesized music (FLAC compresses it as it would music), a
    // two-second gap before each track after the first.
    const TempDir folder;
    const uint32_t sectors = minutes * 60 * mkdisc::FRAMES_PER_SECOND;
    mkdisc::DiscPlan plan;
    for (uint32_t t = 0; t < trackCount; ++t) {
        mkdisc::TrackPlan track;
        track.sectors = sectors / trackCount - (t > 0 ? 150 : 0);
        track.pregapSectors = t > 0 ? 150 : 0;
        track.content = mkdisc::AudioContent::Music;
        plan.tracks.push_back(track);
    }
    std::string sheet, reason;
    if (!mkdisc::CompletePlan(&plan, &reason) ||
        !mkdisc::WriteDisc(plan, mkdisc::Layout::SingleBin, folder.path().string(), "disc", &sheet, &reason)) {
        std::fprintf(stderr, "bench_rip_disc: cannot write the disc image: %s\n", reason.c_str());
        return 1;
    }
    const uint32_t discSectors = mkdisc::DiscSectors(plan);
    // The image's one BIN holds every raw sector of the disc: the bytes each result must give.
    std::vector<uint8_t> disc(size_t{discSectors} * mkdisc::RAW_SECTOR_SIZE);
    {
        std::ifstream bin(folder.path() / "disc.bin", std::ios::binary);
        if (!bin.read(reinterpret_cast<char*>(disc.data()), static_cast<std::streamsize>(disc.size()))) {
            std::fprintf(stderr, "bench_rip_disc: cannot read the image back\n");
            return 1;
        }
    }
    setenv("RIPWELL_DRIVES", (std::string(1, DRIVE) + "=" + sheet).c_str(), 1);
    platform::DiscLayout layout;
    if (!platform::ReadDiscLayout(DRIVE, &layout, &reason)) {
        std::fprintf(stderr, "bench_rip_disc: %s\n", reason.c_str());
        return 1;
    }

    std::printf("disc: %u tracks, %u sectors (%.1f minutes), %.1f MB; %d rounds; %ld processors\n"
                "load average before: %s\n\n",
                trackCount, discSectors, discSectors / 75.0 / 60, discSectors * 2352.0 / 1e6, rounds,
                sysconf(_SC_NPROCESSORS_ONLN), LoadAverage().c_str());
    std::fflush(stdout);

    std::vector<double> ripWall, ripCpu, toolsWall, toolsCpu, ratios;
    const std::string ripFolder = folder.path().string() + "/rip";
    for (int round = 0; round < rounds; ++round) {
        // Alternate which goes first, so neither always finds the page cache warmed by the other.
        Timing rip, tools;
        if (round % 2 == 0) {
            rip = TimeRip(ripFolder, layout, disc);
            tools = rip.wall < 0 ? rip : TimeTools(folder.path().string(), sheet, disc, discSectors);
        } else {
            tools = TimeTools(folder.path().string(), sheet, disc, discSectors);
            rip = tools.wall < 0 ? tools : TimeRip(ripFolder, layout, disc);
        }
        if (rip.wall < 0 || tools.wall < 0)
            return 1;
        ripWall.push_back(rip.wall);
        ripCpu.push_back(rip.cpu);
        toolsWall.push_back(tools.wall);
        toolsCpu.push_back(tools.cpu);
        ratios.push_back(tools.wall / rip.wall);
        std::fprintf(stderr, "round %d: rip %.2f s, cd-paranoia + flac %.2f s, %.2fx\n", round + 1, rip.wall,
                     tools.wall, tools.wall / rip.wall);
    }

    std::printf("median of %d rounds\n\n| run | wall s | processor s | cores busy |\n|---|---:|---:|---:|\n", rounds);
    std::printf("| Rip Disc, FLAC level 5, plain | %.2f | %.2f | %.2f |\n", Median(ripWall), Median(ripCpu),
                Median(ripCpu) / Median(ripWall));
    std::printf("| cd-paranoia -Z, then flac -5 | %.2f | %.2f | %.2f |\n", Median(toolsWall), Median(toolsCpu),
                Median(toolsCpu) / Median(toolsWall));
    const double ratio = Median(ratios);
    std::printf("\nspeed of Rip Disc / the tools (median of the rounds' ratios): %.2f (goal at least %.1f)\n"
                "load average after: %s\n",
                ratio, GOAL, LoadAverage().c_str());
    return ratio >= GOAL ? 0 : 2;
}
