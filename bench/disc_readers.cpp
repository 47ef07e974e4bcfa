// Every reader of a 74-minute disc image against its baseline, in one run: the table of the
// extraction speed of the program's disc images.
//
// Writes one disc (counter content, so every sample position is distinct, in 12 tracks) in four
// layouts into a temporary folder: one BIN with a cue sheet, one WAVE per track, one FLAC per
// track, and a cdrdao TOC over one BIN; each is a virtual drive. Then, round after round, every
// reader reads the whole disc once, in the same order each round, so that a busy spell of the
// machine falls on all of them alike (each round starting one reader further on; before every
// run as much memory as the disc holds is taken and given back, so that each finds memory in the
// same state):
//
//   read        read() of the BIN in 1 MiB blocks
//   read-27     read() of the BIN in pieces of 27 sectors: the requests' own size
//   sectors     ReadSectors in requests of 27 raw sectors, as the worker asks (cue drive)
//   toc-sectors the same on the TOC drive
//   plain       the extraction worker in plain mode (cue drive), into its one result buffer
//   wave flac toc   the same worker on the WAVE, FLAC and TOC drives
//   cd-read     libcdio's cd-read of the same sectors from the cue sheet into a file
//   decode-flac libsndfile decoding the FLAC files one after the other in 27-sector pieces:
//               what the FLAC drive cannot go below, shown beside its goal
//   paranoia-z  cd-paranoia -Z, and paranoia: cd-paranoia verifying, from the cue sheet
//
// Every result of the worker is compared with the BIN byte for byte, outside the timing. The
// table gives the median time of each reader over the rounds, in wall-clock time and in processor
// time (this process's threads and the programs it ran), the throughput ratios of the medians
// with their goals, and the load average before and after. On a busy machine the wall-clock
// times also measure who else got the processors; the goals are judged on both.
//
//   bench_disc_readers [--minutes M] [--runs R] [--pause-ms P] [--only READER | --peak-memory]
//
// R is at least 5 (default 5). P is a pause before every timed run (default none, and memory
// warmed instead): memory the system took back after a while can cost much more to take again
// than memory just freed, and a pause shows what a first read on a quiet machine pays.
// --only times the readers it names, a comma between two (one, for a profiler), and prints no
// ratios.
// --peak-memory runs one plain extraction of the cue drive in a process of its own and prints
// its peak resident memory against the bytes of the disc (goal: at most 1.05 x + 50 MB).
// Exit status 1 when a reader fails or gives wrong bytes, 2 when a goal is missed.
#include "measure.h"

#include <dirent.h>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
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
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "cdrom/device_reads.h"
#include "disc_writer.h"
#include "document/ripwell_doc.h"
#include "support/read_run.h"
#include "support/temp_dir.h"

namespace {

constexpr uint32_t TRACKS = 12;
constexpr uint32_t BLOCK = 27;

struct Options {
    uint32_t minutes = 74;
    int runs = 5;
    std::string only;
    bool peakMemory = false;
    int pause = 0; // milliseconds before every timed run
};

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The BIN mapped for comparisons: it holds the disc exactly.
struct MappedFile {
    explicit MappedFile(const std::string& path)
    {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        if (fd < 0 || fstat(fd, &info) != 0)
            return;
        size = static_cast<size_t>(info.st_size);
        void* mapped = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
        close(fd);
        if (mapped != MAP_FAILED)
            bytes = static_cast<const uint8_t*>(mapped);
    }
    ~MappedFile()
    {
        if (bytes)
            munmap(const_cast<uint8_t*>(bytes), size);
    }
    const uint8_t* bytes = nullptr;
    size_t size = 0;
};

double ReadFile(const std::string& path, size_t expected, size_t blockBytes = 1 << 20)
{
    const auto start = std::chrono::steady_clock::now();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    std::vector<uint8_t> block(blockBytes);
    size_t total = 0;
    ssize_t n = 0;
    while ((n = read(fd, block.data(), block.size())) > 0)
        total += static_cast<size_t>(n);
    close(fd);
    const double seconds = Seconds(start);
    return n == 0 && total == expected ? seconds : -1;
}

double ReadThroughDevice(char drive, uint32_t sectors)
{
    std::vector<uint8_t> buffer(size_t(BLOCK) * mkdisc::RAW_SECTOR_SIZE);
    const auto start = std::chrono::steady_clock::now();
    for (uint32_t first = 0; first < sectors; first += BLOCK)
        if (ReadSectors(drive, first, std::min(BLOCK, sectors - first), buffer.data(), READ_MODE_RAW) != DRIVE_OK)
            return -1;
    return Seconds(start);
}

// Every FLAC file of the folder decoded by libsndfile from its start to its end, in pieces of
// 27 sectors as the device requests ask; -1 when the samples are not the disc's.
double DecodeFlacFiles(const std::string& folder, const MappedFile& disc)
{
    std::vector<std::string> files;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 5 && name.compare(name.size() - 5, 5, ".flac") == 0)
                files.push_back(folder + "/" + name);
        }
        closedir(dir);
    }
    std::sort(files.begin(), files.end());
    std::vector<short> block(size_t(BLOCK) * mkdisc::RAW_SECTOR_SIZE / 2);
    const auto start = std::chrono::steady_clock::now();
    size_t at = 0;
    for (const std::string& file : files) {
        SF_INFO info{};
        SNDFILE* sound = sf_open(file.c_str(), SFM_READ, &info);
        if (!sound || info.channels != 2)
            return -1;
        sf_count_t got = 0;
        while ((got = sf_readf_short(sound, block.data(), sf_count_t(block.size() / 2))) > 0) {
            const size_t bytes = size_t(got) * 4;
            if (at + bytes > disc.size || std::memcmp(block.data(), disc.bytes + at, bytes) != 0) {
                sf_close(sound);
                return -1;
            }
            at += bytes;
        }
        sf_close(sound);
    }
    const double seconds = Seconds(start);
    return files.empty() || at != disc.size ? -1 : seconds;
}

