#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "extract/read_sectors_thread.h"
#include "res/resource.h"
#include "support/jitter_drive.h"
#include "support/read_run.h"
#include "support/scripted_drive.h"
#include "support/simulated_drive.h"

using res::READ_CANCELLED;
using res::READ_NO_BUFFER_MEMORY;
using res::READ_NO_DOCUMENT_MEMORY;
using res::SYNC_FAILED;
using res::WM_READ_DONE;
using res::WM_READ_PERCENT;
using res::WM_READ_POSITION;
using res::WM_READ_SYNC;
using res::WM_READ_TIMELEFT;

namespace {

constexpr uint32_t RAW = 2352;

struct Block {
    uint32_t first;
    uint32_t count;
    bool operator==(const Block&) const = default;
};

std::vector<Block> BlocksRead(const ScriptedDrive& drive)
{
    std::vector<Block> blocks;
    for (const ScriptedDrive::Request& r : drive.Requests())
        if (r.kind != ScriptedDrive::Request::Kind::CheckVerify)
            blocks.push_back({r.firstSector, r.count});
    return blocks;
}

uintptr_t Shift(int32_t d) { return static_cast<uintptr_t>(static_cast<intptr_t>(d)); }

std::vector<uintptr_t> Shifts(std::initializer_list<int32_t> values)
{
    std::vector<uintptr_t> shifts;
    for (int32_t v : values)
        shifts.push_back(Shift(v));
    return shifts;
}

} // namespace

TEST(ReadSectorsThread, OverlappedRawReadStepsBackByTheOverlapAndReportsEachBlock)
{
    ScriptedDrive drive('D', 1000);
    const ReadOptions settings{'D', true, 2};
    ScriptedWorkerEnvironment environment;
    environment.secondsPerCall = 10;
    ReadRun run;
    run.Run(10, 109, READ_MODE_RAW, settings);

    // N = 100, P = 25: full blocks at offsets 0, 25, 50, a final block of 25 at 75.
    EXPECT_EQ(BlocksRead(drive), (std::vector<Block>{{10, 27}, {35, 27}, {60, 27}, {85, 25}}));
    // Time left = elapsed x left / done: 10 x 74 / 25, 20 x 49 / 50, 30 x 24 / 75.
    const std::vector<ReadMessage> expected = {{WM_READ_POSITION, 10}, {WM_READ_PERCENT, 0},   {WM_READ_POSITION, 35},
                                               {WM_READ_TIMELEFT, 29}, {WM_READ_PERCENT, 25},  {WM_READ_SYNC, 0},
                                               {WM_READ_POSITION, 60}, {WM_READ_TIMELEFT, 19}, {WM_READ_PERCENT, 50},
                                               {WM_READ_SYNC, 0},      {WM_READ_POSITION, 85}, {WM_READ_TIMELEFT, 9},
                                               {WM_READ_PERCENT, 75},  {WM_READ_SYNC, 0},      {WM_READ_DONE, 0}};
    EXPECT_EQ(run.window.messages, expected);
    EXPECT_EQ(run.exitCode, READ_EXIT_OK);

    const CRipwellDoc& doc = run.document;
    ASSERT_NE(doc.m_pBlock, nullptr);
    EXPECT_EQ(doc.m_pHeader, doc.m_pBlock);
    EXPECT_EQ(doc.m_pData, doc.m_pBlock + 44);
    EXPECT_EQ(doc.m_nDataLength, 100u * RAW);
    EXPECT_TRUE(doc.m_bIsSound);
    EXPECT_EQ(doc.m_nWaveFormat, WAVE_FORMAT_44100_16_STEREO);
    EXPECT_EQ(std::memcmp(doc.m_pHeader, "RIFF", 4), 0);
    uint32_t dataSize = 0;
    std::memcpy(&dataSize, doc.m_pHeader + 40, 4);
    EXPECT_EQ(dataSize, 100u * RAW);
    EXPECT_EQ(run.Data(), drive.RawBytes(10, 100));
}

