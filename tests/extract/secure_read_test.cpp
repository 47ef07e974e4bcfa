// The secure reading engine against the simulated drive, through the real device layer and the
// drive's MMC commands: scratches, a cache, read offsets, C2 errors and unreadable sectors.
#include "extract/secure_read.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <numeric>

#include "extract/crc32.h"
#include "res/resource.h"
#include "support/simulated_drive.h"

namespace {

constexpr uint32_t RAW = 2352;

struct PassLog : SecureReadProgress {
    void OnPass(SecurePass pass) override { passes.push_back(pass); }
    void OnRead(uint32_t sector, uint64_t done, uint64_t total) override
    {
        sectors.push_back(sector);
        lastDone = done;
        lastTotal = total;
        if (onRead)
            onRead();
    }
    std::vector<SecurePass> passes;
    std::vector<uint32_t> sectors;
    uint64_t lastDone = 0, lastTotal = 0;
    std::function<void()> onRead;
};

struct Outcome {
    uint16_t status = 0xFFFF;
    std::vector<uint8_t> data;
    SecureReadReport report;
    PassLog log;
};

Outcome Read(char letter, uint32_t first, uint32_t last, const SecureReadOptions& options,
             const std::atomic<int32_t>* cancel = nullptr, std::function<void()> onRead = {})
{
    Outcome outcome;
    outcome.log.onRead = std::move(onRead);
    CdromDrive drive;
    EXPECT_EQ(drive.Open(letter), DRIVE_OK);
    outcome.data.assign(size_t{last - first + 1} * RAW, 0xA5);
    outcome.status =
        SecureRead(drive, first, last, outcome.data.data(), options, &outcome.log, cancel, &outcome.report);
    return outcome;
}

std::vector<uint32_t> Scratched(uint32_t from)
{
    // 20 sectors, single ones and neighbours, in the range read.
    std::vector<uint32_t> sectors;
    for (uint32_t s : {3u,   4u,   5u,   40u,  77u,  78u,  120u, 121u, 122u, 123u,
                       200u, 250u, 251u, 300u, 301u, 302u, 350u, 351u, 380u, 399u})
        sectors.push_back(from + s);
    return sectors;
}

std::vector<uint32_t> Differences(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, uint32_t first)
{
    std::vector<uint32_t> sectors;
    for (size_t s = 0; s < a.size() / RAW; ++s)
        if (std::memcmp(a.data() + s * RAW, b.data() + s * RAW, RAW) != 0)
            sectors.push_back(first + static_cast<uint32_t>(s));
    return sectors;
}

} // namespace

TEST(SecureRead, ACleanDriveIsReadTwiceAndBothChecksumsAreTheDiscs)
{
    SimulatedDrive drive('D', 1000);
    const Outcome o = Read('D', 100, 499, {});
    ASSERT_EQ(o.status, 0);
    const std::vector<uint8_t> disc = drive.DiscBytes(100, 400);
    EXPECT_EQ(o.data, disc);
    EXPECT_EQ(o.report.testCrc, Crc32(disc.data(), disc.size()));
    EXPECT_EQ(o.report.copyCrc, o.report.testCrc);
    EXPECT_EQ(o.report.reReads, 0u);
    EXPECT_TRUE(o.report.AllAgreed());
    EXPECT_FALSE(o.report.c2Used);
    EXPECT_EQ(o.report.zeroSamples, 0u);
    EXPECT_EQ(o.log.passes, (std::vector<SecurePass>{SecurePass::Test, SecurePass::Copy}));
    // Every sector read off the disc exactly once a pass.
    for (uint32_t s : {100u, 300u, 499u})
        EXPECT_EQ(drive.DiscReadsOf(s), 2u) << s;
    // Progress counts a sector of each pass: the last read of the copy pass starts at 378 of 400.
    EXPECT_EQ(o.log.sectors.front(), 100u);
    EXPECT_EQ(o.log.lastDone, 400u + 378);
    EXPECT_EQ(o.log.lastTotal, 800u);
}

