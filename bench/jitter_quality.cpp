// How well the jitter correction puts blocks back in place: for a drive whose every read starts
// up to J bytes off (whole samples, uniformly drawn, the first read exact) and for overlaps of
// 1 to 8 sectors, the share of blocks the worker placed exactly where their bytes belong and
// whether the whole result equals the disc.
//
//   bench_jitter_quality [--sectors N] [--seeds S]
//
// The drive is the jittering test double, over content in which every sample is unique, so a
// block either matches at its true shift or nowhere. Each cell runs S seeds of N raw sectors.
// The goal: every run identical to the disc in every cell whose J is within the comparison
// window W; cells beyond W are shown in parentheses and are no goal (a block that lies further
// off than W cannot be found). Exit status 2 when the goal is missed.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "extract/read_sectors_thread.h"
#include "res/resource.h"
#include "support/jitter_drive.h"
#include "support/read_run.h"

namespace {

constexpr char DRIVE = 'D';
constexpr uint32_t RAW = 2352;
// The range read lies this far inside the disc, so that reads starting off near its ends see
// the neighbouring sectors, as on a real disc.
constexpr uint32_t MARGIN = 100;

const uint32_t JITTERS[] = {0, 4, 64, 588, 1176, 2352, 4704, 9408};
const uint8_t OVERLAPS[] = {1, 2, 3, 4, 5, 6, 7, 8};

struct CellResult {
    uint32_t blocks = 0; // reads placed by comparison (all but the first of a read)
    uint32_t exact = 0;  // of them, placed at the drive's true shift
    uint32_t failed = 0; // reported as not synchronised
    uint32_t identicalRuns = 0;
    uint32_t tailOnlyRuns = 0; // runs whose only difference is the zero-filled end
    uint32_t runs = 0;
    bool readFailed = false;
};

// One read of sectors MARGIN .. MARGIN + sectors - 1 in jitter mode.
void RunOnce(uint32_t sectors, uint32_t jitter, uint8_t overlap, uint32_t seed, const std::vector<uint8_t>& disc,
             CellResult* cell)
{
    JitterDrive drive(DRIVE, sectors + 2 * MARGIN);
    drive.SetRandomJitter(jitter, seed, true);
    const ReadOptions settings{DRIVE, true, overlap};
    ReadRun run;
    run.Run(MARGIN, MARGIN + sectors - 1, READ_MODE_RAW, settings);
    ++cell->runs;
    if (run.window.FinalStatus() != 0) {
        cell->readFailed = true;
        return;
    }

    // Read k + 1 is placed by the k-th synchronisation; its true place is the drive's shift.
    const std::vector<uintptr_t> syncs = run.window.ValuesOf(res::WM_READ_SYNC);
    const std::vector<int32_t> shifts = drive.AppliedShifts();
    for (size_t k = 0; k < syncs.size() && k + 1 < shifts.size(); ++k) {
        const auto reported = static_cast<int32_t>(static_cast<intptr_t>(syncs[k]));
        ++cell->blocks;
        if (reported == res::SYNC_FAILED)
            ++cell->failed;
        else if (reported == shifts[k + 1])
            ++cell->exact;
    }

    const std::vector<uint8_t> data = run.Data();
    if (data == disc) {
        ++cell->identicalRuns;
        return;
    }
    // A final block read early leaves its last bytes unread, and they become zeros.
    const int32_t last = shifts.empty() ? 0 : shifts.back();
    if (data.size() == disc.size() && last < 0 && !syncs.empty() &&
        static_cast<int32_t>(static_cast<intptr_t>(syncs.back())) == last) {
        const size_t tail = static_cast<size_t>(-last);
        const size_t kept = disc.size() - tail;
        bool zeros = true;
        for (size_t i = kept; i < data.size() && zeros; ++i)
            zeros = data[i] == 0;
        if (zeros && std::memcmp(data.data(), disc.data(), kept) == 0)
            ++cell->tailOnlyRuns;
    }
}

// "share placed exactly, [n unsynchronised,] identical i/r[, end zeroed z]"
std::string Cell(const CellResult& c)
{
    if (c.readFailed)
        return "read failed";
    char share[32];
    std::snprintf(share, sizeof share, "%.1f%%", c.blocks ? 100.0 * c.exact / c.blocks : 100.0);
    std::string text = share;
    if (c.failed > 0)
        text += ", " + std::to_string(c.failed) + " unsynchronised";
    text += ", identical " + std::to_string(c.identicalRuns) + "/" + std::to_string(c.runs);
    if (c.tailOnlyRuns > 0)
        text += ", end zeroed " + std::to_string(c.tailOnlyRuns);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    uint32_t sectors = 2000;
    uint32_t seeds = 8;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--sectors" || arg == "--seeds") && i + 1 < argc) {
            const long value = std::strtol(argv[++i], nullptr, 10);
            const long low = arg == "--sectors" ? 30 : 1;
            const long high = arg == "--sectors" ? 100000 : 1000;
            if (value < low || value > high) {
                std::fprintf(stderr, "bench_jitter_quality: %s wants a number from %ld to %ld\n", arg.c_str(), low,
                             high);
                return 1;
            }
            (arg == "--sectors" ? sectors : seeds) = static_cast<uint32_t>(value);
        } else {
            std::fprintf(stderr, "usage: bench_jitter_quality [--sectors N] [--seeds S]\n");
            return 1;
        }
    }

    std::vector<uint8_t> disc;
    {
        const JitterDrive exact(DRIVE, sectors + 2 * MARGIN);
        disc = exact.Disc(MARGIN, sectors, READ_MODE_RAW);
    }

    std::printf("%u raw sectors a read, %u seeds a cell; comparison window W = OV x 1176 bytes\n\n", sectors, seeds);
    std::printf("| J (bytes) |");
    for (uint8_t overlap : OVERLAPS)
        std::printf(" OV %u (W %u) |", overlap, overlap * RAW / 2);
    bool goalMet = true;
    std::printf("\n|---|");
    for (size_t i = 0; i < std::size(OVERLAPS); ++i)
        std::printf("---|");
    std::printf("\n");

    bool anyFailed = false;
    for (uint32_t jitter : JITTERS) {
        std::printf("| %u |", jitter);
        for (uint8_t overlap : OVERLAPS) {
            CellResult cell;
            for (uint32_t seed = 1; seed <= seeds; ++seed)
                RunOnce(sectors, jitter, overlap, seed, disc, &cell);
            const bool withinWindow = jitter <= overlap * RAW / 2;
            if (withinWindow)
                std::printf(" %s |", Cell(cell).c_str());
            else
                std::printf(" (%s) |", Cell(cell).c_str());
            std::fflush(stdout);
            anyFailed = anyFailed || cell.readFailed;
            goalMet = goalMet && (!withinWindow || cell.identicalRuns == cell.runs);
        }
        std::printf("\n");
    }
    std::printf("\nA cell: the share of reads placed at the drive's true shift (of those placed by comparison: all\n"
                "but the first of each read), reads reported not synchronised (such a block is read again), runs\n"
                "whose result is identical to the disc, and runs that differ only because their final block was\n"
                "read early and the unread end of the range became zeros. Cells in parentheses lie beyond the\n"
                "window.\n");
    std::printf("\nevery run identical to the disc in every cell with J <= W: %s\n", goalMet ? "yes" : "NO");
    if (anyFailed)
        return 1;
    return goalMet ? 0 : 2;
}