TEST(ReadSectorsThread, PlainReadsGoBlockAfterBlockWithoutSynchronisation)
{
    ScriptedDrive drive('D', 1000);
    const ReadOptions settings{'D', false, 2};
    {
        ReadRun run;
        run.Run(10, 109, READ_MODE_RAW, settings);
        EXPECT_EQ(BlocksRead(drive), (std::vector<Block>{{10, 27}, {37, 27}, {64, 27}, {91, 19}}));
        EXPECT_TRUE(run.window.ValuesOf(WM_READ_SYNC).empty());
        EXPECT_EQ(run.window.ValuesOf(WM_READ_PERCENT), (std::vector<uintptr_t>{0, 27, 54, 81}));
        EXPECT_EQ(run.Data(), drive.RawBytes(10, 100));
    }
    drive.ClearLog();
    {
        ReadRun run;
        run.Run(16, 115, READ_MODE_COOKED, settings);
        EXPECT_EQ(BlocksRead(drive), (std::vector<Block>{{16, 32}, {48, 32}, {80, 32}, {112, 4}}));
        EXPECT_EQ(run.Data(), drive.CookedBytes(16, 100));
        EXPECT_FALSE(run.document.m_bIsSound);
        // The wave header is written for data sectors too.
        EXPECT_EQ(std::memcmp(run.document.m_pHeader, "RIFF", 4), 0);
    }
    drive.ClearLog();
    {
        // Exactly one block: one full block, no final block.
        ReadRun run;
        run.Run(0, 26, READ_MODE_RAW, settings);
        EXPECT_EQ(BlocksRead(drive), (std::vector<Block>{{0, 27}}));
        EXPECT_EQ(run.window.messages,
                  (std::vector<ReadMessage>{{WM_READ_POSITION, 0}, {WM_READ_PERCENT, 0}, {WM_READ_DONE, 0}}));
    }
}

TEST(ReadSectorsThread, ARangeThatFitsOneBlockIsOneSilentRequest)
{
    ScriptedDrive drive('D', 1000);
    struct Case {
        bool jitter;
        ReadMode mode;
        uint32_t first, last;
    };
    for (const Case& c : {Case{true, READ_MODE_RAW, 5, 31}, Case{false, READ_MODE_RAW, 5, 30},
                          Case{true, READ_MODE_COOKED, 5, 36}, Case{false, READ_MODE_RAW, 7, 7}}) {
        SCOPED_TRACE(c.last - c.first + 1);
        drive.ClearLog();
        const ReadOptions settings{'D', c.jitter, 2};
        ReadRun run;
        run.Run(c.first, c.last, c.mode, settings);
        const uint32_t count = c.last - c.first + 1;
        EXPECT_EQ(BlocksRead(drive), (std::vector<Block>{{c.first, count}}));
        EXPECT_EQ(run.window.messages, (std::vector<ReadMessage>{{WM_READ_DONE, 0}}));
        EXPECT_EQ(run.Data(),
                  c.mode == READ_MODE_RAW ? drive.RawBytes(c.first, count) : drive.CookedBytes(c.first, count));
    }
}

