// Images that cannot be what they claim: each is refused when opened, with a reason that names
// what to fix, and a drive holding one answers reads with a read fault and writes nothing.
#include "platform/cdrom/disc.h"
#include "platform/cdrom/toc_file_names.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "cdrom/address.h"
#include "cdrom/device_reads.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

namespace {

using platform::cdrom::OpenDisc;
using platform::cdrom::SourceKind;

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

void WriteBin(const std::string& path, uint32_t sectors)
{
    std::ofstream(path, std::ios::binary) << std::string(size_t(sectors) * 2352, '\x11');
}

bool WriteSound(const std::string& path, int rate, int channels, int subtype, int format = SF_FORMAT_WAV)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format | subtype;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    std::vector<short> frames(size_t(588) * 20 * channels, 1000);
    const bool ok = sf_writef_short(file, frames.data(), 588 * 20) == 588 * 20;
    return sf_close(file) == 0 && ok;
}

// Opens a sheet that must be refused and gives the reason.
std::string Refusal(const std::string& sheet)
{
    std::string reason;
    const auto disc = OpenDisc(sheet, SourceKind::ImageFile, &reason);
    EXPECT_FALSE(disc) << sheet << " was opened";
    EXPECT_FALSE(reason.empty()) << sheet;
    return reason;
}

class BrokenImage : public testing::Test {
protected:
    void SetUp() override
    {
        WriteBin(m_folder.file("disc.bin"), 300);  // 4 seconds
    }

    // A sheet over disc.bin with the given track lines.
    std::string Sheet(const std::string& name, const std::string& tracks)
    {
        const std::string path = m_folder.file(name);
        WriteText(path, "FILE \"disc.bin\" BINARY\n" + tracks);
        return path;
    }

    TempDir m_folder;
};

