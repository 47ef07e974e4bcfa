// Disc images written by mkdisc in every layout, read back through the disc layer and through
// the device reads of a virtual drive: every reader must give the bytes the plan says.
#include "platform/cdrom/disc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cdrom/address.h"
#include "cdrom/device_reads.h"
#include "support/scoped_environment.h"
#include "support/scripted_drive.h"
#include "support/disc_builder.h"
#include "support/temp_dir.h"

namespace {

using platform::cdrom::Disc;
using platform::cdrom::OpenDisc;
using platform::cdrom::SourceKind;

constexpr uint32_t RAW = mkdisc::RAW_SECTOR_SIZE;
constexpr uint32_t COOKED = mkdisc::COOKED_SECTOR_SIZE;
constexpr uint8_t UNTOUCHED = 0xA5;
const char* const CATALOG = "4006381333931";

const char* TestName(mkdisc::Layout layout)
{
    switch (layout) {
    case mkdisc::Layout::SingleBin: return "SingleBin";
    case mkdisc::Layout::BinPerTrack: return "BinPerTrack";
    case mkdisc::Layout::WavePerTrack: return "WavePerTrack";
    case mkdisc::Layout::FlacPerTrack: return "FlacPerTrack";
    case mkdisc::Layout::CdrdaoToc: return "CdrdaoToc";
    case mkdisc::Layout::CdrdaoTocPerTrack: return "CdrdaoTocPerTrack";
    case mkdisc::Layout::Nero: return "Nero";
    }
    return "unknown";
}

// Three counter tracks with pregaps on tracks 2 and 3, then a data track with an ISO volume.
// The sector counts are not multiples of 27, so block reads end at odd places.
class DiscImageContract : public testing::TestWithParam<mkdisc::Layout> {
protected:
    static void SetUpTestSuite() { s_folder = new TempDir; }
    static void TearDownTestSuite()
    {
        s_built.clear();
        delete s_folder;
        s_folder = nullptr;
    }

    void SetUp() override
    {
        auto built = s_built.find(GetParam());
        if (built == s_built.end()) {
            ASSERT_NO_FATAL_FAILURE(Build());
            built = s_built.find(GetParam());
        }
        m_built = built->second;
        std::string reason;
        m_disc = OpenDisc(m_built.sheet, SourceKind::ImageFile, &reason);
        ASSERT_TRUE(m_disc) << reason;
    }

    // Each layout is written once for all the tests of the suite.
    void Build()
    {
        mkdisc::DiscPlan plan = AudioDiscPlan({301, 257, 190}, mkdisc::AudioContent::Counter, {75, 33});
        plan.catalog = CATALOG;
        std::string reason;
        const std::string folder = s_folder->file(TestName(GetParam()));
        std::filesystem::create_directories(folder);
        ASSERT_TRUE(AddDataTrack(&plan, folder,
                                 {{"README.TXT", "hello from the data track\n"}, {"BIG.DAT", std::string(70000, 'x')}},
                                 150, &reason))
            << reason;
        BuiltDisc built;
        ASSERT_TRUE(BuildDisc(plan, GetParam(), folder, "disc", &built, &reason)) << reason;
        s_built[GetParam()] = built;
    }

    uint32_t LeadOut() const { return mkdisc::DiscSectors(m_built.plan); }
    uint32_t DataStart() const { return mkdisc::TrackStart(m_built.plan, 4); }

    // Reads raw sectors through the disc and compares them with the plan.
    void ExpectRaw(uint32_t first, uint32_t count)
    {
        std::vector<uint8_t> got(size_t(count) * RAW, UNTOUCHED);
        ASSERT_TRUE(m_disc->ReadRaw(first, count, got.data())) << "sectors " << first << "+" << count;
        EXPECT_TRUE(got == m_built.Expected(first, count)) << "sectors " << first << "+" << count;
    }

