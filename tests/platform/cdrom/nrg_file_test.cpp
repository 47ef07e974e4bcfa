// Nero images of the kinds mkdisc does not write: version 1 (NERO footer, DAOI and CUES with
// 32-bit offsets), track at once (ETN2), and images that are no Nero image or lie about where
// their sectors are.
#include "platform/cdrom/nrg_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/cdrom/disc.h"
#include "support/temp_dir.h"

namespace {

using platform::cdrom::OpenDisc;
using platform::cdrom::SourceKind;

std::string BigEndian(uint64_t value, int bytes)
{
    std::string out;
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::string Chunk(const char* id, const std::string& data) { return id + BigEndian(data.size(), 4) + data; }

std::string Cue(int control, int track, int index, int32_t sector)
{
    const auto bcd = [](int v) { return static_cast<char>(v == 0xAA ? 0xAA : (v / 10) << 4 | (v % 10)); };
    return std::string{static_cast<char>(control), bcd(track), bcd(index), '\0'} + BigEndian(uint32_t(sector), 4);
}

// One track of a DAO chunk: no ISRC, the sector size, the mode, and three offsets.
std::string DaoTrack(uint32_t size, int mode, uint64_t index0, uint64_t index1, uint64_t end, int width)
{
    return std::string(12, '\0') + BigEndian(size, 2) + static_cast<char>(mode) + std::string("\0\0\x01", 3) +
        BigEndian(index0, width) + BigEndian(index1, width) + BigEndian(end, width);
}

std::string DaoChunk(const char* id, const std::string& tracks, int count)
{
    const std::string head = std::string(14, '\0') + BigEndian(1, 2) + '\x01' + static_cast<char>(count);
    return Chunk(id, std::string(4, '\0') + head + tracks);
}

std::string Bytes(size_t count, int seed)
{
    std::string bytes(count, '\0');
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>(i * 7 + seed);
    return bytes;
}

class NeroImage : public testing::Test {
protected:
    std::string Write(const std::string& bytes)
    {
        const std::string path = m_folder.file("image" + std::to_string(m_count++) + ".nrg");
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::unique_ptr<platform::cdrom::Disc> Open(const std::string& bytes)
    {
        std::string reason;
        auto disc = OpenDisc(Write(bytes), SourceKind::ImageFile, &reason);
        EXPECT_TRUE(disc) << reason;
        return disc;
    }

    std::string Refusal(const std::string& bytes)
    {
        std::string reason;
        EXPECT_FALSE(OpenDisc(Write(bytes), SourceKind::ImageFile, &reason));
        return reason;
    }

    TempDir m_folder;
    int m_count = 0;
};

TEST_F(NeroImage, VersionOneWithAModeOneTrackOfUserData)
{
    const std::string data = Bytes(3 * 2048, 1) + Bytes(2 * 2352, 2);
    const std::string chunks = Chunk("CUES",
                                     Cue(0x41, 0, 0, -150) + Cue(0x41, 1, 0, -150) + Cue(0x41, 1, 1, 0) +
                                         Cue(1, 2, 0, 3) + Cue(1, 2, 1, 3) + Cue(1, 0xAA, 1, 5)) +
        DaoChunk("DAOI",
                 DaoTrack(2048, 0x00, 0, 0, 3 * 2048, 4) + DaoTrack(2352, 0x07, 3 * 2048, 3 * 2048, data.size(), 4),
                 2) +
        Chunk("END!", "");
    const auto disc = Open(data + chunks + "NERO" + BigEndian(data.size(), 4));
    ASSERT_TRUE(disc);
    const auto& toc = disc->Toc();
    ASSERT_EQ(toc.tracks.size(), 2u);
    EXPECT_FALSE(toc.tracks[0].isAudio);
    EXPECT_EQ(toc.tracks[1].start, 3u);
    EXPECT_EQ(toc.leadOut, 5u);
    std::string cooked(2048, '\0'), raw(2352, '\0');
    ASSERT_TRUE(disc->ReadCooked(1, 1, reinterpret_cast<uint8_t*>(cooked.data())));
    EXPECT_EQ(cooked, data.substr(2048, 2048));
    ASSERT_TRUE(disc->ReadRaw(4, 1, reinterpret_cast<uint8_t*>(raw.data())));
    EXPECT_EQ(raw, data.substr(3 * 2048 + 2352, 2352));
}

TEST_F(NeroImage, TrackAtOnceLeavesTheGapBetweenTracksOutOfTheFile)
{
    const std::string data = Bytes(2 * 2352, 3) + Bytes(2 * 2352, 4);
    // Per track: offset, size, mode, start sector, and eight bytes of unknown meaning.
    const std::string tracks = BigEndian(0, 8) + BigEndian(2 * 2352, 8) + BigEndian(7, 4) + BigEndian(0, 4) +
        BigEndian(0, 8) + BigEndian(2 * 2352, 8) + BigEndian(2 * 2352, 8) + BigEndian(7, 4) + BigEndian(152, 4) +
        BigEndian(0, 8);
    const auto disc = Open(data + Chunk("ETN2", tracks) + Chunk("END!", "") + "NER5" + BigEndian(data.size(), 8));
    ASSERT_TRUE(disc);
    const auto& toc = disc->Toc();
    ASSERT_EQ(toc.tracks.size(), 2u);
    EXPECT_EQ(toc.tracks[1].start, 152u);
    EXPECT_EQ(toc.tracks[1].pregap, 150u);
    EXPECT_EQ(toc.leadOut, 154u);
    std::string raw(2352, '\x55');
    ASSERT_TRUE(disc->ReadRaw(100, 1, reinterpret_cast<uint8_t*>(raw.data())));
    EXPECT_EQ(raw, std::string(2352, '\0'));
    ASSERT_TRUE(disc->ReadRaw(153, 1, reinterpret_cast<uint8_t*>(raw.data())));
    EXPECT_EQ(raw, data.substr(3 * 2352, 2352));
}

TEST_F(NeroImage, ImagesThatAreNoneOrLieAboutTheirSectorsAreRefused)
{
    const std::string data = Bytes(2 * 2352, 5);
    const auto image = [&](const std::string& tracks, const char* id = "DAOX") {
        return data + DaoChunk(id, tracks, 1) + Chunk("END!", "") + "NER5" + BigEndian(data.size(), 8);
    };
    EXPECT_EQ(Refusal(data), "it is not a Nero image (it does not end in NER5 or NERO)");
    EXPECT_EQ(Refusal(data + "NER5" + BigEndian(1 << 30, 8)), "its footer points to 1073741824, outside the image");
    EXPECT_EQ(Refusal(image(DaoTrack(2352, 7, 0, 0, 3 * 2352, 8))),
              "track 1: its sectors do not lie in the image as whole 2352-byte sectors");
    EXPECT_EQ(Refusal(image(DaoTrack(2352, 7, 0, 0, 2352 + 100, 8))),
              "track 1: its sectors do not lie in the image as whole 2352-byte sectors");
    EXPECT_EQ(Refusal(image(DaoTrack(2448, 0x10, 0, 0, 2448, 8))),
              "track 1: mode 16 with 2448-byte sectors is not supported (sub-channel data or mode 2 form 1)");
    EXPECT_EQ(Refusal(image(DaoTrack(2352, 7, 0, 0, 2 * 2352, 8).substr(0, 30))),
              "its track chunk (DAO) has a size of 52 bytes, no whole entries");
    EXPECT_EQ(Refusal(data + Chunk("SINF", BigEndian(1, 4)) + Chunk("END!", "") + "NER5" + BigEndian(data.size(), 8)),
              "it has no track chunk (DAOX, DAOI, ETN2 or ETNF)");
    EXPECT_EQ(Refusal(data + "DAOX" + BigEndian(999, 4) + "NER5" + BigEndian(data.size(), 8)),
              "its chunk DAOX runs past the end of the image");
}

} // namespace