TEST(ReadSectorsThread, JitterWithinTheWindowGivesTheDiscByteForByte)
{
    {
        JitterDrive drive('D', 1000);
        const ReadOptions settings{'D', true, 2}; // W = 2352 bytes
        drive.SetShifts({0, 8, -12, 2340});
        ReadRun run;
        run.Run(10, 109, READ_MODE_RAW, settings);
        EXPECT_EQ(run.window.ValuesOf(WM_READ_SYNC), Shifts({8, -12, 2340}));
        EXPECT_EQ(run.Data(), drive.Disc(10, 100, READ_MODE_RAW));
    }
    {
        // Cooked: B = 32, P = 30; four full blocks and a final block of 30 sectors.
        JitterDrive drive('D', 1000);
        const ReadOptions settings{'D', true, 2}; // W = 2048 bytes
        drive.SetShifts({0, -2048, 0, 1001, 7});
        ReadRun run;
        run.Run(16, 165, READ_MODE_COOKED, settings);
        EXPECT_EQ(drive.ReadStarts(), (std::vector<uint32_t>{16, 46, 76, 106, 136}));
        EXPECT_EQ(run.window.ValuesOf(WM_READ_SYNC), Shifts({-2048, 0, 1001, 7}));
        EXPECT_EQ(run.Data(), drive.Disc(16, 150, READ_MODE_COOKED));
    }
    {
        // Random jitter of up to 588 bytes with an overlap of 4 sectors (W = 4704).
        JitterDrive drive('D', 3000);
        const ReadOptions settings{'D', true, 4};
        drive.SetRandomJitter(588, 11, true);
        ReadRun run;
        run.Run(0, 2499, READ_MODE_RAW, settings);
        const std::vector<int32_t> applied = drive.AppliedShifts();
        const std::vector<uintptr_t> reported = run.window.ValuesOf(WM_READ_SYNC);
        ASSERT_EQ(reported.size() + 1, applied.size());
        for (size_t i = 0; i < reported.size(); ++i)
            EXPECT_EQ(reported[i], Shift(applied[i + 1])) << "block " << i + 2;
        EXPECT_EQ(run.Data(), drive.Disc(0, 2500, READ_MODE_RAW));
    }
}

TEST(ReadSectorsThread, AFinalBlockReadEarlyIsFollowedByReadsOfTheEnd)
{
    const ReadOptions settings{'D', true, 2}; // W = 2352 bytes
    {
        // The end is read again from 1.5 overlaps before it, with a sector beyond the range.
        JitterDrive drive('D', 1000);
        drive.SetShifts({0, 0, 0, -20});
        ReadRun run;
        run.Run(10, 109, READ_MODE_RAW, settings);
        EXPECT_EQ(run.window.ValuesOf(WM_READ_SYNC), Shifts({0, 0, -20, 0}));
        EXPECT_EQ(drive.ReadStarts(), (std::vector<uint32_t>{10, 35, 60, 85, 107}));
        ASSERT_EQ(run.document.m_nDataLength, 100u * RAW);
        EXPECT_EQ(run.Data(), drive.Disc(10, 100, READ_MODE_RAW));
    }
    {
        // The range ends with the disc: without the sector beyond, reads come until one covers the
        // end (this one comes early too, and brings part of what is missing).
        JitterDrive drive('D', 110);
        drive.SetShifts({0, 0, 0, -2000, -8, 4});
        ReadRun run;
        run.Run(10, 109, READ_MODE_RAW, settings);
        EXPECT_EQ(run.window.FinalStatus(), 0);
        EXPECT_EQ(run.window.ValuesOf(WM_READ_SYNC), Shifts({0, 0, -2000, -8, 4}));
        EXPECT_EQ(run.Data(), drive.Disc(10, 100, READ_MODE_RAW));
    }
    {
        // A drive whose every read of the end comes early: after its reads the rest stays zero.
        JitterDrive drive('D', 110);
        std::vector<int32_t> shifts = {0, 0, 0};
        shifts.insert(shifts.end(), 9, -20);
        drive.SetShifts(shifts);
        ReadRun run;
        run.Run(10, 109, READ_MODE_RAW, settings);
        EXPECT_EQ(run.window.ValuesOf(WM_READ_SYNC).size(), 3u + 8);
        std::vector<uint8_t> expected = drive.Disc(10, 100, READ_MODE_RAW);
        std::fill(expected.end() - 20, expected.end(), 0);
        EXPECT_EQ(run.Data(), expected);
    }
}

