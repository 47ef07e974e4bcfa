// Extraction throughput on a 74-minute disc image: the worker in plain mode and with jitter
// correction (overlap 2) through the device layer, against the sequential read of the image's
// BIN file and against cd-paranoia with and without its verification (-Z).
//
//   bench_extract [--minutes M] [--repeat R] [--only file|plain|jitter|paranoia|paranoia-z]
//
// --only measures one reader (for a profiler) and prints no ratios.
// The image (counter content, so every sample position is distinct) is written into a fresh
// temporary folder and removed at the end. Each figure is the best of R runs; every worker
// result is compared with the disc byte for byte. Exit status 1 when a result is wrong or a
// reader fails, 2 when a throughput goal is missed.
#include "measure.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/app_settings.h"
#include "disc_writer.h"
#include "document/ripwell_doc.h"
#include "extract/read_sectors_thread.h"
#include "res/resource.h"
#include "support/read_run.h"
#include "support/temp_dir.h"

namespace {

constexpr double MEGABYTE = 1e6;
constexpr char DRIVE = 'E';

struct Options {
    uint32_t minutes = 74;
    int repeat = 3;
    std::string only; // empty: every reader
};

const char* const READERS[] = {"file", "plain", "jitter", "paranoia", "paranoia-z"};

bool ParseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--minutes" || arg == "--repeat") && i + 1 < argc) {
            const long value = std::strtol(argv[++i], nullptr, 10);
            if (value < 1 || value > 80) {
                std::fprintf(stderr, "bench_extract: %s wants a number from 1 to 80\n", arg.c_str());
                return false;
            }
            if (arg == "--minutes")
                options->minutes = static_cast<uint32_t>(value);
            else
                options->repeat = static_cast<int>(value);
        } else if (arg == "--only" && i + 1 < argc &&
                   std::find(std::begin(READERS), std::end(READERS), std::string(argv[i + 1])) != std::end(READERS)) {
            options->only = argv[++i];
        } else {
            std::fprintf(stderr,
                         "usage: bench_extract [--minutes M] [--repeat R] "
                         "[--only file|plain|jitter|paranoia|paranoia-z]\n");
            return false;
        }
    }
    return true;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

const Timing FAILED;

// Reads the whole file with large sequential reads into one buffer of its size, as the worker
// fills one buffer.
Timing TimeFileRead(const std::string& path, size_t size, std::vector<uint8_t>* contents)
{
    const Stopwatch stopwatch;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return FAILED;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[size]);
    constexpr size_t CHUNK = 1 << 20;
    size_t done = 0;
    while (done < size) {
        const ssize_t n = read(fd, buffer.get() + done, std::min(CHUNK, size - done));
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    close(fd);
    const Timing timing = stopwatch.Stop();
    if (done != size)
        return FAILED;
    if (contents && contents->empty())
        contents->assign(buffer.get(), buffer.get() + size);
    return timing;
}

// One whole-disc read through the worker; a failure when the read failed or its result differs
// from the disc.
Timing TimeWorkerRead(uint32_t sectors, const std::vector<uint8_t>& disc, bool jitter, uint32_t* syncMessages)
{
    const ReadOptions settings{DRIVE, jitter, 2};
    ReadRun run;
    const Stopwatch stopwatch;
    run.Run(0, sectors - 1, READ_MODE_RAW, settings);
    const Timing timing = stopwatch.Stop();
    if (run.window.FinalStatus() != 0) {
        std::fprintf(stderr, "bench_extract: the worker ended with status %lld\n",
                     static_cast<long long>(run.window.FinalStatus()));
        return FAILED;
    }
    const std::vector<uintptr_t> syncs = run.window.ValuesOf(res::WM_READ_SYNC);
    *syncMessages = static_cast<uint32_t>(syncs.size());
    const bool allInPlace = std::all_of(syncs.begin(), syncs.end(), [](uintptr_t s) { return s == 0; });
    if (run.document.m_nDataLength != disc.size() || std::memcmp(run.document.m_pData, disc.data(), disc.size()) != 0 ||
        !allInPlace) {
        std::fprintf(stderr, "bench_extract: the worker's result differs from the disc\n");
        return FAILED;
    }
    return timing;
}