TEST(SecureRead, AScratchThatMisreadsOneReadInThreeIsReadThrough)
{
    for (bool c2 : {false, true}) {
        SCOPED_TRACE(c2 ? "with C2 pointers" : "without C2 pointers");
        SimulatedDrive drive('D', 1000);
        drive.SetC2Reporting(c2);
        drive.SetScratches(Scratched(100), 3, 5);
        const Outcome o = Read('D', 100, 499, {});
        ASSERT_EQ(o.status, 0);
        EXPECT_EQ(o.data, drive.DiscBytes(100, 400));
        EXPECT_TRUE(o.report.AllAgreed());
        EXPECT_EQ(o.report.c2Used, c2);
        EXPECT_GT(o.report.reReads, 0u);
        EXPECT_EQ(o.report.copyCrc, Crc32(o.data.data(), o.data.size()));
        EXPECT_EQ(o.log.passes.back(), SecurePass::ReRead);
    }
}

TEST(SecureRead, SectorsMisreadEveryTimeAreTheOnesReportedAfterTheirReads)
{
    SimulatedDrive drive('D', 1000);
    drive.SetScratches(Scratched(100), 1, 9);
    const Outcome o = Read('D', 100, 499, {});
    ASSERT_EQ(o.status, 0);
    EXPECT_EQ(o.report.suspiciousSectors, Scratched(100));
    EXPECT_EQ(Differences(o.data, drive.DiscBytes(100, 400), 100), Scratched(100));
    for (uint32_t s : Scratched(100))
        EXPECT_EQ(drive.DiscReadsOf(s), 16u) << s;
    EXPECT_EQ(drive.DiscReadsOf(101), 2u);
    EXPECT_EQ(o.report.reReads, 20u * 14);
    EXPECT_NE(o.report.testCrc, o.report.copyCrc);

    // Fewer reads when the setting says so.
    drive.ClearLog();
    SecureReadOptions options;
    options.maxReads = 5;
    const Outcome fewer = Read('D', 100, 499, options);
    EXPECT_EQ(fewer.report.suspiciousSectors, Scratched(100));
    EXPECT_EQ(drive.DiscReadsOf(220), 5u);
}

TEST(SecureRead, ACachingDriveHidesItsErrorsUnlessTheCacheIsDefeated)
{
    SimulatedDrive drive('D', 2000);
    drive.SetCache(450); // holds the whole range once it has read it
    drive.SetScratches(Scratched(100), 1, 3);

    // Without defeat every read after the first comes from the cache: the same wrong bytes
    // twice look like a proven read. This is the fault the defeat exists for.
    SecureReadOptions options;
    options.defeatCache = false;
    const Outcome fooled = Read('D', 100, 499, options);
    EXPECT_TRUE(fooled.report.AllAgreed());
    EXPECT_EQ(Differences(fooled.data, drive.DiscBytes(100, 400), 100), Scratched(100));

    const Outcome found = Read('D', 100, 499, {});
    EXPECT_EQ(found.report.suspiciousSectors, Scratched(100));

    // And a scratch that misreads now and then is read through.
    drive.SetScratches(Scratched(100), 3, 8);
    const Outcome through = Read('D', 100, 499, {});
    EXPECT_TRUE(through.report.AllAgreed());
    EXPECT_EQ(through.data, drive.DiscBytes(100, 400));
}

