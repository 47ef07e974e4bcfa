// How fast ReadSectors reads a disc image, next to reading the image file itself.
//
// Writes a 74-minute counter disc (one BIN and its cue sheet, about 783 MB) into a temporary
// folder, mounts it as a virtual drive through RIPWELL_DRIVES, warms the page cache and then
// reads the whole disc three ways, each several times:
//   - ReadSectors in raw requests of 27 sectors, as the extraction worker does (each request
//     opens the device, takes a transfer block of its own and closes the device again);
//   - read() of the BIN file in 1 MiB blocks;
//   - cat of the BIN file to /dev/null.
// Prints the best throughput of each and the ratios. The folder is removed at the end.
//
//   bench_read_sectors [--minutes N] [--runs N] [--folder DIR] [--toc]
// --toc writes a cdrdao TOC over the BIN instead of a cue sheet (its audio big-endian, as cdrdao
// writes it), read by the program's own TOC reader.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cdrom/device_reads.h"
#include "disc_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char DRIVE = 'R';
constexpr uint32_t BLOCK_SECTORS = 27;
constexpr uint32_t TRACKS = 12;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double MegabytesPerSecond(uint64_t bytes, double seconds) { return double(bytes) / 1e6 / seconds; }

// The whole disc through the device reads; false on the first failed request.
bool ReadDiscThroughDrive(uint32_t sectors, std::vector<uint8_t>& buffer)
{
    for (uint32_t first = 0; first < sectors; first += BLOCK_SECTORS) {
        const uint32_t count = std::min(BLOCK_SECTORS, sectors - first);
        if (ReadSectors(DRIVE, first, count, buffer.data(), READ_MODE_RAW) != DRIVE_OK) {
            std::fprintf(stderr, "ReadSectors failed at sector %u\n", first);
            return false;
        }
    }
    return true;
}

bool ReadFileInBlocks(const std::string& path, uint64_t* total)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::vector<uint8_t> block(1 << 20);
    *total = 0;
    ssize_t n = 0;
    while ((n = read(fd, block.data(), block.size())) > 0)
        *total += uint64_t(n);
    close(fd);
    return n == 0;
}

// Every 97th block read through the drive against the plan, outside the timed runs.
bool SpotCheck(const mkdisc::DiscPlan& plan, uint32_t sectors)
{
    std::vector<uint8_t> got(size_t(BLOCK_SECTORS) * mkdisc::RAW_SECTOR_SIZE);
    std::vector<uint8_t> expected(mkdisc::RAW_SECTOR_SIZE);
    for (uint32_t first = 0; first < sectors; first += 97 * BLOCK_SECTORS) {
        const uint32_t count = std::min(BLOCK_SECTORS, sectors - first);
        if (ReadSectors(DRIVE, first, count, got.data(), READ_MODE_RAW) != DRIVE_OK)
            return false;
        for (uint32_t i = 0; i < count; ++i) {
            mkdisc::SectorBytes(plan, first + i, expected.data());
            if (std::memcmp(got.data() + size_t(i) * mkdisc::RAW_SECTOR_SIZE, expected.data(),
                            mkdisc::RAW_SECTOR_SIZE) != 0) {
                std::fprintf(stderr, "sector %u differs from the plan\n", first + i);
                return false;
            }
        }
    }
    return true;
}

struct Options {
    uint32_t minutes = 74;
    int runs = 3;
    std::string folder;
    mkdisc::Layout layout = mkdisc::Layout::SingleBin;
};

bool ParseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--toc") {
            options->layout = mkdisc::Layout::CdrdaoToc;
            continue;
        }
        if (i + 1 >= argc)
            return false;
        if (arg == "--minutes")
            options->minutes = uint32_t(std::strtoul(argv[++i], nullptr, 10));
        else if (arg == "--runs")
            options->runs = std::atoi(argv[++i]);
        else if (arg == "--folder")
            options->folder = argv[++i];
        else
            return false;
    }
    return options->minutes >= 1 && options->minutes <= 79 && options->runs >= 1;
}