TEST(ReadSectorsThread, ABlockThatMatchesNowhereIsReadAgainThenPlacedWithoutShift)
{
    const ReadOptions settings{'D', true, 2};
    {
        // Block 2 lies 2356 bytes off, outside +-2352: reported, read again, and in place.
        JitterDrive drive('D', 1000);
        drive.SetShifts({0, 2356, 0, 0});
        ReadRun run;
        run.Run(0, 99, READ_MODE_RAW, settings);
        EXPECT_EQ(run.window.ValuesOf(WM_READ_SYNC), Shifts({SYNC_FAILED, 0, 0, 0}));
        EXPECT_EQ(drive.ReadStarts(), (std::vector<uint32_t>{0, 25, 25, 50, 75}));
        EXPECT_EQ(run.Data(), drive.Disc(0, 100, READ_MODE_RAW));
    }
    {
        // Off every time it is read: after 16 reads it is placed without shift. Block 3 then finds
        // block 2's bytes at its anchor and fails as often; the final block matches block 3 again.
        JitterDrive drive('D', 1000);
        std::vector<int32_t> shifts = {0};
        shifts.insert(shifts.end(), 16, 2356);
        drive.SetShifts(shifts);
        ReadRun run;
        run.Run(0, 99, READ_MODE_RAW, settings);
        std::vector<uintptr_t> expected(32, Shift(SYNC_FAILED));
        expected.push_back(0);
        EXPECT_EQ(run.window.ValuesOf(WM_READ_SYNC), expected);
        EXPECT_EQ(run.window.FinalStatus(), 0);
        const std::vector<uint8_t> disc = drive.Disc(0, 100, READ_MODE_RAW);
        const std::vector<uint8_t> data = run.Data();
        ASSERT_EQ(data.size(), disc.size());
        EXPECT_TRUE(std::equal(data.begin() + 25 * RAW, data.begin() + 50 * RAW, disc.begin() + 25 * RAW + 2356));
        EXPECT_TRUE(std::equal(data.begin() + 50 * RAW, data.end(), disc.begin() + 50 * RAW));
    }
    {
        // A drive beyond the window on every block: after three blocks that never matched, the
        // rest are placed after one read each. 200 sectors: six blocks and the final one compared.
        JitterDrive drive('D', 1000);
        std::vector<int32_t> shifts = {0};
        for (int32_t block : {2356, -2356, 2356})
            shifts.insert(shifts.end(), 16, block);
        shifts.insert(shifts.end(), {-2356, 2356, -2356, 2356});
        drive.SetShifts(shifts);
        ReadRun run;
        run.Run(0, 199, READ_MODE_RAW, settings);
        EXPECT_EQ(run.window.ValuesOf(WM_READ_SYNC), std::vector<uintptr_t>(52, Shift(SYNC_FAILED)));
        EXPECT_EQ(drive.ReadStarts().size(), 53u);
        EXPECT_EQ(run.window.FinalStatus(), 0);
    }
}

TEST(ReadSectorsThread, NoOverlapPlacesEveryBlockInPlace)
{
    ScriptedDrive drive('D', 1000);
    const ReadOptions settings{'D', true, 0};
    ReadRun run;
    run.Run(0, 80, READ_MODE_RAW, settings); // R = 54 = 2 x 27: three full blocks, F = 0
    EXPECT_EQ(BlocksRead(drive), (std::vector<Block>{{0, 27}, {27, 27}, {54, 27}}));
    EXPECT_EQ(run.window.ValuesOf(WM_READ_SYNC), Shifts({0, 0}));
    EXPECT_EQ(run.Data(), drive.RawBytes(0, 81));
}

