// Cue sheets and cdrdao TOC files in the shapes other programs write (tests/platform/cdrom/corpus),
// over audio and data files this test writes: every image gives the track starts, pregaps and
// lead-out that `cdrdao show-toc` gives for it (or, for the cue sheets cdrdao cannot read, the
// sheet's own arithmetic), and its sectors hold the bytes of the files where the image puts them.
//
// Every file has content of its own: sample i of file k is left = i & 0xFFFF, right = k << 8 |
// i >> 16; byte j of data file k is (7j + 13k + j / 2352) & 0xFF. Raw audio files that cdrdao
// reads most significant byte first are written so.
#include "platform/cdrom/disc.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/cdrom/raw_sector.h"
#include "support/temp_dir.h"

namespace {

using platform::cdrom::COOKED_SECTOR_SIZE;
using platform::cdrom::RAW_SECTOR_SIZE;
using platform::cdrom::SAMPLES_PER_SECTOR;

enum class Kind { Wave, Flac, RawLittle, RawBig, Data2048, Data2336, Data2352 };

struct FileSpec {
    const char* name;
    Kind kind;
    uint64_t count; // sample frames of audio, blocks of data
};

struct TrackSpec {
    uint32_t start;
    uint32_t pregap;
    bool audio = true;
};

// A sector and where its bytes come from: a file (by its index in the list of files) from a sample frame
// of audio or a block of data, or made up (zeros, or an empty data sector of the mode).
struct Check {
    enum class From { File, Silence, EmptyMode1, Cooked, Mode2Form } from;
    uint32_t sector;
    int file = -1;
    uint64_t at = 0;
};

struct Corpus {
    const char* image;
    std::vector<FileSpec> files;
    std::vector<TrackSpec> tracks;
    uint32_t leadOut;
    std::vector<Check> checks;
    std::string catalog;
    std::vector<std::string> titles; // disc title, then the tracks'; empty: not checked
};

constexpr uint64_t S = SAMPLES_PER_SECTOR;

uint8_t DataByte(int file, uint64_t j) { return static_cast<uint8_t>(j * 7 + uint64_t(file) * 13 + j / 2352); }

void Sample(int file, uint64_t i, uint8_t* out)
{
    const uint16_t left = static_cast<uint16_t>(i & 0xFFFF);
    const uint16_t right = static_cast<uint16_t>(file << 8 | ((i >> 16) & 0xFF));
    out[0] = static_cast<uint8_t>(left);
    out[1] = static_cast<uint8_t>(left >> 8);
    out[2] = static_cast<uint8_t>(right);
    out[3] = static_cast<uint8_t>(right >> 8);
}

uint32_t BlockSize(Kind kind) { return kind == Kind::Data2048 ? 2048 : kind == Kind::Data2336 ? 2336 : 2352; }
bool IsAudio(Kind kind)
{
    return kind == Kind::Wave || kind == Kind::Flac || kind == Kind::RawLittle || kind == Kind::RawBig;
}

bool WriteFile(const std::string& folder, int index, const FileSpec& shape)
{
    const std::string path = folder + "/" + shape.name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    if (shape.kind == Kind::Wave || shape.kind == Kind::Flac) {
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = 2;
        info.format = (shape.kind == Kind::Flac ? SF_FORMAT_FLAC : SF_FORMAT_WAV) | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        if (!file)
            return false;
        std::vector<short> frames(size_t(shape.count) * 2);
        for (uint64_t i = 0; i < shape.count; ++i) {
            uint8_t bytes[4];
            Sample(index, i, bytes);
            frames[size_t(i) * 2] = static_cast<short>(bytes[0] | bytes[1] << 8);
            frames[size_t(i) * 2 + 1] = static_cast<short>(bytes[2] | bytes[3] << 8);
        }
        const bool ok = sf_writef_short(file, frames.data(), sf_count_t(shape.count)) == sf_count_t(shape.count);
        return sf_close(file) == 0 && ok;
    }
    std::string bytes;
    if (IsAudio(shape.kind)) {
        bytes.resize(size_t(shape.count) * 4);
        for (uint64_t i = 0; i < shape.count; ++i) {
            uint8_t sample[4];
            Sample(index, i, sample);
            if (shape.kind == Kind::RawBig) {
                std::swap(sample[0], sample[1]);
                std::swap(sample[2], sample[3]);
            }
            std::memcpy(bytes.data() + i * 4, sample, 4);
        }
    } else {
        bytes.resize(size_t(shape.count) * BlockSize(shape.kind));
        for (size_t j = 0; j < bytes.size(); ++j)
            bytes[j] = static_cast<char>(DataByte(index, j));
    }
    std::ofstream(path, std::ios::binary) << bytes;
    return true;
}

// What a raw read of the checked sector must give.
std::vector<uint8_t> Expected(const Corpus& corpus, const Check& check)
{
    std::vector<uint8_t> out(RAW_SECTOR_SIZE, 0);
    if (check.from == Check::From::Silence)
        return out;
    if (check.from == Check::From::EmptyMode1) {
        platform::cdrom::EncodeMode1Sector(check.sector, nullptr, out.data());
        return out;
    }
    const FileSpec& shape = corpus.files[size_t(check.file)];
    if (IsAudio(shape.kind)) {
        for (uint64_t i = 0; i < S && check.at + i < shape.count; ++i)
            Sample(check.file, check.at + i, out.data() + i * 4);
        return out;
    }
    const uint32_t block = BlockSize(shape.kind);
    std::vector<uint8_t> data(block);
    for (uint32_t j = 0; j < block; ++j)
        data[j] = DataByte(check.file, check.at * block + j);
    if (check.from == Check::From::Cooked)
        platform::cdrom::EncodeMode1Sector(check.sector, data.data(), out.data());
    else if (check.from == Check::From::Mode2Form)
        platform::cdrom::EncodeMode2Sector(check.sector, data.data(), out.data());
    else
        out = data;
    return out;
}

const Check::From FILE_ = Check::From::File;
const Check::From SILENCE = Check::From::Silence;

// The disc of 900 sectors that three EAC layouts describe: track 1 of 265 sectors, track 2 after
// a pregap of 35, track 3 after a pregap of 75.
const std::vector<TrackSpec> EAC_TRACKS = {{0, 0}, {300, 35}, {675, 75}};

const Corpus CORPUS[] = {
    {"eac-single-file.cue",
     {{"Some Band - Some Album.wav", Kind::Wave, 900 * S}},
     {{0, 0}, {385, 85}, {600, 0}},
     900,
     {{FILE_, 0, 0, 0}, {FILE_, 300, 0, 300 * S}, {FILE_, 385, 0, 385 * S}, {FILE_, 899, 0, 899 * S}},
     "0724384260729",
     {"Some Album", "One", "Two", "Three"}},
    {"eac-gaps-in-previous-file.cue",
     {{"01 - One.wav", Kind::Wave, 300 * S},
      {"02 - Two.wav", Kind::Wave, 375 * S},
      {"03 - Three.wav", Kind::Wave, 225 * S}},
     EAC_TRACKS,
     900,
     {{FILE_, 264, 0, 264 * S},
      {FILE_, 265, 0, 265 * S},
      {FILE_, 299, 0, 299 * S},
      {FILE_, 300, 1, 0},
      {FILE_, 600, 1, 300 * S},
      {FILE_, 674, 1, 374 * S},
      {FILE_, 675, 2, 0},
      {FILE_, 899, 2, 224 * S}},
     "",
     {"Some Album", "One", "Two", "Three"}},
    {"eac-gaps-in-next-file.cue",
     {{"Track01.wav", Kind::Wave, 265 * S}, {"Track02.wav", Kind::Wave, 335 * S}, {"Track03.wav", Kind::Wave, 300 * S}},
     EAC_TRACKS,
     900,
     {{FILE_, 264, 0, 264 * S},
      {FILE_, 265, 1, 0},
      {FILE_, 300, 1, 35 * S},
      {FILE_, 600, 2, 0},
      {FILE_, 675, 2, 75 * S}},
     "",
     {}},
    {"gaps-left-out-flac.cue",
     {{"t1.flac", Kind::Flac, 265 * S}, {"t2.flac", Kind::Flac, 300 * S}, {"t3.flac", Kind::Flac, 225 * S}},
     EAC_TRACKS,
     900,
     {{FILE_, 264, 0, 264 * S},
      {SILENCE, 265},
      {SILENCE, 299},
      {FILE_, 300, 1, 0},
      {SILENCE, 600},
      {FILE_, 675, 2, 0},
      {FILE_, 899, 2, 224 * S}},
     "",
     {}},
    // cdrdao show-toc htoa.cue: track 1 PREGAP 2250 START 2250, track 2 START 3000, END 3750.
    {"htoa.cue",
     {{"htoa.bin", Kind::RawLittle, 3750 * S}},
     {{2250, 2250}, {3000, 0}},
     3750,
     {{FILE_, 0, 0, 0}, {FILE_, 2250, 0, 2250 * S}, {FILE_, 3749, 0, 3749 * S}},
     "",
     {}},
    // cdrdao show-toc mixed-mode.cue: 0 MODE1_RAW, 450 after a pregap of 150, 675; END 900.
    {"mixed-mode.cue",
     {{"mixed-mode.bin", Kind::Data2352, 900}},
     {{0, 0, false}, {450, 150}, {675, 0}},
     900,
     {{FILE_, 0, 0, 0}, {FILE_, 299, 0, 299}, {FILE_, 450, 0, 450}},
     "",
     {}},
    {"cd-text-bom-crlf.cue",
     {{"Disc.flac", Kind::Flac, 300 * S}},
     {{0, 0}, {190, 0}},
     300,
     {{FILE_, 189, 0, 189 * S}, {FILE_, 190, 0, 190 * S}},
     "",
     {"\xc3\x85lbum \xe2\x80\x94 Title", "F\xc3\xb6rsta", "Andra"}},
    {"windows-paths.cue",
     {{"Track 01.wav", Kind::Wave, 150 * S}, {"Audio/Track 02.wav", Kind::Wave, 225 * S}},
     {{0, 0}, {150, 0}},
     375,
     {{FILE_, 149, 0, 149 * S}, {FILE_, 150, 1, 0}},
     "",
     {}},
    // cdrdao show-toc: 0; 375 after 75; 715 after 40; END 915.
    {"cdrdao-read-cd-audio.toc",
     {{"data.bin", Kind::RawBig, 915 * S}},
     {{0, 0}, {375, 75}, {715, 40}},
     915,
     {{FILE_, 0, 0, 0}, {FILE_, 300, 0, 300 * S}, {FILE_, 715, 0, 715 * S}, {FILE_, 914, 0, 914 * S}},
     "0724384260729",
     {"Read by cdrdao", "First", "Second", "Third"}},
    // cdrdao show-toc: 0 MODE1_RAW; 450 after 150; 675; END 900.
    {"cdrdao-read-cd-mixed.toc",
     {{"mixed.bin", Kind::Data2352, 900}},
     {{0, 0, false}, {450, 150}, {675, 0}},
     900,
     {{FILE_, 0, 0, 0}, {FILE_, 299, 0, 299}},
     "",
     {}},
    // cdrdao show-toc: 0; 150; END 250.
    {"several-files.toc",
     {{"a.bin", Kind::RawBig, 150 * S}, {"b.bin", Kind::RawBig, 100 * S}},
     {{0, 0}, {150, 0}},
     250,
     {{FILE_, 149, 0, 149 * S}, {FILE_, 150, 1, 0}, {FILE_, 249, 1, 99 * S}},
     "",
     {}},
    // cdrdao show-toc: 0; 275 after 75; 680 after 105; 900 after 50; END 1100.
    {"pregap-silence-start.toc",
     {{"one.wav", Kind::Wave, 200 * S}, {"two.wav", Kind::Wave, 300 * S}, {"three.wav", Kind::Wave, 400 * S}},
     {{0, 0}, {275, 75}, {680, 105}, {900, 50}},
     1100,
     {{FILE_, 199, 0, 199 * S},
      {SILENCE, 200},
      {SILENCE, 274},
      {FILE_, 275, 1, 0},
      {SILENCE, 575},
      {FILE_, 680, 2, 0},
      {FILE_, 829, 2, 149 * S},
      {SILENCE, 830},
      {SILENCE, 849},
      {FILE_, 850, 2, 150 * S},
      {FILE_, 900, 2, 200 * S}},
     "",
     {}},
    // cdrdao show-toc: 0; 171 (END* 171, 342: tracks end inside a sector).
    {"lengths-in-samples.toc",
     {{"x.wav", Kind::Wave, 200000}},
     {{0, 0}, {171, 0}},
     342,
     {{FILE_, 0, 0, 0}, {FILE_, 171, 0, 100000}, {FILE_, 341, 0, 100000 + 170 * S}},
     "",
     {}},
    // cdrdao show-toc: 0; 150; END 300.
    {"swapped-samples.toc",
     {{"little.bin", Kind::RawLittle, 150 * S}, {"big.raw", Kind::RawBig, 150 * S}},
     {{0, 0}, {150, 0}},
     300,
     {{FILE_, 0, 0, 0}, {FILE_, 149, 0, 149 * S}, {FILE_, 150, 1, 0}},
     "",
     {}},
    // cdrdao show-toc: 0 MODE1; 350 MODE2_RAW; 425 MODE2 (INDEX 2 at 475); 675 after 150; END 825.
    {"data-modes.toc",
     {{"cooked.iso", Kind::Data2048, 200},
      {"mode2raw.bin", Kind::Data2352, 75},
      {"form.bin", Kind::Data2336, 100},
      {"tail.raw", Kind::RawBig, 150 * S}},
     {{0, 0, false}, {350, 0, false}, {425, 0, false}, {675, 150}},
     825,
     {{Check::From::Cooked, 0, 0, 0},
      {Check::From::Cooked, 199, 0, 199},
      {Check::From::EmptyMode1, 200},
      {Check::From::EmptyMode1, 349},
      {FILE_, 350, 1, 0},
      {Check::From::Mode2Form, 425, 2, 0},
      {Check::From::Mode2Form, 524, 2, 99},
      {SILENCE, 525},
      {FILE_, 675, 3, 0}},
     "",
     {}},
    // cdrdao show-toc: track 1 PREGAP 2250 START 2250; 3000; END 3150.
    {"htoa.toc",
     {{"hidden.wav", Kind::Wave, 3000 * S}, {"after.wav", Kind::Wave, 150 * S}},
     {{2250, 2250}, {3000, 0}},
     3150,
     {{FILE_, 0, 0, 0}, {FILE_, 2250, 0, 2250 * S}, {FILE_, 3000, 1, 0}},
     "",
     {}},
};

class ImageCorpus : public testing::TestWithParam<Corpus> {};

TEST_P(ImageCorpus, TracksAndBytesAreWhereTheImageSays)
{
    const Corpus& corpus = GetParam();
    TempDir folder;
    for (size_t i = 0; i < corpus.files.size(); ++i)
        ASSERT_TRUE(WriteFile(folder.path().string(), static_cast<int>(i), corpus.files[i])) << corpus.files[i].name;
    const std::string image = folder.file(corpus.image);
    std::filesystem::copy_file(std::string(RIPWELL_TEST_SOURCE_DIR) + "/platform/cdrom/corpus/" + corpus.image, image);

    std::string reason;
    const auto disc = platform::cdrom::OpenDisc(image, platform::cdrom::SourceKind::ImageFile, &reason);
    ASSERT_TRUE(disc) << reason;
    const platform::cdrom::TableOfContents& toc = disc->Toc();
    ASSERT_EQ(toc.tracks.size(), corpus.tracks.size());
    for (size_t t = 0; t < toc.tracks.size(); ++t) {
        EXPECT_EQ(toc.tracks[t].number, t + 1);
        EXPECT_EQ(toc.tracks[t].start, corpus.tracks[t].start) << "track " << t + 1;
        EXPECT_EQ(toc.tracks[t].pregap, corpus.tracks[t].pregap) << "track " << t + 1;
        EXPECT_EQ(toc.tracks[t].isAudio, corpus.tracks[t].audio) << "track " << t + 1;
    }
    EXPECT_EQ(toc.leadOut, corpus.leadOut);
    EXPECT_EQ(toc.catalog, corpus.catalog);
    if (!corpus.titles.empty()) {
        EXPECT_EQ(toc.title, corpus.titles[0]);
        for (size_t t = 0; t < toc.tracks.size(); ++t)
            EXPECT_EQ(toc.tracks[t].title, corpus.titles[t + 1]) << "track " << t + 1;
    }

    std::vector<uint8_t> sector(RAW_SECTOR_SIZE);
    for (const Check& check : corpus.checks) {
        ASSERT_TRUE(disc->ReadRaw(check.sector, 1, sector.data())) << "sector " << check.sector;
        EXPECT_TRUE(sector == Expected(corpus, check)) << "sector " << check.sector;
    }
    // Every sector of the disc reads, in blocks as the extraction worker asks for them.
    std::vector<uint8_t> block(size_t(27) * RAW_SECTOR_SIZE);
    for (uint32_t first = 0; first < toc.leadOut; first += 27)
        ASSERT_TRUE(disc->ReadRaw(first, std::min<uint32_t>(27, toc.leadOut - first), block.data())) << first;
}

INSTANTIATE_TEST_SUITE_P(ShapesOtherProgramsWrite, ImageCorpus, testing::ValuesIn(CORPUS),
                         [](const testing::TestParamInfo<Corpus>& param) {
                             std::string name = param.param.image;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

// The user data of the data tracks of data-modes.toc, read cooked.
TEST(ImageCorpusData, CookedReadsGiveTheUserDataOfEveryMode)
{
    const Corpus& corpus = CORPUS[std::size(CORPUS) - 2];
    ASSERT_STREQ(corpus.image, "data-modes.toc");
    TempDir folder;
    for (size_t i = 0; i < corpus.files.size(); ++i)
        ASSERT_TRUE(WriteFile(folder.path().string(), static_cast<int>(i), corpus.files[i]));
    const std::string image = folder.file(corpus.image);
    std::filesystem::copy_file(std::string(RIPWELL_TEST_SOURCE_DIR) + "/platform/cdrom/corpus/" + corpus.image, image);
    std::string reason;
    const auto disc = platform::cdrom::OpenDisc(image, platform::cdrom::SourceKind::ImageFile, &reason);
    ASSERT_TRUE(disc) << reason;
    std::vector<uint8_t> cooked(COOKED_SECTOR_SIZE);
    const auto expect = [&](uint32_t sector, int file, uint64_t offset) {
        ASSERT_TRUE(disc->ReadCooked(sector, 1, cooked.data())) << sector;
        for (uint32_t j = 0; j < COOKED_SECTOR_SIZE; ++j)
            ASSERT_EQ(cooked[j], file < 0 ? 0 : DataByte(file, offset + j)) << "sector " << sector << " byte " << j;
    };
    expect(7, 0, 7 * 2048);                                // MODE1: the block itself
    expect(300, -1, 0);                                    // its post-gap of ZERO
    expect(360, 1, 10 * 2352 + 24);                        // MODE2_RAW: after sync, header and sub-header
    expect(430, 2, 5 * 2336 + 8);                          // MODE2: after the sub-header
    EXPECT_FALSE(disc->ReadCooked(700, 1, cooked.data())); // audio
}

} // namespace