    static TempDir* s_folder;
    static std::map<mkdisc::Layout, BuiltDisc> s_built;
    BuiltDisc m_built;
    std::unique_ptr<Disc> m_disc;
};

TempDir* DiscImageContract::s_folder = nullptr;
std::map<mkdisc::Layout, BuiltDisc> DiscImageContract::s_built;

TEST_P(DiscImageContract, TableOfContentsAndCatalogMatchThePlan)
{
    const platform::cdrom::TableOfContents& toc = m_disc->Toc();
    EXPECT_EQ(toc.firstTrack, 1);
    EXPECT_EQ(toc.lastTrack, 4);
    ASSERT_EQ(toc.tracks.size(), 4u);
    EXPECT_EQ(toc.leadOut, LeadOut());
    for (int n = 1; n <= 4; ++n) {
        const platform::cdrom::Track& track = toc.tracks[size_t(n - 1)];
        const uint32_t end = n < 4 ? mkdisc::TrackStart(m_built.plan, n + 1) : LeadOut();
        EXPECT_EQ(track.number, n);
        EXPECT_EQ(track.start, mkdisc::TrackStart(m_built.plan, n)) << "track " << n;
        EXPECT_EQ(track.length, end - track.start) << "track " << n;
        EXPECT_EQ(track.isAudio, n != 4) << "track " << n;
        EXPECT_EQ(track.pregap, m_built.plan.tracks[size_t(n - 1)].pregapSectors) << "track " << n;
    }
    EXPECT_EQ(toc.tracks[1].start, 301u + 75u); // INDEX 01 of track 2, after its pregap
    EXPECT_EQ(m_disc->Toc().catalog, CATALOG);
}

TEST_P(DiscImageContract, EveryRawSectorHoldsThePlannedBytes)
{
    std::vector<uint8_t> got(RAW);
    for (uint32_t sector = 0; sector < LeadOut(); ++sector) {
        ASSERT_TRUE(m_disc->ReadRaw(sector, 1, got.data())) << "sector " << sector;
        if (got != m_built.Expected(sector, 1))
            FAIL() << "sector " << sector << " differs";
    }
}

TEST_P(DiscImageContract, BlockReadsAcrossTrackBoundariesAndPregaps)
{
    // The worker's 27-sector blocks from sector 0 to the last whole block, then the short rest.
    uint32_t first = 0;
    for (; first + 27 <= LeadOut(); first += 27)
        ExpectRaw(first, 27);
    ExpectRaw(first, LeadOut() - first);
    // Reads that straddle the start of each pregap and each INDEX 01.
    for (int n = 2; n <= 4; ++n) {
        const uint32_t start = mkdisc::TrackStart(m_built.plan, n);
        const uint32_t pregapStart = start - m_built.plan.tracks[size_t(n - 1)].pregapSectors;
        ExpectRaw(pregapStart - 3, 7);
        ExpectRaw(start - 5, 11);
        ExpectRaw(pregapStart - 1, start - pregapStart + 2); // a whole pregap and one sector either side
    }
    ExpectRaw(0, LeadOut()); // the whole disc in one request
}

TEST_P(DiscImageContract, CookedReadsOfTheDataTrackGiveTheVolumeBlocks)
{
    const std::vector<uint8_t>& volume = m_built.plan.volume;
    const uint32_t blocks = uint32_t(volume.size() / COOKED);
    std::vector<uint8_t> got(size_t(32) * COOKED);
    for (uint32_t block = 0; block < blocks; block += 32) {
        const uint32_t count = std::min<uint32_t>(32, blocks - block);
        ASSERT_TRUE(m_disc->ReadCooked(DataStart() + block, count, got.data())) << "block " << block;
        EXPECT_EQ(std::memcmp(got.data(), volume.data() + size_t(block) * COOKED, size_t(count) * COOKED), 0)
            << "blocks " << block << "+" << count;
    }
    uint32_t volumeBlocks = 0;
    ASSERT_TRUE(platform::cdrom::ReadIsoVolumeSize(*m_disc, &volumeBlocks));
    EXPECT_EQ(volumeBlocks, blocks);

    // Audio sectors hold no user data, and a read that starts in the last audio track fails.
    std::fill(got.begin(), got.end(), UNTOUCHED);
    EXPECT_FALSE(m_disc->ReadCooked(10, 1, got.data()));
    EXPECT_FALSE(m_disc->ReadCooked(DataStart() - 200, 2, got.data()));
}

TEST_P(DiscImageContract, ReadsAtOrPastTheLeadOutFailAndWriteNothing)
{
    const uint32_t leadOut = LeadOut();
    std::vector<uint8_t> buffer(size_t(40) * RAW, UNTOUCHED);
    const std::vector<uint8_t> untouched = buffer;
    EXPECT_FALSE(m_disc->ReadRaw(leadOut, 1, buffer.data()));
    EXPECT_FALSE(m_disc->ReadRaw(leadOut - 2, 3, buffer.data()));
    EXPECT_FALSE(m_disc->ReadRaw(leadOut - 26, 27, buffer.data()));
    EXPECT_FALSE(m_disc->ReadRaw(leadOut + 1000, 1, buffer.data()));
    EXPECT_FALSE(m_disc->ReadRaw(1, UINT32_MAX, buffer.data()));
    EXPECT_FALSE(m_disc->ReadCooked(leadOut, 1, buffer.data()));
    EXPECT_FALSE(m_disc->ReadCooked(leadOut - 1, 2, buffer.data()));
    EXPECT_TRUE(buffer == untouched);
    ExpectRaw(leadOut - 1, 1); // the last sector itself is there
}

// The device reads of drive E: holding the disc of the plan, whatever drive that is.
void ExpectDeviceReadContract(const BuiltDisc& built)
{
    const uint32_t leadOut = mkdisc::DiscSectors(built.plan);
    const uint32_t dataStart = mkdisc::TrackStart(built.plan, 4);
    std::vector<uint8_t> buffer(size_t(27) * RAW, UNTOUCHED);

    // Sector 100 travels as DiskOffset 204800 and comes back as sector 100.
    ASSERT_EQ(ReadSectors('E', 100, 27, buffer.data(), READ_MODE_RAW), DRIVE_OK);
    EXPECT_TRUE(buffer == built.Expected(100, 27));
    const uint32_t pregap2 = 301;
    ASSERT_EQ(ReadSectors('e', pregap2 - 10, 27, buffer.data(), READ_MODE_RAW), DRIVE_OK);
    EXPECT_TRUE(buffer == built.Expected(pregap2 - 10, 27));
    ASSERT_EQ(ReadSectors('E', leadOut - 27, 27, buffer.data(), READ_MODE_RAW), DRIVE_OK);
    EXPECT_TRUE(buffer == built.Expected(leadOut - 27, 27));

    // Cooked: the primary volume descriptor is block 16 of the data track.
    ASSERT_EQ(ReadSectors('E', dataStart + 16, 1, buffer.data(), READ_MODE_COOKED), DRIVE_OK);
    EXPECT_EQ(std::memcmp(buffer.data(), built.plan.volume.data() + 16 * COOKED, COOKED), 0);

    // Past the end, cooked reads of audio, a letter with no drive: nothing is written.
    std::fill(buffer.begin(), buffer.end(), UNTOUCHED);
    const std::vector<uint8_t> untouched = buffer;
    EXPECT_EQ(ReadSectors('E', leadOut - 5, 27, buffer.data(), READ_MODE_RAW), DRIVE_ERROR_READ_FAULT);
    EXPECT_EQ(ReadSectors('E', leadOut, 1, buffer.data(), READ_MODE_RAW), DRIVE_ERROR_READ_FAULT);
    EXPECT_EQ(ReadSectors('E', 0, 1, buffer.data(), READ_MODE_COOKED), DRIVE_ERROR_READ_FAULT);
    EXPECT_EQ(ReadSectors('F', 0, 1, buffer.data(), READ_MODE_RAW), DRIVE_ERROR_INVALID_DRIVE);
    EXPECT_TRUE(buffer == untouched);

    uint32_t changes = 99;
    EXPECT_TRUE(GetMediaChangeCount('E', &changes));
    EXPECT_NE(changes, 99u);
}

TEST_P(DiscImageContract, DeviceReadsOfAVirtualDriveGoThroughTheDriveTable)
{
    const ScopedEnvironment drives("RIPWELL_DRIVES", ("E=" + m_built.sheet).c_str());
    ExpectDeviceReadContract(m_built);
    uint32_t sectors = 0;
    ASSERT_TRUE(GetVolumeSectorCount('E', &sectors));
    EXPECT_EQ(sectors, m_built.plan.volume.size() / COOKED);
}

// The test drive that the worker and dialog tests read from keeps the same contract.
TEST(ScriptedDriveContract, DeviceReadsOfTheTestDriveKeepTheDiscImageContract)
{
    TempDir folder;
    BuiltDisc built;
    built.plan = AudioDiscPlan({301, 257, 190}, mkdisc::AudioContent::Counter, {75, 33});
    std::string reason;
    ASSERT_TRUE(AddDataTrack(&built.plan, folder.path().string(), {{"README.TXT", "hello from the data track\n"}}, 150,
                             &reason))
        << reason;
    ASSERT_TRUE(mkdisc::CompletePlan(&built.plan, &reason)) << reason;
    const uint32_t sectors = mkdisc::DiscSectors(built.plan);
    const uint32_t dataPregap = mkdisc::TrackStart(built.plan, 4) - built.plan.tracks[3].pregapSectors;

    ScriptedDrive drive('E');
    drive.SetContent(built.Expected(0, sectors));
    drive.SetAudioSectors(0, dataPregap);
    ExpectDeviceReadContract(built);
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, DiscImageContract,
                         testing::Values(mkdisc::Layout::SingleBin, mkdisc::Layout::BinPerTrack,
                                         mkdisc::Layout::WavePerTrack, mkdisc::Layout::FlacPerTrack,
                                         mkdisc::Layout::CdrdaoToc, mkdisc::Layout::CdrdaoTocPerTrack,
                                         mkdisc::Layout::Nero),
                         [](const testing::TestParamInfo<mkdisc::Layout>& param) { return TestName(param.param); });

TEST(DiscImage, AnAudioOnlyDiscHasNoVolume)
{
    TempDir folder;
    BuiltDisc built;
    std::string reason;
    ASSERT_TRUE(BuildDisc(AudioDiscPlan({120, 80}), mkdisc::Layout::SingleBin, folder.path().string(), "audio", &built,
                          &reason))
        << reason;
    const ScopedEnvironment drives("RIPWELL_DRIVES", ("G=" + built.sheet).c_str());
    uint32_t sectors = 1234;
    EXPECT_FALSE(GetVolumeSectorCount('G', &sectors));
    EXPECT_EQ(sectors, 1234u);
    std::vector<uint8_t> buffer(RAW);
    ASSERT_EQ(ReadSectors('G', 199, 1, buffer.data(), READ_MODE_RAW), DRIVE_OK);
    EXPECT_TRUE(buffer == built.Expected(199, 1));
}

} // namespace