int Run(const Options& options, const std::string& folder)
{
    // The disc: counter content in twelve tracks, so reads cross track boundaries.
    const uint32_t sectors = options.minutes * 60 * mkdisc::FRAMES_PER_SECOND;
    mkdisc::DiscPlan plan;
    for (uint32_t t = 0; t < TRACKS; ++t) {
        mkdisc::TrackPlan track;
        track.sectors = sectors / TRACKS + (t + 1 == TRACKS ? sectors % TRACKS : 0);
        plan.tracks.push_back(track);
    }
    std::string reason, sheet;
    const Clock::time_point writeStart = Clock::now();
    if (!mkdisc::CompletePlan(&plan, &reason) ||
        !mkdisc::WriteDisc(plan, options.layout, folder, "bench", &sheet, &reason)) {
        std::fprintf(stderr, "cannot write the disc: %s\n", reason.c_str());
        return 1;
    }
    const std::string bin = folder + "/bench.bin";
    const uint64_t bytes = uint64_t(sectors) * mkdisc::RAW_SECTOR_SIZE;
    std::printf("disc: %u min, %u sectors, %.1f MB, %s, written in %.1f s\n", options.minutes, sectors,
                double(bytes) / 1e6, sheet.c_str(), Seconds(writeStart));

    const std::string drives = std::string(1, DRIVE) + "=" + sheet;
    setenv("RIPWELL_DRIVES", drives.c_str(), 1);
    if (!SpotCheck(plan, sectors)) {
        std::fprintf(stderr, "the drive does not give the disc's bytes\n");
        return 1;
    }
    const std::string cat = "cat '" + bin + "' > /dev/null";
    if (std::system(cat.c_str()) != 0) { // warms the page cache
        std::fprintf(stderr, "cat failed\n");
        return 1;
    }

    std::vector<uint8_t> buffer(size_t(BLOCK_SECTORS) * mkdisc::RAW_SECTOR_SIZE);
    double bestDrive = 0, bestRead = 0, bestCat = 0;
    for (int run = 1; run <= options.runs; ++run) {
        Clock::time_point start = Clock::now();
        if (!ReadDiscThroughDrive(sectors, buffer))
            return 1;
        const double drive = MegabytesPerSecond(bytes, Seconds(start));

        start = Clock::now();
        uint64_t total = 0;
        if (!ReadFileInBlocks(bin, &total) || total != bytes) {
            std::fprintf(stderr, "reading %s failed\n", bin.c_str());
            return 1;
        }
        const double file = MegabytesPerSecond(bytes, Seconds(start));

        start = Clock::now();
        if (std::system(cat.c_str()) != 0)
            return 1;
        const double catRate = MegabytesPerSecond(bytes, Seconds(start));

        std::printf("run %d: ReadSectors x27 %7.0f MB/s   read() 1 MiB %7.0f MB/s   cat %7.0f MB/s\n", run, drive, file,
                    catRate);
        bestDrive = std::max(bestDrive, drive);
        bestRead = std::max(bestRead, file);
        bestCat = std::max(bestCat, catRate);
    }
    const uint32_t requests = (sectors + BLOCK_SECTORS - 1) / BLOCK_SECTORS;
    std::printf("best: ReadSectors %.0f MB/s (%u requests, %.1f us each), read() %.0f MB/s, cat %.0f MB/s\n", bestDrive,
                requests, double(bytes) / 1e6 / bestDrive / requests * 1e6, bestRead, bestCat);
    std::printf("ratio ReadSectors / read(): %.2f   ReadSectors / cat: %.2f   (goal: at least 0.5)\n",
                bestDrive / bestRead, bestDrive / bestCat);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: bench_read_sectors [--minutes 1..79] [--runs N] [--folder DIR] [--toc]\n");
        return 2;
    }
    std::string pattern =
        (options.folder.empty() ? std::filesystem::temp_directory_path() : std::filesystem::path(options.folder)) /
        "ripwell-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("cannot make a temporary folder");
        return 1;
    }
    const int result = Run(options, pattern);
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    return result;
}