// Per drive, the seconds from the worker's start to its first message: the allocation and
// preparation of the result buffer, before any block is read.
std::map<char, std::vector<double>> g_preparation;

double Extract(char drive, uint32_t sectors, const MappedFile& disc)
{
    auto run = std::make_unique<ReadRun>();
    const auto start = std::chrono::steady_clock::now();
    run->window.onMessage = [&](size_t index, const ReadMessage&) {
        if (index == 0)
            g_preparation[drive].push_back(Seconds(start));
    };
    run->Run(0, sectors - 1, READ_MODE_RAW, ReadOptions{drive, false, 0});
    const double seconds = Seconds(start);
    if (run->window.FinalStatus() != 0 || run->document.m_nDataLength != disc.size ||
        std::memcmp(run->document.m_pData, disc.bytes, disc.size) != 0) {
        std::fprintf(stderr, "bench_disc_readers: the worker on drive %c did not give the disc\n", drive);
        return -1;
    }
    return seconds;
}

// Takes and gives back as much memory as the disc holds, so that every reader finds memory just
// freed, whatever ran before it. In this virtual machine memory freed a while ago costs several
// seconds a gigabyte to take again, and without this the reader that follows the short ones
// (always the same one, the order being cyclic) pays that alone.
void WarmMemory(size_t bytes)
{
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        return;
    madvise(block, bytes, MADV_HUGEPAGE);
    for (size_t at = 0; at < bytes; at += 4096)
        static_cast<volatile uint8_t*>(block)[at] = 1;
    munmap(block, bytes);
}

// Runs a program with its output thrown away; the seconds it took, or -1.
double RunProgram(const std::vector<std::string>& arguments)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) {
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
        }
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return Seconds(start);
}

// A program's output file must hold the disc after a header of headerBytes.
bool OutputHoldsTheDisc(const std::string& path, size_t headerBytes, const MappedFile& disc)
{
    const MappedFile output(path);
    const bool same = output.bytes && output.size == disc.size + headerBytes &&
        std::memcmp(output.bytes + headerBytes, disc.bytes, disc.size) == 0;
    unlink(path.c_str());
    if (!same)
        std::fprintf(stderr, "bench_disc_readers: %s does not hold the disc\n", path.c_str());
    return same;
}

