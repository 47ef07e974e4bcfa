// How long opening a cue sheet of 99 tracks with one FLAC file each takes, next to opening the
// 99 files' headers with libsndfile, and what a device request on that sheet costs once it is
// open.
//
// Writes 99 FLAC files of two seconds each and their sheet into a temporary folder, then takes
// turns, run after run: (a) the sheet read anew by the disc layer (parse, find and measure every
// file), (b) sf_open and sf_close of the 99 files. Prints the median of each over the runs, in
// wall-clock time and in the processor time of the thread, their ratios (goal: at most 2) and the
// load average. On a busy machine the wall-clock times of a few milliseconds mostly measure who
// else got the processor; the processor times do not. Then times device requests of 27 sectors on the
// sheet through a virtual drive, and counts the files the process holds open while it reads.
//
//   bench_open_flac_sheet [--runs N]   (N at least 5, default 9)
#include "measure.h"

#include <dirent.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "cdrom/device_reads.h"
#include "disc_writer.h"
#include "platform/cdrom/disc.h"
#include "platform/cdrom/image_disc.h"
#include "support/temp_dir.h"

namespace {

constexpr int TRACKS = 99;
constexpr uint32_t TRACK_SECTORS = 150;
constexpr char DRIVE = 'R';

// Processor seconds this thread has used.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int OpenDescriptors()
{
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count - 3; // ".", ".." and the folder's own descriptor
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 9;
    if (argc == 3 && std::string(argv[1]) == "--runs")
        runs = std::atoi(argv[2]);
    if (runs < 5) {
        std::fprintf(stderr, "usage: bench_open_flac_sheet [--runs N]   (N >= 5)\n");
        return 2;
    }

    const TempDir folder;
    mkdisc::DiscPlan plan;
    for (int t = 0; t < TRACKS; ++t) {
        mkdisc::TrackPlan track;
        track.sectors = TRACK_SECTORS;
        track.content = mkdisc::AudioContent::Music;
        plan.tracks.push_back(track);
    }
    std::string sheet, reason;
    const auto written = std::chrono::steady_clock::now();
    if (!mkdisc::CompletePlan(&plan, &reason) ||
        !mkdisc::WriteDisc(plan, mkdisc::Layout::FlacPerTrack, folder.path().string(), "album", &sheet, &reason)) {
        std::fprintf(stderr, "cannot write the disc: %s\n", reason.c_str());
        return 1;
    }
    std::vector<std::string> files;
    for (int t = 1; t <= TRACKS; ++t) {
        char name[32];
        std::snprintf(name, sizeof name, "album-%02d.flac", t);
        files.push_back(folder.file(name));
    }
    std::printf("%d FLAC files of %u sectors and their sheet written in %.1f s\n", TRACKS, TRACK_SECTORS,
                Seconds(written));

    // The two take turns, and which goes first changes every run, so that neither always finds
    // the caches as the other left them.
    std::vector<double> sheetTimes, headerTimes, sheetCpu, headerCpu;
    const auto openSheet = [&] {
        platform::cdrom::ForgetImage(sheet); // read anew, as after a change of the image
        const double cpu = ThreadSeconds();
        const auto start = std::chrono::steady_clock::now();
        const auto disc = platform::cdrom::OpenDisc(sheet, platform::cdrom::SourceKind::ImageFile, &reason);
        sheetTimes.push_back(Seconds(start));
        sheetCpu.push_back(ThreadSeconds() - cpu);
        return disc && disc->Toc().tracks.size() == TRACKS;
    };
    const auto openHeaders = [&] {
        const double cpu = ThreadSeconds();
        const auto start = std::chrono::steady_clock::now();
        for (const std::string& file : files) {
            SF_INFO info{};
            SNDFILE* sound = sf_open(file.c_str(), SFM_READ, &info);
            if (!sound)
                return false;
            sf_close(sound);
        }
        headerTimes.push_back(Seconds(start));
        headerCpu.push_back(ThreadSeconds() - cpu);
        return true;
    };
    for (int run = 0; run < runs; ++run) {
        const bool ok = run % 2 ? openHeaders() && openSheet() : openSheet() && openHeaders();
        if (!ok) {
            std::fprintf(stderr, "the sheet or a file does not open: %s\n", reason.c_str());
            return 1;
        }
    }
    const double sheetTime = Median(sheetTimes), headerTime = Median(headerTimes);
    const double sheetProcessor = Median(sheetCpu), headerProcessor = Median(headerCpu);
    std::printf("median of %d alternating runs, load average %s\n", runs, LoadAverage().c_str());
    std::printf("| opening | wall ms | processor ms |\n|---|---:|---:|\n"
                "| the sheet (parse, find and measure 99 files) | %.2f | %.2f |\n"
                "| the 99 headers with libsndfile | %.2f | %.2f |\n",
                sheetTime * 1e3, sheetProcessor * 1e3, headerTime * 1e3, headerProcessor * 1e3);
    const double ratio = sheetProcessor / headerProcessor;
    std::printf("ratio sheet / headers: %.2f wall, %.2f processor (goal: at most 2)\n\n", sheetTime / headerTime,
                ratio);

    // Device requests on the open sheet: every 27 sectors of the disc, each request opening the
    // drive anew; the files the process holds open while it reads.
    setenv("RIPWELL_DRIVES", (std::string(1, DRIVE) + "=" + sheet).c_str(), 1);
    const uint32_t sectors = mkdisc::DiscSectors(plan);
    std::vector<uint8_t> buffer(size_t(27) * platform::cdrom::RAW_SECTOR_SIZE);
    std::vector<double> requestTimes;
    int mostOpen = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        uint32_t requests = 0;
        for (uint32_t first = 0; first + 27 <= sectors; first += 27, ++requests) {
            if (ReadSectors(DRIVE, first, 27, buffer.data(), READ_MODE_RAW) != DRIVE_OK) {
                std::fprintf(stderr, "the read at sector %u failed\n", first);
                return 1;
            }
            if (first % (27 * 50) == 0)
                mostOpen = std::max(mostOpen, OpenDescriptors());
        }
        requestTimes.push_back(Seconds(start) / requests);
    }
    std::printf("device requests of 27 sectors on the sheet: median %.1f us each; at most %d descriptors open "
                "while reading (the sheet has %d files)\n",
                Median(requestTimes) * 1e6, mostOpen, TRACKS);
    return ratio <= 2 ? 0 : 2;
}