TEST(ReadSectorsThread, AnOverlapTooLargeForTheBlockEndsWith27)
{
    ScriptedDrive drive('D', 1000);
    for (uint8_t overlap : {19, 20}) {
        const ReadOptions settings{'D', true, overlap};
        ReadRun run;
        run.Run(0, 199, READ_MODE_RAW, settings);
        EXPECT_EQ(run.window.messages, (std::vector<ReadMessage>{{WM_READ_DONE, 27}}));
        EXPECT_EQ(run.exitCode, READ_EXIT_BUFFER_TOO_LARGE);
        EXPECT_TRUE(run.DocumentIsEmpty());
    }
    EXPECT_TRUE(drive.Requests().empty());
    {
        const ReadOptions settings{'D', true, 18}; // the largest raw overlap
        ReadRun run;
        run.Run(0, 199, READ_MODE_RAW, settings);
        EXPECT_EQ(run.window.FinalStatus(), 0);
        EXPECT_EQ(run.Data(), drive.RawBytes(0, 200));
    }
    {
        const ReadOptions settings{'D', true, 20}; // fits a cooked block
        ReadRun run;
        run.Run(0, 199, READ_MODE_COOKED, settings);
        EXPECT_EQ(run.window.FinalStatus(), 0);
        EXPECT_EQ(run.Data(), drive.CookedBytes(0, 200));
    }
}

TEST(ReadSectorsThread, CancelAtAnyPointDiscardsEverything)
{
    ScriptedDrive drive('D', 1000);
    const ReadOptions settings{'D', true, 2};
    size_t messagesBeforeDone = 0;
    {
        ReadRun run;
        run.Run(0, 99, READ_MODE_RAW, settings);
        messagesBeforeDone = run.window.messages.size() - 1;
    }
    for (size_t point = 0; point < messagesBeforeDone; ++point) {
        SCOPED_TRACE(point);
        ReadRun run;
        run.window.onMessage = [&run, point](size_t index, const ReadMessage&) {
            if (index == point)
                run.cancelFlag = 1;
        };
        run.Run(0, 99, READ_MODE_RAW, settings);
        EXPECT_EQ(run.window.FinalStatus(), READ_CANCELLED);
        EXPECT_EQ(run.exitCode, READ_EXIT_CANCELLED);
        EXPECT_TRUE(run.DocumentIsEmpty());
    }
    {
        // Raised before the start: not one block is read.
        drive.ClearLog();
        ReadRun run;
        run.cancelFlag = 1;
        run.Run(0, 99, READ_MODE_RAW, settings);
        EXPECT_TRUE(BlocksRead(drive).empty());
        EXPECT_EQ(run.window.messages, (std::vector<ReadMessage>{{WM_READ_DONE, READ_CANCELLED}}));
    }
    {
        // A one-request read still sees the flag at its end.
        ReadRun run;
        run.cancelFlag = 1;
        run.Run(0, 9, READ_MODE_RAW, settings);
        EXPECT_EQ(run.window.FinalStatus(), READ_CANCELLED);
        EXPECT_TRUE(run.DocumentIsEmpty());
    }
}

TEST(ReadSectorsThread, CancelDuringTheFinalReadStillDiscardsTheResult)
{
    JitterDrive drive('D', 1000);
    const ReadOptions settings{'D', true, 2};
    ReadRun run;
    drive.SetReadHook([&run](int read) {
        if (read == 3)
            run.cancelFlag = 1;
    });
    run.Run(0, 99, READ_MODE_RAW, settings);
    EXPECT_EQ(drive.ReadStarts().size(), 4u);
    EXPECT_EQ(run.window.FinalStatus(), READ_CANCELLED);
    EXPECT_TRUE(run.DocumentIsEmpty());
}