// One plain extraction of the drive in a child process: its peak resident memory in bytes.
long PeakMemoryOfOneExtraction(char drive, uint32_t sectors)
{
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        ReadRun run;
        run.Run(0, sectors - 1, READ_MODE_RAW, ReadOptions{drive, false, 0});
        _exit(run.window.FinalStatus() == 0 ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss * 1024;
}

bool ParseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--peak-memory") {
            options->peakMemory = true;
            continue;
        }
        if (i + 1 >= argc)
            return false;
        const char* value = argv[++i];
        if (option == "--minutes")
            options->minutes = static_cast<uint32_t>(std::atoi(value));
        else if (option == "--runs")
            options->runs = std::atoi(value);
        else if (option == "--only")
            options->only = value;
        else if (option == "--pause-ms")
            options->pause = std::atoi(value);
        else
            return false;
    }
    return options->minutes >= 1 && options->minutes <= 79 && options->runs >= 5;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: bench_disc_readers [--minutes 1..79] [--runs 5..] [--only READER]\n");
        return 2;
    }
    const TempDir folder;
    const uint32_t sectors = options.minutes * platform::cdrom::FRAMES_PER_MINUTE;
    mkdisc::DiscPlan plan;
    for (uint32_t t = 0; t < TRACKS; ++t) {
        mkdisc::TrackPlan track;
        track.sectors = sectors / TRACKS + (t + 1 == TRACKS ? sectors % TRACKS : 0);
        plan.tracks.push_back(track);
    }
    std::string reason;
    if (!mkdisc::CompletePlan(&plan, &reason)) {
        std::fprintf(stderr, "bench_disc_readers: %s\n", reason.c_str());
        return 1;
    }
    struct Drive {
        char letter;
        mkdisc::Layout layout;
        const char* name;
        std::string sheet;
    };
    std::vector<Drive> drives = {{'E', mkdisc::Layout::SingleBin, "cue", {}},
                                 {'F', mkdisc::Layout::WavePerTrack, "wave", {}},
                                 {'G', mkdisc::Layout::FlacPerTrack, "flac", {}},
                                 {'H', mkdisc::Layout::CdrdaoToc, "toc", {}}};
    std::string list;
    const auto writeStart = std::chrono::steady_clock::now();
    for (Drive& drive : drives) {
        const std::string sub = folder.file(drive.name);
        std::filesystem::create_directories(sub);
        if (!mkdisc::WriteDisc(plan, drive.layout, sub, "disc", &drive.sheet, &reason)) {
            std::fprintf(stderr, "bench_disc_readers: %s\n", reason.c_str());
            return 1;
        }
        list += std::string(list.empty() ? "" : ";") + drive.letter + "=" + drive.sheet;
    }
    setenv("RIPWELL_DRIVES", list.c_str(), 1);
    const std::string bin = folder.file("cue/disc.bin");
    const std::string cue = drives[0].sheet;
    const MappedFile disc(bin);
    const size_t bytes = size_t{sectors} * mkdisc::RAW_SECTOR_SIZE;
    if (!disc.bytes || disc.size != bytes)
        return 1;
    std::printf("disc: %u minutes, %u sectors, %.1f MB in 4 layouts, written in %.0f s\n", options.minutes, sectors,
                bytes / 1e6, Seconds(writeStart));
    if (ReadFile(bin, bytes) < 0) // warms the page cache
        return 1;
    if (options.peakMemory) {
        const long peak = PeakMemoryOfOneExtraction('E', sectors);
        if (peak < 0)
            return 1;
        const double limit = 1.05 * double(bytes) + 50e6;
        std::printf("peak resident memory of one plain extraction: %.1f MB for a disc of %.1f MB: %.3f x the disc "
                    "(goal: at most %.1f MB, 1.05 x + 50 MB)\n",
                    peak / 1e6, bytes / 1e6, double(peak) / double(bytes), limit / 1e6);
        return double(peak) <= limit ? 0 : 2;
    }

    const std::string output = folder.file("out.raw");
    const std::string wave = folder.file("out.wav");
    const std::vector<std::pair<std::string, std::function<double()>>> readers = {
        {"read", [&] { return ReadFile(bin, bytes); }},
        {"read-27", [&] { return ReadFile(bin, bytes, size_t(BLOCK) * mkdisc::RAW_SECTOR_SIZE); }},
        {"sectors", [&] { return ReadThroughDevice('E', sectors); }},
        {"toc-sectors", [&] { return ReadThroughDevice('H', sectors); }},
        {"plain", [&] { return Extract('E', sectors, disc); }},
        {"wave", [&] { return Extract('F', sectors, disc); }},
        {"flac", [&] { return Extract('G', sectors, disc); }},
        {"toc", [&] { return Extract('H', sectors, disc); }},
        {"decode-flac", [&] { return DecodeFlacFiles(folder.file("flac"), disc); }},
        {"cd-read",
         [&] {
             const double s = RunProgram({"cd-read", "--no-header", "-m", "audio", "-s", "0", "-n",
                                          std::to_string(sectors), "-c", cue, "-o", output});
             return s >= 0 && OutputHoldsTheDisc(output, 0, disc) ? s : -1;
         }},
        {"paranoia-z",
         [&] {
             const double s = RunProgram({"cd-paranoia", "-q", "-Z", "-d", cue, "1-", wave});
             return s >= 0 && OutputHoldsTheDisc(wave, 44, disc) ? s : -1;
         }},
        {"paranoia",
         [&] {
             const double s = RunProgram({"cd-paranoia", "-q", "-d", cue, "1-", wave});
             return s >= 0 && OutputHoldsTheDisc(wave, 44, disc) ? s : -1;
         }},
    };

    const std::string loadBefore = LoadAverage();
    std::map<std::string, std::vector<double>> times, processor;
    for (int round = 0; round < options.runs; ++round) {
        for (size_t k = 0; k < readers.size(); ++k) {
            // Each round starts one reader further on: the first extraction after a while pays
            // for memory the system has to find anew (in this virtual machine, about 4 s per GB),
            // and every reader takes that place in turn.
            const auto& [name, read] = readers[(k + size_t(round)) % readers.size()];
            if (!options.only.empty() && ("," + options.only + ",").find("," + name + ",") == std::string::npos)
                continue;
            // Memory freed a moment ago costs little to take again, memory freed a while ago
            // can cost much more (measured: 211 MB on huge pages, 0.02 s of processor time
            // warm, 0.1 to 0.4 s cold); a pause lets readers start cold.
            if (options.pause > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(options.pause));
            else
                WarmMemory(bytes);
            const double cpu = ProcessorSeconds();
            const double seconds = read();
            if (seconds < 0) {
                std::fprintf(stderr, "bench_disc_readers: %s failed\n", name.c_str());
                return 1;
            }
            times[name].push_back(seconds);
            processor[name].push_back(ProcessorSeconds() - cpu);
        }
    }
    std::printf("median of %d rounds, a pause of %d ms before every run; load average %s before, %s after\n\n",
                options.runs, options.pause, loadBefore.c_str(), LoadAverage().c_str());
    std::printf("| reader | wall s | MB/s | processor s | wall s of each round |\n|---|---:|---:|---:|---|\n");
    for (const auto& [name, read] : readers) {
        if (!times.count(name))
            continue;
        std::string rounds;
        for (double seconds : times[name])
            rounds += (rounds.empty() ? "" : " ") + std::to_string(seconds).substr(0, 5);
        std::printf("| %s | %.3f | %.0f | %.3f | %s |\n", name.c_str(), Median(times[name]),
                    bytes / 1e6 / Median(times[name]), Median(processor[name]), rounds.c_str());
    }
    std::printf("\nthe worker's start to its first block (the result buffer allocated and made present), median s:");
    for (const auto& [drive, seconds] : g_preparation)
        std::printf(" %c %.3f", drive, Median(seconds));
    std::printf("\n");
    if (!options.only.empty())
        return 0;

    struct Goal {
        const char* text;
        const char* reader;
        const char* baseline;
        double goal;
    };
    const Goal goals[] = {
        {"ReadSectors in 27-sector requests / read() of the BIN", "sectors", "read", 0.6},
        {"Plain extraction / cd-paranoia -Z", "plain", "paranoia-z", 1.0},
        {"Plain extraction / verifying cd-paranoia", "plain", "paranoia", 5},
        {"Plain extraction / libcdio's cd-read", "plain", "cd-read", 1.5},
        {"Same disc as one WAVE per track / as one BIN", "wave", "plain", 0.8},
        {"Same disc as one FLAC per track / as one BIN", "flac", "plain", 0.4},
        {"Same disc as a cdrdao TOC / as a cue sheet", "toc", "plain", 0.9},
        {"ReadSectors on the TOC / on the cue sheet", "toc-sectors", "sectors", 0.9},
        {"ReadSectors in 27-sector requests / read() of the BIN in 27-sector pieces", "sectors", "read-27", 0},
        {"Same disc as one FLAC per track / libsndfile decoding those files", "flac", "decode-flac", 0},
        {"libsndfile decoding the FLAC files / plain extraction of the BIN", "decode-flac", "plain", 0},
    };
    bool met = true;
    std::printf("\n| Measure | Ratio, wall (median) | Ratio, processor (median) | Goal |\n|---|---:|---:|---:|\n");
    for (const Goal& goal : goals) {
        const double wall = Median(times[goal.baseline]) / Median(times[goal.reader]);
        const double cpu = Median(processor[goal.baseline]) / Median(processor[goal.reader]);
        if (goal.goal == 0) { // a figure that explains another, without a goal of its own
            std::printf("| %s | %.2f | %.2f | (none) |\n", goal.text, wall, cpu);
            continue;
        }
        const bool reached = wall >= goal.goal && cpu >= goal.goal;
        met = met && reached;
        std::printf("| %s | %.2f | %.2f | >= %.1f%s |\n", goal.text, wall, cpu, goal.goal, reached ? "" : " (missed)");
    }
    std::printf("\nevery result identical to the disc; goals %s\n", met ? "met" : "MISSED");
    return met ? 0 : 2;
}
