// Feeds arbitrary bytes to the program's readers of disc images as a cue sheet, a cdrdao TOC file
// or a Nero image (one target each, by FUZZ_IMAGE_EXTENSION), in a folder that holds the files
// sheets name: a.bin (300 raw sectors), b.wav and c.flac (40 sectors of samples each) and d.iso
// (20 blocks of 2048 bytes). An image that is refused must say why; an image that opens must
// have a table of contents that holds together and read where it says it has sectors, and
// nowhere else. AddressSanitizer and UBSan stop the run at any fault.
#include "fuzz_check.h"
#include "platform/cdrom/image_disc.h"
#include "platform/cdrom/image_layout.h"

#include <sndfile.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace platform::cdrom;

const std::vector<std::string> FILES = {"a.bin", "b.wav", "c.flac", "d.iso"};

std::string g_folder;
std::string g_image;

void WriteSound(const std::string& path, int format)
{
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = format | SF_FORMAT_PCM_16;
    SNDFILE* sound = sf_open(path.c_str(), SFM_WRITE, &info);
    FUZZ_CHECK(sound);
    std::vector<short> samples(size_t(40) * SAMPLES_PER_SECTOR * 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<short>(i * 13);
    FUZZ_CHECK(sf_writef_short(sound, samples.data(), sf_count_t(samples.size() / 2)) ==
               sf_count_t(samples.size() / 2));
    sf_close(sound);
}

void RemoveFolder()
{
    ::unlink(g_image.c_str());
    for (const std::string& name : FILES)
        ::unlink((g_folder + "/" + name).c_str());
    ::rmdir(g_folder.c_str());
}

void SetUp()
{
    char pattern[] = "/tmp/ripwell-fuzz-XXXXXX";
    FUZZ_CHECK(::mkdtemp(pattern));
    g_folder = pattern;
    g_image = g_folder + "/image" FUZZ_IMAGE_EXTENSION;
    std::vector<uint8_t> bytes(size_t(300) * RAW_SECTOR_SIZE);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + i / RAW_SECTOR_SIZE);
    WriteFuzzInput(g_folder + "/a.bin", bytes.data(), bytes.size());
    WriteFuzzInput(g_folder + "/d.iso", bytes.data(), size_t(20) * COOKED_SECTOR_SIZE);
    WriteSound(g_folder + "/b.wav", SF_FORMAT_WAV);
    WriteSound(g_folder + "/c.flac", SF_FORMAT_FLAC);
    std::atexit(RemoveFolder);
}

std::unique_ptr<Disc> Open(std::string* reason)
{
    const std::string extension = FUZZ_IMAGE_EXTENSION;
    if (extension == ".cue")
        return OpenCueImage(g_image, reason);
    if (extension == ".toc")
        return OpenTocImage(g_image, reason);
    return OpenNrgImage(g_image, reason);
}

void CheckTableOfContents(const TableOfContents& toc)
{
    FUZZ_CHECK(!toc.tracks.empty() && toc.tracks.size() <= 99);
    FUZZ_CHECK(toc.firstTrack == toc.tracks.front().number && toc.lastTrack == toc.tracks.back().number);
    FUZZ_CHECK(toc.leadOut <= MAX_DISC_SECTORS);
    for (size_t i = 0; i < toc.tracks.size(); ++i) {
        const Track& track = toc.tracks[i];
        FUZZ_CHECK(track.number == toc.firstTrack + i && track.number >= 1 && track.number <= 99);
        FUZZ_CHECK(track.length > 0 && track.start + track.length == toc.TrackEnd(i));
        // The pregap lies after the track before began, and before this one's start.
        const uint32_t previous = i == 0 ? 0 : toc.tracks[i - 1].start + 1;
        FUZZ_CHECK(track.pregap <= track.start && track.start - track.pregap >= previous);
    }
    FUZZ_CHECK(toc.tracks.back().start + toc.tracks.back().length == toc.leadOut);
}

void CheckReads(Disc& disc)
{
    const TableOfContents& toc = disc.Toc();
    std::vector<uint8_t> buffer(size_t(27) * RAW_SECTOR_SIZE);
    const uint32_t head = std::min<uint32_t>(27, toc.leadOut);
    FUZZ_CHECK(disc.ReadRaw(0, head, buffer.data()));
    FUZZ_CHECK(disc.ReadRaw(toc.leadOut - head, head, buffer.data()));
    FUZZ_CHECK(!disc.ReadRaw(toc.leadOut, 1, buffer.data()));
    FUZZ_CHECK(!disc.ReadRaw(toc.leadOut - head, head + 1, buffer.data()));
    for (const Track& track : toc.tracks) {
        FUZZ_CHECK(disc.ReadRaw(track.start, 1, buffer.data()));
        FUZZ_CHECK(disc.ReadCooked(track.start, 1, buffer.data()) == !track.isAudio);
        if (track.pregap > 0)
            FUZZ_CHECK(disc.ReadRaw(track.start - track.pregap, 1, buffer.data()));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (g_folder.empty())
        SetUp();
    WriteFuzzInput(g_image, data, size);
    ForgetImage(g_image); // the image is read anew, whatever the time of the last one was
    std::string reason;
    const std::unique_ptr<Disc> disc = Open(&reason);
    if (!disc) {
        FUZZ_CHECK(!reason.empty());
        return 0;
    }
    CheckTableOfContents(disc->Toc());
    CheckReads(*disc);
    return 0;
}