// Runs cd-paranoia on the sheet; a failure when it fails or its samples differ.
Timing TimeParanoia(const std::string& folder, const std::string& sheet, bool verify, const std::vector<uint8_t>& disc)
{
    const std::string output = folder + "/paranoia.wav";
    std::filesystem::remove(output);
    const Stopwatch stopwatch;
    const pid_t child = fork();
    if (child < 0)
        return FAILED;
    if (child == 0) {
        // It reports on the terminal even with -q ("Option not supported by drive").
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) {
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
        }
        if (verify)
            execlp("cd-paranoia", "cd-paranoia", "-q", "-d", sheet.c_str(), "1-", output.c_str(),
                   static_cast<char*>(nullptr));
        else
            execlp("cd-paranoia", "cd-paranoia", "-q", "-Z", "-d", sheet.c_str(), "1-", output.c_str(),
                   static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_extract: cd-paranoia failed (is it installed?)\n");
        return FAILED;
    }
    const Timing timing = stopwatch.Stop();

    // Its wave file: a 44-byte header, then the samples, which must be the disc's.
    std::error_code error;
    const auto size = std::filesystem::file_size(output, error);
    if (error || size != disc.size() + 44) {
        std::fprintf(stderr, "bench_extract: cd-paranoia wrote %llu bytes, not %zu\n",
                     static_cast<unsigned long long>(error ? 0 : size), disc.size() + 44);
        return FAILED;
    }
    std::vector<uint8_t> wave;
    if (TimeFileRead(output, size, &wave).wall < 0 || std::memcmp(wave.data() + 44, disc.data(), disc.size()) != 0) {
        std::fprintf(stderr, "bench_extract: cd-paranoia's samples differ from the disc\n");
        return FAILED;
    }
    std::filesystem::remove(output);
    return timing;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options))
        return 1;

    const TempDir folder;
    const uint32_t sectors = options.minutes * 60 * mkdisc::FRAMES_PER_SECOND;
    mkdisc::DiscPlan plan;
    mkdisc::TrackPlan track;
    track.sectors = sectors;
    track.content = mkdisc::AudioContent::Counter;
    plan.tracks.push_back(track);
    std::string sheet;
    std::string reason;
    auto start = std::chrono::steady_clock::now();
    if (!mkdisc::CompletePlan(&plan, &reason) ||
        !mkdisc::WriteDisc(plan, mkdisc::Layout::SingleBin, folder.path().string(), "disc", &sheet, &reason)) {
        std::fprintf(stderr, "bench_extract: cannot write the disc image: %s\n", reason.c_str());
        return 1;
    }
    const size_t bytes = size_t{sectors} * mkdisc::RAW_SECTOR_SIZE;
    const std::string bin = folder.file("disc.bin");
    std::printf("disc: %u minutes, %u sectors, %.1f MB, written in %.1f s to %s\n", options.minutes, sectors,
                bytes / MEGABYTE, Seconds(start), folder.path().c_str());

    // The disc as the plan says it is; the BIN must hold exactly that.
    std::vector<uint8_t> disc(bytes);
    for (uint32_t s = 0; s < sectors; ++s)
        mkdisc::SectorBytes(plan, s, disc.data() + size_t{s} * mkdisc::RAW_SECTOR_SIZE);
    std::vector<uint8_t> fileBytes;
    if (TimeFileRead(bin, bytes, &fileBytes).wall < 0 || fileBytes != disc) {
        std::fprintf(stderr, "bench_extract: the BIN file does not hold the disc\n");
        return 1;
    }
    fileBytes = {};

    const std::string drives = std::string(1, DRIVE) + "=" + sheet;
    setenv("RIPWELL_DRIVES", drives.c_str(), 1);

    // The readers take turns, round after round, so that a busy spell of the machine falls on
    // all of them alike; each keeps its best round.
    uint32_t jitterSyncs = 0, plainSyncs = 0;
    const std::vector<std::pair<const char*, std::function<Timing()>>> readers = {
        {"file", [&] { return TimeFileRead(bin, bytes, nullptr); }},
        {"plain", [&] { return TimeWorkerRead(sectors, disc, false, &plainSyncs); }},
        {"jitter", [&] { return TimeWorkerRead(sectors, disc, true, &jitterSyncs); }},
        {"paranoia", [&] { return TimeParanoia(folder.path().string(), sheet, true, disc); }},
        {"paranoia-z", [&] { return TimeParanoia(folder.path().string(), sheet, false, disc); }},
    };
    std::map<std::string, Timing> best;
    for (int round = 0; round < options.repeat; ++round) {
        for (const auto& [name, run] : readers) {
            if (!options.only.empty() && options.only != name)
                continue;
            const Timing timing = run();
            if (timing.wall < 0)
                return 1;
            Timing& kept = best.try_emplace(name, timing).first->second;
            kept.wall = std::min(kept.wall, timing.wall);
            kept.cpu = std::min(kept.cpu, timing.cpu);
        }
    }

    const char* const titles[] = {"BIN file, sequential read", "worker, plain mode", "worker, jitter mode OV 2",
                                  "cd-paranoia (verifying)", "cd-paranoia -Z"};
    std::printf("best of %d rounds; MB = 10^6 bytes; processor time counts this process and its children\n\n",
                options.repeat);
    std::printf("| reader | wall s | MB/s (wall) | processor s | MB/s (processor) |\n|---|---:|---:|---:|---:|\n");
    for (size_t i = 0; i < std::size(READERS); ++i) {
        const auto found = best.find(READERS[i]);
        if (found == best.end())
            continue;
        const Timing& t = found->second;
        std::printf("| %s | %.3f | %.0f | %.3f | %.0f |\n", titles[i], t.wall, bytes / MEGABYTE / t.wall, t.cpu,
                    bytes / MEGABYTE / std::max(t.cpu, 1e-6));
    }
    std::printf("\n%u blocks placed by comparison in jitter mode, all in place\n\n", jitterSyncs);
    if (!options.only.empty())
        return 0;

    // Throughput ratios: a ratio of speeds is the inverse ratio of times.
    const auto ratio = [&](const char* faster, const char* slower, bool wall) {
        const Timing& a = best[faster];
        const Timing& b = best[slower];
        return wall ? b.wall / a.wall : b.cpu / std::max(a.cpu, 1e-6);
    };
    struct Goal {
        const char* text;
        const char* reader;
        const char* against;
        double goal;
    };
    const Goal goals[] = {{"plain / file read", "plain", "file", 0.5},
                          {"plain / cd-paranoia", "plain", "paranoia", 3},
                          {"plain / cd-paranoia -Z", "plain", "paranoia-z", 0},
                          {"jitter / plain", "jitter", "plain", 0.7}};
    bool met = true;
    std::printf("| ratio | wall | processor | goal |\n|---|---:|---:|---:|\n");
    for (const Goal& g : goals) {
        const double wall = ratio(g.reader, g.against, true);
        const double cpu = ratio(g.reader, g.against, false);
        if (g.goal > 0) {
            met = met && wall >= g.goal && cpu >= g.goal;
            std::printf("| %s | %.2f | %.2f | >= %.1f |\n", g.text, wall, cpu, g.goal);
        } else {
            std::printf("| %s | %.2f | %.2f | |\n", g.text, wall, cpu);
        }
    }
    std::printf("\nevery result identical to the disc; goals %s\n", met ? "met" : "MISSED");
    (void)plainSyncs;
    return met ? 0 : 2;
}