TEST(ReadSectorsThread, NoMemoryForTheBuffersEndsBeforeAnyRead)
{
    ScriptedDrive drive('D', 1000);
    const ReadOptions settings{'D', true, 2};
    ScriptedWorkerEnvironment environment;
    {
        environment.refusedSize = 100 * RAW + 44;
        ReadRun run;
        run.Run(0, 99, READ_MODE_RAW, settings);
        EXPECT_EQ(run.window.messages, (std::vector<ReadMessage>{{WM_READ_DONE, READ_NO_DOCUMENT_MEMORY}}));
        EXPECT_EQ(run.exitCode, READ_EXIT_NO_MEMORY);
        EXPECT_TRUE(run.DocumentIsEmpty());
    }
    {
        environment.refusedSize = 27 * RAW;
        ReadRun run;
        run.Run(0, 99, READ_MODE_RAW, settings);
        EXPECT_EQ(run.window.messages, (std::vector<ReadMessage>{{WM_READ_DONE, READ_NO_BUFFER_MEMORY}}));
        EXPECT_EQ(run.exitCode, READ_EXIT_NO_MEMORY);
        EXPECT_TRUE(run.DocumentIsEmpty());
    }
    {
        // A range whose bytes do not fit the document's 32-bit length is refused the same way.
        ReadRun run;
        run.Run(0, 2000000, READ_MODE_RAW, settings);
        EXPECT_EQ(run.window.FinalStatus(), READ_NO_DOCUMENT_MEMORY);
    }
    EXPECT_TRUE(drive.Requests().empty());
}

TEST(ReadSectorsThread, DriveFailuresEndTheReadWithTheirCode)
{
    struct Case {
        const char* name;
        std::function<void(ScriptedDrive&)> script;
        DriveError status;
        DriveError overlappedStatus;
    };
    // With overlap, a block shrunk below one and a half overlaps (3 sectors for an overlap of 2)
    // ends the read with 27 before the block reaches a single sector.
    const std::vector<Case> cases = {
        {"device cannot be opened", [](ScriptedDrive& d) { d.FailOpen(); }, 2, 2},
        {"read refused in a later block", [](ScriptedDrive& d) { d.FailReadAt(40); }, 18, 18},
        {"read refused in the final block", [](ScriptedDrive& d) { d.FailReadAt(99); }, 18, 18},
        {"never any transfer memory", [](ScriptedDrive& d) { d.RefuseMemoryForFirst(1000); }, 5, 27},
    };
    for (const bool jitter : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (jitter ? ", overlapped" : ", plain"));
            ScriptedDrive drive('D', 1000);
            c.script(drive);
            const ReadOptions settings{'D', jitter, 2};
            ReadRun run;
            run.Run(0, 99, READ_MODE_RAW, settings);
            const DriveError status = jitter ? c.overlappedStatus : c.status;
            EXPECT_EQ(run.window.FinalStatus(), status);
            EXPECT_EQ(run.exitCode, status == 27 ? READ_EXIT_BUFFER_TOO_LARGE : READ_EXIT_DRIVE_ERROR);
            EXPECT_TRUE(run.DocumentIsEmpty());
        }
    }
    {
        // The block shrank one sector at a time down to a single sector before giving up.
        ScriptedDrive drive('D', 1000);
        drive.RefuseMemoryForFirst(1000);
        const ReadOptions settings{'D', false, 2};
        ReadRun run;
        run.Run(0, 99, READ_MODE_RAW, settings);
        EXPECT_EQ(drive.TransferBlocks(), 27);
    }
    {
        // A shortage after the first block is not retried.
        JitterDrive drive('D', 1000);
        drive.RefuseMemoryAt(1);
        const ReadOptions settings{'D', true, 2};
        ReadRun run;
        run.Run(0, 99, READ_MODE_RAW, settings);
        EXPECT_EQ(run.window.FinalStatus(), 5);
        EXPECT_EQ(drive.ReadStarts().size(), 1u);
    }
}