TEST_F(BrokenImage, MissingFilesAreNamedWithTheirLine)
{
    const std::string sheet = m_folder.file("missing.cue");
    WriteText(sheet, "REM made by hand\nFILE \"track one.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    std::string reason = Refusal(sheet);
    EXPECT_NE(reason.find("FILE not found"), std::string::npos) << reason;
    EXPECT_NE(reason.find("track one.bin"), std::string::npos) << reason;
    EXPECT_NE(reason.find("line 2"), std::string::npos) << reason;

    const std::string toc = m_folder.file("missing.toc");
    WriteText(toc, "CD_DA\nTRACK AUDIO\nFILE \"gone.bin\" 00:00:00 00:02:00\n");
    reason = Refusal(toc);
    EXPECT_NE(reason.find("FILE not found"), std::string::npos) << reason;
    EXPECT_NE(reason.find(m_folder.file("gone.bin")), std::string::npos) << reason;

    EXPECT_NE(Refusal(m_folder.file("nothing.cue")).find("not there"), std::string::npos);
    EXPECT_NE(Refusal(m_folder.file("disc.bin")).find("not a known disc image"), std::string::npos);
}

TEST_F(BrokenImage, TruncatedSheetsAndBadLinesSayWhereAndWhat)
{
    struct Case {
        const char* tracks;
        const char* expected;  // part of the reason
    };
    const Case cases[] = {
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n", "track 2 (line 4) has no INDEX 01"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:0", "line 3: bad time 00:0"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUD", "line 4: track mode AUD is not supported"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\nFILE \"second.b", "line 4: a quote is not closed"},
        {"", "the sheet holds no TRACK"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:75:00\n", "line 3: bad time 00:75:00"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:75\n", "line 3: bad time 00:00:75"},
        {"  TRACK 01 AUDIO\n    INDEX 01 aa:bb:cc\n", "line 3: bad time aa:bb:cc"},
        {"  TRACK 01 AUDIO\n    INDEX\n", "line 3: INDEX needs a number from 0 to 99 and a time"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:01:00\n    INDEX 00 00:00:00\n", "line 4: INDEX 00 is out of order"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n",
         "its first INDEX is not after INDEX 01"},
        {"  TRACK 01 MODE3/2352\n    INDEX 01 00:00:00\n", "line 2: track mode MODE3/2352 is not supported"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 03 AUDIO\n    INDEX 01 00:02:00\n",
         "track 3 does not follow track 1"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  FROBNICATE\n", "line 4: unknown command FROBNICATE"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string reason = Refusal(Sheet("case" + std::to_string(n++) + ".cue", c.tracks));
        EXPECT_NE(reason.find(c.expected), std::string::npos) << "reason: " << reason << "\nexpected: " << c.expected;
    }
    // Not text at all.
    const std::string binary = m_folder.file("binary.cue");
    WriteText(binary, std::string("FILE \"disc.bin\" BINARY\n\0\x01\x02", 26));
    EXPECT_NE(Refusal(binary).find("not a text file"), std::string::npos);

    // A TOC with a bad time: libcdio's reason, with the line.
    const std::string toc = m_folder.file("bad-time.toc");
    WriteText(toc, "CD_DA\nTRACK AUDIO\nFILE \"disc.bin\" 00:00:00 00:0x:00\n");
    const std::string reason = Refusal(toc);
    EXPECT_NE(reason.find(toc + " line 3: invalid MSF string 00:0x:00"), std::string::npos) << reason;
}

TEST_F(BrokenImage, ABinShorterThanTheSheetSaysIsRefused)
{
    // disc.bin holds 300 sectors: track 2 at 00:05:00 (sector 375) is not in it.
    std::string reason = Refusal(Sheet("short.cue", "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                                    "  TRACK 02 AUDIO\n    INDEX 01 00:05:00\n"));
    EXPECT_NE(reason.find("track 2"), std::string::npos) << reason;
    EXPECT_NE(reason.find("beyond the end of " + m_folder.file("disc.bin")), std::string::npos) << reason;

    // INDEX 01 of the last track at the very end of its file: a track of no sectors.
    reason = Refusal(Sheet("end.cue", "  TRACK 01 AUDIO\n    INDEX 01 00:04:00\n"));
    EXPECT_NE(reason.find("INDEX 01 lies at or beyond the end"), std::string::npos) << reason;

    // One file per track, the second one empty.
    WriteText(m_folder.file("empty.bin"), "");
    const std::string perTrack = m_folder.file("per-track.cue");
    WriteText(perTrack, "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                        "FILE \"empty.bin\" BINARY\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n");
    reason = Refusal(perTrack);
    EXPECT_NE(reason.find("track 2"), std::string::npos) << reason;
    EXPECT_NE(reason.find("empty.bin"), std::string::npos) << reason;

    // A TOC whose second track lies beyond the end of the BIN (4 s of the 8 s it names).
    const std::string toc = m_folder.file("short.toc");
    WriteText(toc, "CD_DA\nTRACK AUDIO\nFILE \"disc.bin\" 00:00:00 00:03:00\n"
                   "TRACK AUDIO\nFILE \"disc.bin\" 00:03:00 00:05:00\n");
    reason = Refusal(toc);
    EXPECT_NE(reason.find(toc + " line 5"), std::string::npos) << reason;
    EXPECT_NE(reason.find("exceeds end of file"), std::string::npos) << reason;
}

TEST_F(BrokenImage, SoundFilesMustHoldCdAudio)
{
    struct Case {
        const char* name;
        int rate, channels, subtype, format;
        const char* expected;
    };
    const Case cases[] = {
        {"48k.wav", 48000, 2, SF_FORMAT_PCM_16, SF_FORMAT_WAV, "(48000 Hz, 2 channels, 16-bit)"},
        {"mono.wav", 44100, 1, SF_FORMAT_PCM_16, SF_FORMAT_WAV, "(44100 Hz, 1 channel, 16-bit)"},
        {"24bit.wav", 44100, 2, SF_FORMAT_PCM_24, SF_FORMAT_WAV, "(44100 Hz, 2 channels, 24-bit)"},
        {"8bit.wav", 44100, 2, SF_FORMAT_PCM_U8, SF_FORMAT_WAV, "(44100 Hz, 2 channels, 8-bit)"},
        {"float.wav", 44100, 2, SF_FORMAT_FLOAT, SF_FORMAT_WAV, "(44100 Hz, 2 channels, floating-point)"},
        {"24bit.flac", 44100, 2, SF_FORMAT_PCM_24, SF_FORMAT_FLAC, "(44100 Hz, 2 channels, 24-bit)"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteSound(m_folder.file(c.name), c.rate, c.channels, c.subtype, c.format)) << c.name;
        const std::string sheet = m_folder.file(std::string(c.name) + ".cue");
        WriteText(sheet, "FILE \"" + std::string(c.name) + "\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
        const std::string reason = Refusal(sheet);
        EXPECT_NE(reason.find("not 44100 Hz stereo 16-bit"), std::string::npos) << reason;
        EXPECT_NE(reason.find(c.expected), std::string::npos) << reason;
    }
    // A file called WAVE that is no sound file.
    const std::string sheet = m_folder.file("fake.cue");
    WriteText(sheet, "FILE \"disc.bin\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    EXPECT_NE(Refusal(sheet).find("not a sound file"), std::string::npos);

    // The right format opens: 20 sectors of samples.
    ASSERT_TRUE(WriteSound(m_folder.file("cd.wav"), 44100, 2, SF_FORMAT_PCM_16));
    WriteText(sheet, "FILE \"cd.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    std::string reason;
    const auto disc = OpenDisc(sheet, SourceKind::ImageFile, &reason);
    ASSERT_TRUE(disc) << reason;
    EXPECT_EQ(disc->Toc().leadOut, 20u);
}

TEST_F(BrokenImage, ADriveWithABrokenImageGivesReadFaultsAndNoVolume)
{
    const std::string sheet = Sheet("broken.cue", "  TRACK 01 AUDIO\n    INDEX 01 00:99:00\n");
    const ScopedEnvironment drives("RIPWELL_DRIVES", ("H=" + sheet).c_str());
    std::vector<uint8_t> buffer(2352, 0x5A);
    EXPECT_EQ(ReadSectors('H', 0, 1, buffer.data(), READ_MODE_RAW), DRIVE_ERROR_READ_FAULT);
    EXPECT_EQ(ReadSectors('H', 0, 1, buffer.data(), READ_MODE_COOKED), DRIVE_ERROR_READ_FAULT);
    EXPECT_EQ(buffer, std::vector<uint8_t>(2352, 0x5A));
    uint32_t count = 77;
    EXPECT_FALSE(GetVolumeSectorCount('H', &count));
    EXPECT_EQ(count, 77u);
}

TEST_F(BrokenImage, MangledSheetsNeverCrashAndAlwaysGiveAReason)
{
    const std::string good = "CATALOG 4006381333931\nFILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n"
                             "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    PREGAP 00:01:00\n    INDEX 01 00:02:00\n"
                             "  TRACK 03 MODE1/2352\n    INDEX 00 00:03:00\n    INDEX 01 00:03:10\n    POSTGAP 00:00:10\n";
    const std::string sheet = m_folder.file("mangled.cue");
    std::mt19937 random(20261208);
    const std::string alphabet = " \n\":0123456789ABCDEFILNOPRTXY/";
    int opened = 0;
    for (int round = 0; round < 400; ++round) {
        std::string text = good;
        const int edits = 1 + int(random() % 4);
        for (int e = 0; e < edits; ++e) {
            const size_t at = random() % text.size();
            switch (random() % 3) {
            case 0: text[at] = alphabet[random() % alphabet.size()]; break;
            case 1: text.erase(at, 1 + random() % 6); break;
            default: text.resize(at); break;
            }
            if (text.empty())
                text = "\n";
        }
        WriteText(sheet, text);
        std::string reason;
        const auto disc = OpenDisc(sheet, SourceKind::ImageFile, &reason);
        if (!disc) {
            EXPECT_FALSE(reason.empty()) << text;
            continue;
        }
        ++opened;
        const auto& toc = disc->Toc();
        ASSERT_FALSE(toc.tracks.empty()) << text;
        EXPECT_LE(toc.tracks.back().start + toc.tracks.back().length, toc.leadOut) << text;
        std::vector<uint8_t> sector(2352);
        EXPECT_TRUE(disc->ReadRaw(toc.leadOut - 1, 1, sector.data())) << text;
    }
    EXPECT_GT(opened, 0);  // some edits leave a valid sheet (a blank changed, a line cut off)
}

TEST(TocFileNames, RelativeNamesAreAnchoredAndTheRestIsLeftAlone)
{
    std::vector<std::string> names;
    const std::string text = "CD_DA\n// FILE \"comment.bin\" stays\nTRACK AUDIO\nTITLE \"FILE x\"\n"
                             "FILE \"a b.bin\" 0 00:02:00\nDATAFILE \"/abs/d.bin\"\nAUDIOFILE  \"c.wav\" 0\n";
    const std::string anchored = platform::cdrom::AnchorTocFileNames(text, "/discs", &names);
    EXPECT_EQ(anchored, "CD_DA\n// FILE \"comment.bin\" stays\nTRACK AUDIO\nTITLE \"FILE x\"\n"
                        "FILE \"/discs/a b.bin\" 0 00:02:00\nDATAFILE \"/abs/d.bin\"\nAUDIOFILE  \"/discs/c.wav\" 0\n");
    EXPECT_EQ(names, (std::vector<std::string>{"/discs/a b.bin", "/abs/d.bin", "/discs/c.wav"}));
    // A folder that cannot be written inside a TOC string leaves the text as it is.
    names.clear();
    EXPECT_EQ(platform::cdrom::AnchorTocFileNames(text, "/odd\"folder", &names), text);
}

} // namespace
