// AccurateRip: disc ids of real discs as the service's own programs compute them, checksums
// against an independent program and a plain sum, the database file and the verdicts.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "rip/accuraterip.h"
#include "support/disc_builder.h"

namespace {

constexpr uint32_t kLeadIn = 150;

// A table of contents from absolute (LBA) track starts, as MusicBrainz and logs list them.
platform::DiscLayout LayoutOfLba(const std::vector<uint32_t>& starts, uint32_t leadOutLba,
                                 const std::vector<bool>& audio = {})
{
    platform::DiscLayout layout;
    for (size_t i = 0; i < starts.size(); ++i) {
        platform::DiscLayoutTrack track;
        track.number = static_cast<uint8_t>(i + 1);
        track.start = starts[i] - kLeadIn;
        track.isAudio = audio.empty() || audio[i];
        layout.tracks.push_back(track);
    }
    layout.leadOut = leadOutLba - kLeadIn;
    return layout;
}

// The checksums summed the slow way, every sample with its 1-based position, 64-bit products.
void PlainSums(const std::vector<uint8_t>& bytes, bool first, bool last, uint32_t* v1, uint32_t* v2)
{
    const uint64_t samples = bytes.size() / 4;
    uint64_t sum1 = 0, sum2 = 0;
    for (uint64_t i = 0; i < samples; ++i) {
        const uint64_t position = i + 1;
        if (first && position < 5 * 588)
            continue;
        if (last && position > samples - 5 * 588)
            continue;
        const uint64_t sample =
            bytes[4 * i] | bytes[4 * i + 1] << 8 | bytes[4 * i + 2] << 16 | uint64_t{bytes[4 * i + 3]} << 24;
        const uint64_t product = sample * position;
        sum1 += product & 0xFFFFFFFF;
        sum2 += (product & 0xFFFFFFFF) + (product >> 32);
    }
    *v1 = static_cast<uint32_t>(sum1);
    *v2 = static_cast<uint32_t>(sum2);
}

} // namespace

// Two discs whose ids dBpoweramp and EAC give: an enhanced CD (ten audio tracks, then a data
// track in a second session) and a mixed-mode CD (a data track, then 28 audio tracks).
TEST(AccurateRipIdsTest, DiscsWithDataTracksGetTheIdsOfTheServicesOwnPrograms)
{
    const platform::DiscLayout enhanced =
        LayoutOfLba({150, 12767, 40487, 63225, 93410, 118115, 151865, 184340, 215260, 247455, 281735}, 333801,
                    {true, true, true, true, true, true, true, true, true, true, false});
    const AccurateRipIds a = ComputeAccurateRipIds(enhanced);
    EXPECT_EQ(AccurateRipFileName(a), "dBAR-010-00164419-00b9f6e2-9e11600b.bin");
    EXPECT_EQ(AccurateRipUrl("http://host/ar", a), "http://host/ar/9/1/4/dBAR-010-00164419-00b9f6e2-9e11600b.bin");
    EXPECT_EQ(AccurateRipUrl("http://host/ar/", a), AccurateRipUrl("http://host/ar", a));

    std::vector<uint32_t> starts = {150,    66728,  76502,  85963,  93760,  104048, 116066, 124743, 134206, 142916,
                                    151852, 160720, 169425, 178731, 188459, 196711, 206354, 214845, 223686, 225746,
                                    226384, 232668, 239447, 239931, 244989, 254264, 260066, 261222, 261674};
    std::vector<bool> audio(starts.size(), true);
    audio[0] = false;
    const AccurateRipIds b = ComputeAccurateRipIds(LayoutOfLba(starts, 261976, audio));
    EXPECT_EQ(AccurateRipFileName(b), "dBAR-028-00517a54-05a845d2-af0da31d.bin");
}

// Values of whipper's accuraterip-checksum (Debian package whipper 0.10) on the WAV files of a
// three-track mkdisc disc: 20 and 15 s of synthesized music (a 2 s gap before the second), then
// 10 s of the counter (a 1 s gap).
TEST(AccurateRipChecksumTest, AgreesWithAnIndependentProgramAndThePlainSumWhateverTheParts)
{
    mkdisc::DiscPlan plan = AudioDiscPlan({1500, 1125, 750}, mkdisc::AudioContent::Music, {150, 75});
    plan.tracks[2].content = mkdisc::AudioContent::Counter;
    std::string reason;
    ASSERT_TRUE(mkdisc::CompletePlan(&plan, &reason)) << reason;
    const BuiltDisc built{plan, {}};
    const uint32_t starts[] = {0, 1650, 2850, 3600};
    const uint32_t expected[3][2] = {{0xE2792F25, 0x9E960B24}, {0x72FA868C, 0xE32365D8}, {0x38AB06AC, 0x7E4B67AB}};
    for (int t = 0; t < 3; ++t) {
        const std::vector<uint8_t> bytes = built.Expected(starts[t], starts[t + 1] - starts[t]);
        AccurateRipChecksum whole(bytes.size() / 4, t == 0, t == 2);
        whole.Add(bytes.data(), bytes.size());
        EXPECT_EQ(whole.V1(), expected[t][0]) << "track " << t + 1;
        EXPECT_EQ(whole.V2(), expected[t][1]) << "track " << t + 1;

        // Fed in parts of odd sizes (whole samples), the sums are the same.
        AccurateRipChecksum parts(bytes.size() / 4, t == 0, t == 2);
        std::mt19937 random(7 + t);
        for (size_t at = 0; at < bytes.size();) {
            const size_t count = std::min<size_t>(bytes.size() - at, 4 * (1 + random() % 3000));
            parts.Add(bytes.data() + at, count);
            at += count;
        }
        EXPECT_EQ(parts.V1(), whole.V1());
        EXPECT_EQ(parts.V2(), whole.V2());
    }

    // Loud random samples make the high halves of the products count in v2.
    std::vector<uint8_t> noise(4 * 588 * 40);
    std::mt19937 random(1);
    for (uint8_t& byte : noise)
        byte = static_cast<uint8_t>(random());
    for (const bool first : {false, true})
        for (const bool last : {false, true}) {
            uint32_t v1 = 0, v2 = 0;
            PlainSums(noise, first, last, &v1, &v2);
            AccurateRipChecksum checksum(noise.size() / 4, first, last);
            checksum.Add(noise.data(), noise.size());
            EXPECT_EQ(checksum.V1(), v1);
            EXPECT_EQ(checksum.V2(), v2);
            EXPECT_NE(checksum.V1(), checksum.V2());
        }

    // A last track shorter than the five sectors left out sums nothing.
    AccurateRipChecksum tiny(588 * 3, false, true);
    tiny.Add(noise.data(), 4 * 588 * 3);
    EXPECT_EQ(tiny.V1(), 0u);
}