TEST(ReadSectorsThread, AShortageOfTransferMemoryShrinksTheBlock)
{
    ScriptedDrive drive('D', 1000);
    drive.RefuseMemoryAbove(20);
    {
        const ReadOptions settings{'D', false, 2};
        ReadRun run;
        run.Run(0, 99, READ_MODE_RAW, settings);
        EXPECT_EQ(BlocksRead(drive), (std::vector<Block>{{0, 20}, {20, 20}, {40, 20}, {60, 20}, {80, 20}}));
        EXPECT_EQ(run.window.FinalStatus(), 0);
        EXPECT_EQ(run.Data(), drive.RawBytes(0, 100));
    }
    drive.ClearLog();
    {
        // B = 20, P = 18, R = 80: five full blocks and a final block of 10 at 90.
        const ReadOptions settings{'D', true, 2};
        ReadRun run;
        run.Run(0, 99, READ_MODE_RAW, settings);
        EXPECT_EQ(BlocksRead(drive), (std::vector<Block>{{0, 20}, {18, 20}, {36, 20}, {54, 20}, {72, 20}, {90, 10}}));
        EXPECT_EQ(run.Data(), drive.RawBytes(0, 100));
    }
    drive.ClearLog();
    {
        // A range that fits one block shrinks too, until the block is smaller than the range.
        const ReadOptions settings{'D', false, 2};
        ReadRun run;
        run.Run(0, 24, READ_MODE_RAW, settings);
        EXPECT_EQ(BlocksRead(drive), (std::vector<Block>{{0, 20}, {20, 5}}));
        EXPECT_EQ(run.Data(), drive.RawBytes(0, 25));
    }
}

TEST(ReadSectorsThread, TimeLeftDoesNotWrapAfterHoursOfReading)
{
    ScriptedDrive drive('D', 1000);
    const ReadOptions settings{'D', false, 2};
    ScriptedWorkerEnvironment environment;
    environment.secondsPerCall = 10000000;
    ReadRun run;
    run.Run(0, 999, READ_MODE_RAW, settings);
    const std::vector<uintptr_t> timeLeft = run.window.ValuesOf(WM_READ_TIMELEFT);
    ASSERT_FALSE(timeLeft.empty());
    // 10000000 s x 972 sectors left / 27 done; in 32 bits the product would wrap.
    EXPECT_EQ(timeLeft.front(), 360000000u);
}

namespace {

// Hands each drive letter's requests to its own drive, so that two drives serve at once.
class TwoDrives : public platform::CdromDeviceService {
public:
    TwoDrives(ScriptedDrive& d, ScriptedDrive& e) : m_d(d), m_e(e) { platform::SetCdromDeviceService(this); }
    ~TwoDrives() override { platform::SetCdromDeviceService(nullptr); }
    std::unique_ptr<platform::CdromDevice> Open(const std::string& devicePath, uint32_t* error) override
    {
        ScriptedDrive& drive = platform::DriveLetterOfDevicePath(devicePath) == 'E' ? m_e : m_d;
        return drive.Open(devicePath, error);
    }

private:
    ScriptedDrive& m_d;
    ScriptedDrive& m_e;
};

} // namespace

TEST(ReadSectorsThread, TwoReadsAtOnceEachTakeTheirOwnDriveAndOverlap)
{
    ScriptedDrive d('D', 2000);
    ScriptedDrive e('E', 2000);
    e.SetContent(d.RawBytes(1000, 1000)); // E's disc differs from D's everywhere
    d.SetDelay(std::chrono::milliseconds(1));
    e.SetDelay(std::chrono::milliseconds(1));
    TwoDrives drives(d, e);

    ReadRun onD;
    ReadRun onE;
    std::thread first([&] { onD.Run(0, 299, READ_MODE_RAW, ReadOptions{'D', true, 2}); });
    std::thread second([&] { onE.Run(0, 299, READ_MODE_RAW, ReadOptions{'E', true, 7}); });
    first.join();
    second.join();

    EXPECT_EQ(onD.window.FinalStatus(), 0);
    EXPECT_EQ(onE.window.FinalStatus(), 0);
    EXPECT_EQ(onD.Data(), d.RawBytes(0, 300));
    EXPECT_EQ(onE.Data(), e.RawBytes(0, 300));
    // Each read stepped by its own overlap: 27 - 2 and 27 - 7 sectors.
    const std::vector<Block> blocksD = BlocksRead(d);
    const std::vector<Block> blocksE = BlocksRead(e);
    ASSERT_GE(blocksD.size(), 2u);
    ASSERT_GE(blocksE.size(), 2u);
    EXPECT_EQ(blocksD[1].first - blocksD[0].first, 25u);
    EXPECT_EQ(blocksE[1].first - blocksE[0].first, 20u);
}

