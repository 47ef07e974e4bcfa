// Images that cannot be what they claim: each is refused when opened, with a reason that names
// what to fix and its line, the user is told that reason with the drive error it causes, and a
// drive holding one answers reads with a read fault and writes nothing. Nothing that is not a
// regular file is ever opened.
#include "platform/cdrom/disc.h"

#include <gtest/gtest.h>

#include <sndfile.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "base/sounds.h"
#include "cdrom/address.h"
#include "cdrom/device_reads.h"
#include "cdrom/drive_error.h"
#include "platform/cdrom/raw_sector.h"
#include "platform/drives.h"
#include "platform/user_notices.h"
#include "support/scoped_environment.h"
#include "support/scripted_desktop.h"
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

// Opens an image that must be refused and gives the reason.
std::string Refusal(const std::string& image)
{
    std::string reason;
    const auto disc = OpenDisc(image, SourceKind::ImageFile, &reason);
    EXPECT_FALSE(disc) << image << " was opened";
    EXPECT_FALSE(reason.empty()) << image;
    return reason;
}

class BrokenImage : public testing::Test {
protected:
    void SetUp() override
    {
        WriteBin(m_folder.file("disc.bin"), 300); // 4 seconds
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
    EXPECT_EQ(Refusal(sheet), "FILE not found: " + m_folder.file("track one.bin") + " (line 2)");

    const std::string toc = m_folder.file("missing.toc");
    WriteText(toc, "CD_DA\nTRACK AUDIO\nFILE \"gone.bin\" 00:00:00 00:02:00\n");
    EXPECT_EQ(Refusal(toc), "FILE not found: " + m_folder.file("gone.bin") + " (line 3)");

    EXPECT_EQ(Refusal(m_folder.file("nothing.cue")), "there is no such file");
    EXPECT_EQ(Refusal(m_folder.file("disc.bin")), "it is not a known disc image (expected .cue, .toc or .nrg)");
}

TEST_F(BrokenImage, TruncatedSheetsAndBadLinesSayWhereAndWhat)
{
    struct Case {
        const char* tracks;
        const char* expected; // the reason, with its line
    };
    const Case cases[] = {
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n", "track 2 has no INDEX 01 (line 4)"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:0", "bad time 00:0 (mm:ss:ff, seconds below 60, frames below 75) (line 3)"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUD", "track mode AUD is not supported (line 4)"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\nFILE \"second.b", "a quote is not closed (line 4)"},
        {"", "the sheet holds no TRACK"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:75:00\n", "bad time 00:75:00"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:75\n", "bad time 00:00:75"},
        {"  TRACK 01 AUDIO\n    INDEX 01 aa:bb:cc\n", "bad time aa:bb:cc"},
        {"  TRACK 01 AUDIO\n    INDEX\n", "INDEX needs a number from 0 to 99 and a time (line 3)"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:01:00\n    INDEX 00 00:00:00\n", "INDEX 00 is out of order (line 4)"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:01:00\n    INDEX 02 00:00:50\n",
         "INDEX 02 does not come after the index before it (line 4)"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n",
         "the first INDEX of track 2 is not after the INDEX of track 1 before it (line 5)"},
        {"  TRACK 01 MODE3/2352\n    INDEX 01 00:00:00\n", "track mode MODE3/2352 is not supported (line 2)"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 03 AUDIO\n    INDEX 01 00:02:00\n",
         "track 3 does not follow track 1 (line 4)"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  FROBNICATE\n", "unknown command FROBNICATE (line 4)"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n    POSTGAP 00:00:10\n    INDEX 02 00:01:00\n",
         "INDEX after POSTGAP (line 5)"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n    PREGAP 00:02:00\n", "PREGAP after INDEX (line 4)"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string reason = Refusal(Sheet("case" + std::to_string(n++) + ".cue", c.tracks));
        EXPECT_NE(reason.find(c.expected), std::string::npos) << "reason: " << reason << "\nexpected: " << c.expected;
    }
    // Not text at all.
    const std::string binary = m_folder.file("binary.cue");
    WriteText(binary, std::string("FILE \"disc.bin\" BINARY\n\0\x01\x02", 26));
    EXPECT_EQ(Refusal(binary), "not a text file (line 2)");

    // A TOC file says the same of its lines.
    const Case tocs[] = {
        {"CD_DA\nTRACK AUDIO\nFILE \"disc.bin\" 00:00:00 00:0x:00\n",
         "bad time 00:0x:00 (mm:ss:ff, seconds below 60, frames below 75) (line 3)"},
        {"CD_DA\nTRACK AUDIO\nFILE \"disc.bin\" 0\nTRACK MODE2_FORM1\n",
         "track mode MODE2_FORM1 is not supported (line 4)"},
        {"CD_DA\nTRACK AUDIO RW_RAW\nFILE \"disc.bin\" 0\n",
         "tracks with sub-channel data (RW_RAW) are not supported (line 2)"},
        {"CD_DA\nFILE \"disc.bin\" 0\n", "FILE before any TRACK (line 2)"},
        {"CD_DA\nTRACK AUDIO\nFILE \"disc.bin\" 0\nSTART 00:01:00\nSTART\n", "the track's start is given twice"},
        {"CD_DA\nTRACK AUDIO\nFILE disc.bin 0\n", "a file name expected, not DISC (line 3)"},
        {"CD_DA\nCATALOG \"123\"\nTRACK AUDIO\nFILE \"disc.bin\" 0\n", "CATALOG needs 13 digits (line 2)"},
        {"CD_DA\nTRACK AUDIO\nFILE \"disc.bin\" 0\nINDEX 00:02:00\nINDEX 00:01:00\n",
         "INDEX does not come after INDEX 01 and the index before it (line 5)"},
        {"CD_DA\nCD_TEXT {\n  LANGUAGE 0 {\n TITLE \"x\"\n", "the CD_TEXT block of line 2 is not closed"},
        {"CD_DA\nTRACK AUDIO\nFIFO \"/tmp/fifo\" 00:02:00\n", "FIFO cannot be part of a disc image (line 3)"},
        {"CD_DA\n", "the TOC file holds no TRACK"},
        {"CD_DA\nTRACK AUDIO\nFILE \"disc.bin\" 0\nSTART 00:04:00\n",
         "track 1: INDEX 01 lies at or beyond the end of the track"},
    };
    for (const Case& c : tocs) {
        const std::string toc = m_folder.file("case" + std::to_string(n++) + ".toc");
        WriteText(toc, c.tracks);
        const std::string reason = Refusal(toc);
        EXPECT_NE(reason.find(c.expected), std::string::npos) << "reason: " << reason << "\nexpected: " << c.expected;
    }
}

TEST_F(BrokenImage, ABinShorterThanTheSheetSaysIsRefused)
{
    const std::string bin = m_folder.file("disc.bin");
    // disc.bin holds 300 sectors: track 2 at 00:05:00 (sector 375) is not in it.
    EXPECT_EQ(Refusal(Sheet("short.cue",
                            "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                            "  TRACK 02 AUDIO\n    INDEX 01 00:05:00\n")),
              "INDEX 01 of track 2 lies beyond the end of " + bin + " (line 5)");

    // INDEX 01 of the last track at the very end of its file: a track of no sectors.
    EXPECT_NE(Refusal(Sheet("end.cue", "  TRACK 01 AUDIO\n    INDEX 01 00:04:00\n"))
                  .find("INDEX 01 lies at or beyond the end"),
              std::string::npos);

    // One file per track, the second one empty.
    WriteText(m_folder.file("empty.bin"), "");
    const std::string perTrack = m_folder.file("per-track.cue");
    WriteText(perTrack,
              "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
              "FILE \"empty.bin\" BINARY\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n");
    EXPECT_EQ(Refusal(perTrack), m_folder.file("empty.bin") + " is empty (line 4)");

    // A TOC whose second track lies beyond the end of the BIN (4 s of the 8 s it names).
    const std::string toc = m_folder.file("short.toc");
    WriteText(toc,
              "CD_DA\nTRACK AUDIO\nFILE \"disc.bin\" 00:00:00 00:03:00\n"
              "TRACK AUDIO\nFILE \"disc.bin\" 00:03:00 00:05:00\n");
    EXPECT_EQ(Refusal(toc), "the data of track 2 lies beyond the end of " + bin + " (line 5)");
    // A start beyond the end of the file, in samples.
    WriteText(toc, "CD_DA\nTRACK AUDIO\nFILE \"disc.bin\" 999999 0\n");
    EXPECT_EQ(Refusal(toc), "the data of track 1 lies beyond the end of " + bin + " (line 3)");
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

// The images a new user meets: each tells its own reason, and a name in another case is found.
TEST_F(BrokenImage, EachBrokenImageNamesItsOwnReason)
{
    std::filesystem::create_directory(m_folder.file("folder.cue"));
    WriteText(m_folder.file("empty.cue"), "");
    std::mt19937 random(7);
    std::string noise(4000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    WriteText(m_folder.file("noise.cue"), noise);
    WriteText(m_folder.file("nobin.cue"), "FILE \"gone.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    Sheet("past.cue", "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:09:00\n");
    Sheet("decreasing.cue", "  TRACK 01 AUDIO\n    INDEX 01 00:02:00\n  TRACK 02 AUDIO\n    INDEX 01 00:01:00\n");
    Sheet("noindex.cue", "  TRACK 01 AUDIO\n");
    const std::string expected[][2] = {
        {"absent.cue", "there is no such file"},
        {"empty.cue", "the sheet holds no TRACK"},
        {"noise.cue", "not a text file (line 1)"},
        {"nobin.cue", "FILE not found: " + m_folder.file("gone.bin") + " (line 1)"},
        {"past.cue", "INDEX 01 of track 2 lies beyond the end of " + m_folder.file("disc.bin") + " (line 5)"},
        {"decreasing.cue", "the first INDEX of track 2 is not after the INDEX of track 1 before it (line 5)"},
        {"noindex.cue", "track 1 has no INDEX 01 (line 2)"},
        {"folder.cue", "it is a folder, not a file"},
    };
    std::set<std::string> reasons;
    for (const auto& [name, reason] : expected) {
        const std::string got = Refusal(m_folder.file(name));
        // random bytes may hold a line break before their first NUL
        if (name == "noise.cue")
            EXPECT_EQ(got.rfind("not a text file (line ", 0), 0u) << got;
        else
            EXPECT_EQ(got, reason);
        reasons.insert(got);
    }
    EXPECT_EQ(reasons.size(), std::size(expected));

    // The sheet says DISC.BIN, the folder holds disc.bin: found, as Windows finds it; and a
    // name in a folder written with backslashes.
    std::filesystem::create_directory(m_folder.file("Sub Folder"));
    WriteBin(m_folder.file("Sub Folder/Track.bin"), 100);
    WriteText(m_folder.file("case.cue"),
              "FILE \"DISC.BIN\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
              "FILE \"sub folder\\TRACK.BIN\" BINARY\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n");
    std::string reason;
    const auto disc = OpenDisc(m_folder.file("case.cue"), SourceKind::ImageFile, &reason);
    ASSERT_TRUE(disc) << reason;
    EXPECT_EQ(disc->Toc().leadOut, 400u);
    std::vector<uint8_t> sector(2352);
    ASSERT_TRUE(disc->ReadRaw(350, 1, sector.data()));
    EXPECT_EQ(sector, std::vector<uint8_t>(2352, 0x11));
}

TEST_F(BrokenImage, ADriveWithABrokenImageTellsTheUserWhyWithItsReadFault)
{
    SetDialogSoundsEnabled(false);
    const std::string sheet = Sheet("broken.cue", "  TRACK 01 AUDIO\n    INDEX 01 00:99:00\n");
    const ScopedEnvironment drives("RIPWELL_DRIVES", ("H=" + sheet).c_str());
    std::vector<uint8_t> buffer(2352, 0x5A);
    EXPECT_EQ(ReadSectors('H', 0, 1, buffer.data(), READ_MODE_RAW), DRIVE_ERROR_READ_FAULT);
    EXPECT_EQ(ReadSectors('H', 0, 1, buffer.data(), READ_MODE_COOKED), DRIVE_ERROR_READ_FAULT);
    EXPECT_EQ(buffer, std::vector<uint8_t>(2352, 0x5A));
    uint32_t count = 77;
    EXPECT_FALSE(GetVolumeSectorCount('H', &count));
    EXPECT_EQ(count, 77u);

    // The read fault the read command shows carries the reason, once.
    ScriptedDesktop desktop;
    ShowDriveError(DRIVE_ERROR_READ_FAULT);
    ShowDriveError(DRIVE_ERROR_READ_FAULT);
    ASSERT_EQ(desktop.Boxes().size(), 2u);
    EXPECT_EQ(desktop.Boxes()[0].text,
              "Read fault.\n\nThe disc image " + sheet +
                  " cannot be read: bad time 00:99:00 (mm:ss:ff, seconds below 60, "
                  "frames below 75) (line 3)");
    EXPECT_EQ(desktop.Boxes()[1].text, "Read fault.");

    // Mended, the image reads and no longer comes with the next error.
    Sheet("broken.cue", "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    EXPECT_EQ(ReadSectors('H', 299, 1, buffer.data(), READ_MODE_RAW), DRIVE_OK);
    EXPECT_EQ(ReadSectors('H', 300, 1, buffer.data(), READ_MODE_RAW), DRIVE_ERROR_READ_FAULT);
    EXPECT_EQ(platform::TakeUserNotices(), "");
    SetDialogSoundsEnabled(true);
}

// A FIFO named as an image or as one of its files, or in place of the drive list, would block
// the program in open(); each is refused without being opened.
TEST_F(BrokenImage, NothingButRegularFilesIsOpened)
{
    for (const char* name : {"x.nrg", "x.cue", "x.toc", "fifo.bin", "fifo.wav", "drives"})
        ASSERT_EQ(mkfifo(m_folder.file(name).c_str(), 0600), 0) << name;
    const std::string notRegular = "it is not a regular file (a FIFO, a device or a socket)";
    for (const char* name : {"x.nrg", "x.cue", "x.toc"})
        EXPECT_EQ(Refusal(m_folder.file(name)), notRegular) << name;
    WriteText(m_folder.file("bin.cue"), "FILE \"fifo.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    EXPECT_EQ(Refusal(m_folder.file("bin.cue")), m_folder.file("fifo.bin") + ": " + notRegular + " (line 1)");
    WriteText(m_folder.file("wav.cue"), "FILE \"fifo.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    EXPECT_EQ(Refusal(m_folder.file("wav.cue")), m_folder.file("fifo.wav") + ": " + notRegular + " (line 1)");
    WriteText(m_folder.file("fifo.toc"), "CD_DA\nTRACK AUDIO\nAUDIOFILE \"fifo.wav\" 0\n");
    EXPECT_EQ(Refusal(m_folder.file("fifo.toc")), m_folder.file("fifo.wav") + ": " + notRegular + " (line 3)");

    // A FIFO in place of the drives file gives no drives from it, and the user is told.
    const ScopedEnvironment config("XDG_CONFIG_HOME", m_folder.path().c_str());
    const ScopedEnvironment noList("RIPWELL_DRIVES", nullptr);
    std::filesystem::create_directory(m_folder.file("ripwell"));
    ASSERT_EQ(mkfifo(m_folder.file("ripwell/drives").c_str(), 0600), 0);
    EXPECT_FALSE(platform::FindDrive('E'));
    EXPECT_NE(platform::TakeUserNotices().find("ripwell/drives: skipped, it is not a regular file"), std::string::npos);
}

// The cdrdao TOC that made libcdio divide by zero: a mode-2 data file, read as one.
TEST_F(BrokenImage, ATocOfAModeTwoDataFileReadsItsSectors)
{
    std::string data(size_t(20) * 2336, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7 / 2336);
    WriteText(m_folder.file("data.bin"), data);
    WriteText(m_folder.file("mode2.toc"), "CD_ROM\nTRACK MODE2\nDATAFILE \"data.bin\"\n");
    std::string reason;
    const auto disc = OpenDisc(m_folder.file("mode2.toc"), SourceKind::ImageFile, &reason);
    ASSERT_TRUE(disc) << reason;
    EXPECT_EQ(disc->Toc().leadOut, 20u);
    EXPECT_FALSE(disc->Toc().tracks[0].isAudio);
    std::vector<uint8_t> raw(2352), cooked(2048);
    ASSERT_TRUE(disc->ReadRaw(5, 1, raw.data()));
    ASSERT_TRUE(disc->ReadCooked(5, 1, cooked.data()));
    EXPECT_EQ(raw[15], 2); // the mode byte of the header
    EXPECT_EQ(std::string(raw.begin() + 16, raw.end()), data.substr(5 * 2336, 2336));
    EXPECT_EQ(std::string(cooked.begin(), cooked.end()), data.substr(5 * 2336 + 8, 2048));
}

TEST_F(BrokenImage, MangledSheetsNeverCrashAndAlwaysGiveAReason)
{
    const std::string good =
        "CATALOG 4006381333931\nFILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n"
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
    EXPECT_GT(opened, 0); // some edits leave a valid sheet (a blank changed, a line cut off)
}

} // namespace