TEST(AccurateRipDatabaseTest, EveryPressingIsReadAndABrokenFileIsRefused)
{
    const AccurateRipIds ids{3, 0x1111, 0x2222, 0x0C003003};
    std::vector<AccurateRipPressing> pressings = {
        {ids, {{5, 0xAAAA0001, 0x1}, {5, 0xAAAA0002, 0x2}, {4, 0xAAAA0003, 0x3}}},
        {ids, {{200, 0xBBBB0001, 0x4}, {0, 0, 0}, {7, 0xBBBB0003, 0x6}}},
    };
    const std::string file = BuildAccurateRipDatabase(pressings);
    ASSERT_EQ(file.size(), 2 * (13 + 3 * 9));
    std::vector<AccurateRipPressing> read;
    std::string reason;
    ASSERT_TRUE(ParseAccurateRipDatabase(file, &read, &reason)) << reason;
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[1].ids, ids);
    EXPECT_EQ(read[1].tracks[0].confidence, 200);
    EXPECT_EQ(read[1].tracks[2].crc, 0xBBBB0003u);
    EXPECT_EQ(read[0].tracks[1].frame450Crc, 0x2u);

    for (size_t cut : {size_t{1}, size_t{12}, size_t{13 + 9}, file.size() - 1}) {
        EXPECT_FALSE(ParseAccurateRipDatabase(file.substr(0, cut), &read, &reason)) << cut;
        EXPECT_NE(reason.find("truncated"), std::string::npos) << reason;
    }
    EXPECT_FALSE(ParseAccurateRipDatabase("", &read, &reason));
    EXPECT_FALSE(ParseAccurateRipDatabase(std::string(13, '\0'), &read, &reason));
}

TEST(AccurateRipVerdictTest, MatchesAnyPressingByEitherVersion)
{
    const AccurateRipIds ids{3, 1, 2, 3};
    const std::vector<AccurateRipPressing> pressings = {
        {ids, {{5, 0x10, 0}, {3, 0x20, 0}, {0, 0x30, 0}}},
        {ids, {{2, 0x11, 0}, {9, 0x20, 0}, {0, 0, 0}}},
    };
    // v1 of one pressing: accurate, version 1, its confidence of the track's total.
    AccurateRipVerdict verdict = VerifyAccurateRipTrack(pressings, 0, 0x10, 0x99);
    EXPECT_EQ(verdict.kind, AccurateRipVerdict::Kind::Accurate);
    EXPECT_EQ(verdict.version, 1);
    EXPECT_EQ(verdict.confidence, 5u);
    EXPECT_EQ(verdict.totalConfidence, 7u);
    // v2 found in two pressings: their confidences add up.
    verdict = VerifyAccurateRipTrack(pressings, 1, 0x98, 0x20);
    EXPECT_EQ(verdict.kind, AccurateRipVerdict::Kind::Accurate);
    EXPECT_EQ(verdict.version, 2);
    EXPECT_EQ(verdict.confidence, 12u);
    // Checksums there, none of them ours: a mismatch naming the most confident one.
    verdict = VerifyAccurateRipTrack(pressings, 0, 0x77, 0x78);
    EXPECT_EQ(verdict.kind, AccurateRipVerdict::Kind::Mismatch);
    EXPECT_EQ(verdict.databaseCrc, 0x10u);
    // Entries of no confidence, a slot past the pressings, or no pressing at all: not in it.
    EXPECT_EQ(VerifyAccurateRipTrack(pressings, 2, 0x30, 0x30).kind, AccurateRipVerdict::Kind::NotInDatabase);
    EXPECT_EQ(VerifyAccurateRipTrack(pressings, 5, 0x10, 0x10).kind, AccurateRipVerdict::Kind::NotInDatabase);
    EXPECT_EQ(VerifyAccurateRipTrack({}, 0, 0x10, 0x10).kind, AccurateRipVerdict::Kind::NotInDatabase);
}