TEST(ReadSectorsThread, SecureModeReadsInPassesAndReportsBeforeTheEnd)
{
    SimulatedDrive drive('D', 1000);
    drive.SetScratches({150, 151}, 1, 4);
    ReadOptions options{'D', true, 2}; // jitter correction takes no part in a secure read
    options.secureMode = true;
    ScriptedWorkerEnvironment environment;
    environment.secondsPerCall = 1;
    ReadRun run;
    SecureReadReport report;
    run.window.onMessage = [&report](size_t, const ReadMessage& m) {
        if (m.message == res::WM_READ_REPORT)
            report = *reinterpret_cast<const SecureReadReport*>(m.wParam);
    };
    run.Run(100, 199, READ_MODE_RAW, options);

    ASSERT_EQ(run.window.FinalStatus(), 0);
    const std::vector<ReadMessage>& messages = run.window.messages;
    EXPECT_EQ(messages.front(), (ReadMessage{res::WM_READ_PASS, res::READ_PASS_TEST}));
    EXPECT_EQ(messages[messages.size() - 2].message, res::WM_READ_REPORT);
    EXPECT_EQ(run.window.ValuesOf(res::WM_READ_PASS),
              (std::vector<uintptr_t>{res::READ_PASS_TEST, res::READ_PASS_COPY, res::READ_PASS_REREAD}));
    EXPECT_TRUE(run.window.ValuesOf(WM_READ_SYNC).empty());
    // Position, time and percentage over both passes (4 reads a pass: 27, 27, 27 and 19 sectors),
    // then 100 for each of the 14 rounds that re-read the two neighbours together.
    std::vector<uintptr_t> percent = {0, 13, 27, 40, 50, 63, 77, 90};
    percent.insert(percent.end(), 14, 100);
    EXPECT_EQ(run.window.ValuesOf(WM_READ_PERCENT), percent);
    EXPECT_EQ(run.window.ValuesOf(WM_READ_POSITION).front(), 100u);
    EXPECT_FALSE(run.window.ValuesOf(WM_READ_TIMELEFT).empty());

    EXPECT_EQ(report.suspiciousSectors, (std::vector<uint32_t>{150, 151}));
    std::vector<uint8_t> data = run.Data();
    const std::vector<uint8_t> disc = drive.DiscBytes(100, 100);
    ASSERT_EQ(data.size(), disc.size());
    EXPECT_EQ(std::memcmp(data.data(), disc.data(), 50 * RAW), 0);
    EXPECT_EQ(std::memcmp(data.data() + 52 * RAW, disc.data() + 52 * RAW, 48 * RAW), 0);
    EXPECT_TRUE(run.document.m_bIsSound);

    // Cooked reads are made as before; a drive that is not there ends the read.
    {
        ReadRun cooked;
        ScriptedDrive scripted('E', 500);
        options.drive = 'E';
        cooked.Run(16, 99, READ_MODE_COOKED, options);
        EXPECT_TRUE(cooked.window.ValuesOf(res::WM_READ_PASS).empty());
        EXPECT_EQ(cooked.Data(), scripted.CookedBytes(16, 84));
    }
    ReadRun missing;
    options.drive = 'Q';
    missing.Run(0, 99, READ_MODE_RAW, options);
    EXPECT_EQ(missing.window.FinalStatus(), DRIVE_ERROR_INVALID_DRIVE);
    EXPECT_TRUE(missing.DocumentIsEmpty());
}
