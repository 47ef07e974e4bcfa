// The demo disc the build writes: what a new user finds in drive D: on a machine without a
// CD-ROM drive.
#include "platform/cdrom/disc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "cdrom/address.h"
#include "cdrom/device_reads.h"
#include "platform/drives.h"
#include "support/scoped_environment.h"

namespace {

using platform::cdrom::Disc;

// The loudest sample of a second of audio from the middle of a track.
int PeakOfMiddleSecond(Disc& disc, const platform::cdrom::Track& track)
{
    std::vector<uint8_t> bytes(size_t(75) * 2352);
    if (!disc.ReadRaw(track.start + track.length / 2 - 37, 75, bytes.data()))
        return -1;
    int peak = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        peak = std::max(peak, std::abs(int(int16_t(bytes[i] | bytes[i + 1] << 8))));
    return peak;
}

// The demo disc the build wrote (the test's RIPWELL_DEMO_DISC unset, as in the program).
std::unique_ptr<Disc> OpenDemoDisc()
{
    const std::string path = platform::DemoDiscPath();
    EXPECT_FALSE(path.empty()) << "the build wrote no demo disc";
    std::string reason;
    auto disc = platform::cdrom::OpenDisc(path, platform::cdrom::SourceKind::ImageFile, &reason);
    EXPECT_TRUE(disc) << path << ": " << reason;
    return disc;
}

TEST(DemoDisc, HoldsFiveShortPiecesOfMusicAndADataTrack)
{
    const ScopedEnvironment demo("RIPWELL_DEMO_DISC", nullptr);
    const auto disc = OpenDemoDisc();
    ASSERT_TRUE(disc);
    const auto& toc = disc->Toc();
    ASSERT_EQ(toc.tracks.size(), 6u);
    std::vector<std::vector<uint8_t>> openings;
    for (int i = 0; i < 5; ++i) {
        const auto& track = toc.tracks[size_t(i)];
        EXPECT_TRUE(track.isAudio) << "track " << i + 1;
        EXPECT_GE(track.length, 20u * 75) << "track " << i + 1;
        EXPECT_LE(track.length, 40u * 75) << "track " << i + 1;
        EXPECT_GT(PeakOfMiddleSecond(*disc, track), 3000) << "track " << i + 1 << " is all but silent";
        openings.emplace_back(size_t(10) * 2352);
        ASSERT_TRUE(disc->ReadRaw(track.start + 150, 10, openings.back().data()));
    }
    for (size_t a = 0; a < openings.size(); ++a)
        for (size_t b = a + 1; b < openings.size(); ++b)
            EXPECT_NE(openings[a], openings[b]) << "tracks " << a + 1 << " and " << b + 1 << " sound alike";

    const auto& data = toc.tracks[5];
    EXPECT_FALSE(data.isAudio);
    uint32_t blocks = 0;
    ASSERT_TRUE(platform::cdrom::ReadIsoVolumeSize(*disc, &blocks));
    EXPECT_LE(blocks, data.length);
    EXPECT_GT(blocks, 16u);
    const std::string catalog = disc->Toc().catalog;
    EXPECT_EQ(catalog.size(), 13u);
    EXPECT_EQ(catalog.find_first_not_of("0123456789"), std::string::npos) << catalog;
}

TEST(DemoDisc, IsDriveDWhenNoDriveIsThereAndNoneIsConfigured)
{
    const ScopedEnvironment demo("RIPWELL_DEMO_DISC", nullptr);
    const ScopedEnvironment none("RIPWELL_DRIVES", ""); // set but empty: no virtual drives
    const auto disc = OpenDemoDisc();
    const std::optional<platform::DriveEntry> d = platform::FindDrive('D');
    if (d && d->kind == platform::DriveEntry::Kind::PhysicalCdrom)
        GTEST_SKIP() << "this machine has a CD-ROM drive, " << d->source;
    ASSERT_TRUE(disc);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->kind, platform::DriveEntry::Kind::DiscImage);
    EXPECT_EQ(d->source, platform::DemoDiscPath());
    EXPECT_EQ(platform::GetDriveTypeA("D:\\"), platform::DRIVE_CDROM);
    EXPECT_EQ(FindFirstCdromDrive(), 'D');

    // The program's own reads reach it through the letter.
    const auto& track2 = disc->Toc().tracks[1];
    std::vector<uint8_t> viaDrive(size_t(27) * 2352), direct(viaDrive.size());
    ASSERT_EQ(ReadSectors('D', track2.start - 10, 27, viaDrive.data(), READ_MODE_RAW), DRIVE_OK);
    ASSERT_TRUE(disc->ReadRaw(track2.start - 10, 27, direct.data()));
    EXPECT_EQ(viaDrive, direct);
    uint32_t blocks = 0, sectors = 0;
    ASSERT_TRUE(platform::cdrom::ReadIsoVolumeSize(*disc, &blocks));
    ASSERT_TRUE(GetVolumeSectorCount('D', &sectors));
    EXPECT_EQ(sectors, blocks);

    // A configured drive takes the demo disc's place.
    const ScopedEnvironment configured("RIPWELL_DRIVES", ("E=" + platform::DemoDiscPath()).c_str());
    EXPECT_FALSE(platform::FindDrive('D'));
    EXPECT_EQ(FindFirstCdromDrive(), 'E');
}

} // namespace