TEST(SecureRead, ReadOffsetsAreCorrectedUpToTheDiscsEnds)
{
    for (int32_t offset : {6, -1164, 667}) {
        SCOPED_TRACE(offset);
        SimulatedDrive drive('D', 600);
        drive.SetReadOffset(offset);
        drive.SetOverread(true, true);
        SecureReadOptions options;
        options.readOffset = offset;
        // The middle of the disc, its first sectors and its last ones.
        for (auto [first, last] : {std::pair{100u, 299u}, std::pair{0u, 60u}, std::pair{540u, 599u}}) {
            const Outcome o = Read('D', first, last, options);
            ASSERT_EQ(o.status, 0);
            EXPECT_EQ(o.data, drive.DiscBytes(first, last - first + 1)) << first;
            EXPECT_EQ(o.report.zeroSamples, 0u);
            EXPECT_EQ(o.report.readOffset, offset);
        }
        // Without the correction the same read is off by the offset.
        EXPECT_NE(Read('D', 100, 299, {}).data, drive.DiscBytes(100, 200));

        // A drive that will not overread: the disc's first samples lie in its lead-in when the
        // correction is negative, its last ones in its lead-out when it is positive. They become
        // zeros, and are counted.
        drive.SetOverread(false, false);
        const Outcome start = Read('D', 0, 60, options);
        const Outcome end = Read('D', 540, 599, options);
        ASSERT_EQ(start.status, 0);
        ASSERT_EQ(end.status, 0);
        std::vector<uint8_t> expectedStart = drive.DiscBytes(0, 61);
        std::vector<uint8_t> expectedEnd = drive.DiscBytes(540, 60);
        const size_t lost = 4 * size_t(std::abs(offset));
        if (offset < 0)
            std::fill_n(expectedStart.begin(), lost, 0);
        else
            std::fill_n(expectedEnd.end() - static_cast<std::ptrdiff_t>(lost), lost, 0);
        EXPECT_EQ(start.data, expectedStart);
        EXPECT_EQ(end.data, expectedEnd);
        EXPECT_EQ(start.report.zeroSamples, offset < 0 ? uint64_t(-offset) : 0u);
        EXPECT_EQ(end.report.zeroSamples, offset > 0 ? uint64_t(offset) : 0u);
        EXPECT_TRUE(start.report.AllAgreed() && end.report.AllAgreed());
    }
}

TEST(SecureRead, C2ErrorsRevealDamageThatReadsTheSameEveryTime)
{
    SimulatedDrive drive('D', 1000);
    const std::vector<uint32_t> damaged = {150, 151, 260, 261, 400};
    drive.SetDamage(damaged);

    // Without pointers both passes agree on the wrong bytes: nothing can tell.
    const Outcome blind = Read('D', 100, 499, {});
    EXPECT_TRUE(blind.report.AllAgreed());
    EXPECT_FALSE(blind.report.c2Used);
    EXPECT_EQ(Differences(blind.data, drive.DiscBytes(100, 400), 100), damaged);

    drive.SetC2Reporting(true);
    const Outcome seen = Read('D', 100, 499, {});
    EXPECT_TRUE(seen.report.c2Used);
    EXPECT_EQ(seen.report.suspiciousSectors, damaged);
    // The same bytes came every time, so the test and copy checksums agree all the same.
    EXPECT_EQ(seen.report.testCrc, seen.report.copyCrc);

    // Asked not to use them, the engine reads as a drive without them.
    SecureReadOptions options;
    options.useC2 = false;
    EXPECT_TRUE(Read('D', 100, 499, options).report.AllAgreed());
}

TEST(SecureRead, UnreadableSectorsBecomeSuspiciousZerosAndANoDiscFails)
{
    SimulatedDrive drive('D', 1000);
    drive.SetUnreadable({205, 330});
    const Outcome o = Read('D', 100, 499, {});
    ASSERT_EQ(o.status, 0);
    EXPECT_EQ(o.report.suspiciousSectors, (std::vector<uint32_t>{205, 330}));
    std::vector<uint8_t> expected = drive.DiscBytes(100, 400);
    std::fill_n(expected.begin() + 105 * RAW, RAW, 0);
    std::fill_n(expected.begin() + 230 * RAW, RAW, 0);
    EXPECT_EQ(o.data, expected);

    // Nothing readable at all: the drive's error, as for any read.
    std::vector<uint32_t> all(100);
    std::iota(all.begin(), all.end(), 0);
    drive.SetUnreadable(all);
    EXPECT_EQ(Read('D', 0, 99, {}).status, DRIVE_ERROR_READ_FAULT);
}

TEST(SecureRead, ACancelIsSeenBeforeTheNextRead)
{
    SimulatedDrive drive('D', 1000);
    std::atomic<int32_t> cancel{0};
    int reads = 0;
    const Outcome o = Read('D', 0, 499, {}, &cancel, [&] {
        if (++reads == 25) // in the copy pass
            cancel = 1;
    });
    EXPECT_EQ(o.status, res::READ_CANCELLED);
    EXPECT_EQ(o.log.passes.back(), SecurePass::Copy);
    EXPECT_EQ(reads, 25);
}
