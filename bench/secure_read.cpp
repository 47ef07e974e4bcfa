// Secure mode against plain mode and against cd-paranoia on a 74-minute disc image: the
// extraction worker in plain mode (one read of each sector), the worker in secure mode (a test
// and a copy pass with a CRC-32 of every sector, a clean drive so no re-reads), the CRC-32
// alone over the bytes secure mode checksums, and cd-paranoia with its verification.
//
//   bench_secure_read [--minutes M] [--rounds R]
//
// The readers take turns in every round (plain, secure, CRC, cd-paranoia), so that a busy
// spell of the shared machine falls on all of them alike; each ratio is taken within a round
// and the median of the rounds is reported, with the load average before and after. Wall-clock
// and processor seconds (this process and the children it waited for) are both given. Every
// result is compared with the disc byte for byte. Exit status 1 when a reader fails or a result
// is wrong, 2 when a goal is missed.
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
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "disc_writer.h"
#include "extract/crc32.h"
#include "extract/read_sectors_thread.h"
#include "res/resource.h"
#include "support/read_run.h"
#include "support/temp_dir.h"

namespace {

constexpr char DRIVE = 'E';
constexpr double MEGABYTE = 1e6;
constexpr size_t WAVE_HEADER = 44;

// One whole-disc read through the worker; a failure when the read failed or differs from the
// disc (or, in secure mode, when its report is not that of a clean read of this disc).
Timing TimeWorker(uint32_t sectors, const std::vector<uint8_t>& disc, bool secure, uint32_t discCrc)
{
    ReadOptions options{DRIVE, false, 0};
    options.secureMode = secure;
    ReadRun run;
    SecureReadReport report;
    run.window.onMessage = [&report](size_t, const ReadMessage& m) {
        if (m.message == res::WM_READ_REPORT)
            report = *reinterpret_cast<const SecureReadReport*>(m.wParam);
    };
    const Stopwatch stopwatch;
    run.Run(0, sectors - 1, READ_MODE_RAW, options);
    const Timing timing = stopwatch.Stop();
    if (run.window.FinalStatus() != 0 || run.document.m_nDataLength != disc.size() ||
        std::memcmp(run.document.m_pData, disc.data(), disc.size()) != 0) {
        std::fprintf(stderr, "bench_secure_read: the %s read failed or differs from the disc\n",
                     secure ? "secure" : "plain");
        return {};
    }
    if (secure &&
        (!report.AllAgreed() || report.reReads != 0 || report.testCrc != discCrc || report.copyCrc != discCrc)) {
        std::fprintf(stderr, "bench_secure_read: the secure read's report is not that of a clean disc\n");
        return {};
    }
    return timing;
}

// What secure mode spends on checksums: a CRC-32 of every sector in each of its two passes,
// joined into the checksum of the range.
Timing TimeCrc(const std::vector<uint8_t>& disc, uint32_t discCrc)
{
    const Crc32Joiner joiner(mkdisc::RAW_SECTOR_SIZE);
    const Stopwatch stopwatch;
    uint32_t whole[2] = {};
    for (uint32_t& crc : whole)
        for (size_t at = 0; at < disc.size(); at += mkdisc::RAW_SECTOR_SIZE)
            crc = joiner.Append(crc, Crc32(disc.data() + at, mkdisc::RAW_SECTOR_SIZE));
    const Timing timing = stopwatch.Stop();
    if (whole[0] != discCrc || whole[1] != discCrc) {
        std::fprintf(stderr, "bench_secure_read: the joined checksum differs\n");
        return {};
    }
    return timing;
}

// cd-paranoia with its verification (no -Z) on the sheet; a failure when it fails or its
// samples differ.
Timing TimeParanoia(const std::string& folder, const std::string& sheet, const std::vector<uint8_t>& disc)
{
    const std::string output = folder + "/paranoia.wav";
    std::filesystem::remove(output);
    const Stopwatch stopwatch;
    const pid_t child = fork();
    if (child < 0)
        return {};
    if (child == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) {
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
        }
        execlp("cd-paranoia", "cd-paranoia", "-q", "-d", sheet.c_str(), "1-", output.c_str(),
               static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_secure_read: cd-paranoia failed (is it installed?)\n");
        return {};
    }
    const Timing timing = stopwatch.Stop();
    std::ifstream in(output, std::ios::binary);
    std::vector<uint8_t> wave(disc.size() + WAVE_HEADER);
    if (!in.read(reinterpret_cast<char*>(wave.data()), static_cast<std::streamsize>(wave.size())) ||
        std::memcmp(wave.data() + WAVE_HEADER, disc.data(), disc.size()) != 0) {
        std::fprintf(stderr, "bench_secure_read: cd-paranoia's samples differ from the disc\n");
        return {};
    }
    std::filesystem::remove(output);
    return timing;
}

} // namespace

int main(int argc, char** argv)
{
    uint32_t minutes = 74;
    int rounds = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--minutes" || arg == "--rounds") && i + 1 < argc) {
            const long value = std::strtol(argv[++i], nullptr, 10);
            if (value < 1 || value > 80) {
                std::fprintf(stderr, "bench_secure_read: %s wants a number from 1 to 80\n", arg.c_str());
                return 1;
            }
            if (arg == "--minutes")
                minutes = static_cast<uint32_t>(value);
            else
                rounds = static_cast<int>(value);
        } else {
            std::fprintf(stderr, "usage: bench_secure_read [--minutes M] [--rounds R]\n");
            return 1;
        }
    }

    const TempDir folder;
    const uint32_t sectors = minutes * 60 * mkdisc::FRAMES_PER_SECOND;
    mkdisc::DiscPlan plan;
    mkdisc::TrackPlan track;
    track.sectors = sectors;
    track.content = mkdisc::AudioContent::Counter;
    plan.tracks.push_back(track);
    std::string sheet, reason;
    if (!mkdisc::CompletePlan(&plan, &reason) ||
        !mkdisc::WriteDisc(plan, mkdisc::Layout::SingleBin, folder.path().string(), "disc", &sheet, &reason)) {
        std::fprintf(stderr, "bench_secure_read: cannot write the disc image: %s\n", reason.c_str());
        return 1;
    }
    std::vector<uint8_t> disc(size_t{sectors} * mkdisc::RAW_SECTOR_SIZE);
    for (uint32_t s = 0; s < sectors; ++s)
        mkdisc::SectorBytes(plan, s, disc.data() + size_t{s} * mkdisc::RAW_SECTOR_SIZE);
    const uint32_t discCrc = Crc32(disc.data(), disc.size());
    const std::string drives = std::string(1, DRIVE) + "=" + sheet;
    setenv("RIPWELL_DRIVES", drives.c_str(), 1);

    const double megabytes = disc.size() / MEGABYTE;
    std::printf("disc: %u minutes, %u sectors, %.1f MB; %d rounds\nload average before: %s\n\n", minutes, sectors,
                megabytes, rounds, LoadAverage().c_str());
    std::fflush(stdout);

    struct Reader {
        const char* title;
        std::function<Timing()> run;
        std::vector<double> wall, cpu;
    };
    std::vector<Reader> readers = {
        {"worker, plain mode", [&] { return TimeWorker(sectors, disc, false, discCrc); }, {}, {}},
        {"worker, secure mode", [&] { return TimeWorker(sectors, disc, true, discCrc); }, {}, {}},
        {"CRC-32 of both passes", [&] { return TimeCrc(disc, discCrc); }, {}, {}},
        {"cd-paranoia (verifying)", [&] { return TimeParanoia(folder.path().string(), sheet, disc); }, {}, {}},
    };
    for (int round = 0; round < rounds; ++round) {
        for (Reader& reader : readers) {
            const Timing t = reader.run();
            if (t.wall < 0)
                return 1;
            reader.wall.push_back(t.wall);
            reader.cpu.push_back(t.cpu);
        }
        std::fprintf(stderr, "round %d done\n", round + 1);
    }

    std::printf("median of %d rounds; MB = 10^6 bytes\n\n", rounds);
    std::printf("| reader | wall s | MB/s (wall) | processor s | MB/s (processor) |\n|---|---:|---:|---:|---:|\n");
    for (const Reader& r : readers)
        std::printf("| %s | %.3f | %.0f | %.3f | %.0f |\n", r.title, Median(r.wall), megabytes / Median(r.wall),
                    Median(r.cpu), megabytes / Median(r.cpu));

    // Ratios within each round, then their median: throughput ratios are inverse time ratios.
    struct Goal {
        const char* text;
        size_t numerator; // reader whose time is divided by the other's
        size_t denominator;
        double goal;
        bool atMost;
    };
    const Goal goals[] = {
        {"secure / plain throughput", 0, 1, 0.45, false},
        {"CRC time / plain time", 2, 0, 0.05, true},
        {"secure / cd-paranoia throughput", 3, 1, 2.0, false},
    };
    bool met = true;
    std::printf("\n| ratio (median of the rounds' ratios) | wall | processor | goal |\n|---|---:|---:|---:|\n");
    for (const Goal& g : goals) {
        std::vector<double> wall, cpu;
        for (int i = 0; i < rounds; ++i) {
            wall.push_back(readers[g.numerator].wall[i] / readers[g.denominator].wall[i]);
            cpu.push_back(readers[g.numerator].cpu[i] / std::max(readers[g.denominator].cpu[i], 1e-6));
        }
        const double w = Median(wall), c = Median(cpu);
        met = met && (g.atMost ? w <= g.goal && c <= g.goal : w >= g.goal && c >= g.goal);
        std::printf("| %s | %.3f | %.3f | %s %.2f |\n", g.text, w, c, g.atMost ? "<=" : ">=", g.goal);
    }
    std::printf("\nload average after: %s\nevery result identical to the disc; goals %s\n", LoadAverage().c_str(),
                met ? "met" : "MISSED");
    return met ? 0 : 2;
}
