// How long opening a large wave file through the document takes, next to reading the same
// file with cat, page cache warm.
//
//   bench_open_wave [megabytes=700] [repetitions=5]
//
// Writes a wave file of real (pseudo-random) samples into a fresh temporary folder, reads it
// once to warm the page cache, then alternates `cat file > /dev/null`,
// CRipwellDoc::OnOpenDocument and, for comparison, the same file read into memory that is
// already in use. Prints every time, the medians and their ratios; the file is deleted at the end.
#include "base/sounds.h"
#include "document/ripwell_doc.h"
#include "document/wave_header.h"
#include "platform/file.h"
#include "support/temp_dir.h"

#include "measure.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// 16-bit stereo samples from a seeded xorshift generator: nothing the file system or the page
// cache could store more cheaply than real audio.
bool WriteWaveFile(const std::string& path, uint32_t dataLength)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    uint8_t header[WAVE_HEADER_SIZE];
    BuildWaveHeader(header, dataLength, WAVE_FORMAT_44100_16_STEREO);
    bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;

    constexpr std::size_t CHUNK = 4u << 20;
    std::vector<uint64_t> chunk(CHUNK / sizeof(uint64_t));
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint32_t left = dataLength;
    while (ok && left > 0) {
        for (uint64_t& word : chunk) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            word = state;
        }
        const std::size_t count = std::min<std::size_t>(left, CHUNK);
        ok = std::fwrite(chunk.data(), 1, count, file) == count;
        left -= static_cast<uint32_t>(count);
    }
    return std::fclose(file) == 0 && ok;
}

double TimeCat(const std::string& path)
{
    const std::string command = "cat '" + path + "' > /dev/null";
    const Clock::time_point start = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = SecondsSince(start);
    if (status != 0) {
        std::fprintf(stderr, "cat failed (status %d)\n", status);
        std::exit(1);
    }
    return seconds;
}

double TimeOpen(const std::string& path, uint32_t expectedLength)
{
    auto doc = std::make_unique<CRipwellDoc>();
    const Clock::time_point start = Clock::now();
    const bool opened = doc->OnOpenDocument(path);
    const double seconds = SecondsSince(start);
    if (!opened || doc->m_nDataLength != expectedLength || doc->m_nWaveFormat != WAVE_FORMAT_44100_16_STEREO) {
        std::fprintf(stderr, "the document did not load the file\n");
        std::exit(1);
    }
    return seconds;
}

// The same read into memory that is already in use: what is left of the load when the
// first touch of fresh memory (the kernel zeroing and mapping every page) is taken away.
double TimeReadIntoTouchedMemory(const std::string& path, std::vector<uint8_t>& buffer)
{
    platform::InputFile file;
    if (file.Open(path) != platform::FileError::None)
        std::exit(1);
    uint64_t got = 0;
    const Clock::time_point start = Clock::now();
    const platform::FileError error = file.ReadAll(buffer.data(), buffer.size(), &got);
    const double seconds = SecondsSince(start);
    if (error != platform::FileError::None || got != buffer.size()) {
        std::fprintf(stderr, "the file did not read\n");
        std::exit(1);
    }
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const long megabytes = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 700;
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 5;
    if (megabytes <= 0 || megabytes > 2000 || repetitions <= 0) {
        std::fprintf(stderr, "usage: %s [megabytes 1..2000] [repetitions]\n", argv[0]);
        return 2;
    }
    SetDialogSoundsEnabled(false);

    const TempDir folder;
    const std::string path = folder.file("bench.wav");
    const auto dataLength = static_cast<uint32_t>(megabytes * 1000 * 1000 - WAVE_HEADER_SIZE);

    int result = 0;
    if (!WriteWaveFile(path, dataLength)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        result = 1;
    } else {
        std::printf("file: %s, %ld MB\n", path.c_str(), megabytes);
        TimeCat(path); // warms the page cache
        TimeOpen(path, dataLength);
        std::vector<uint8_t> touched(dataLength + WAVE_HEADER_SIZE, 1);
        std::vector<double> cat;
        std::vector<double> open;
        std::vector<double> read;
        for (int i = 0; i < repetitions; ++i) {
            cat.push_back(TimeCat(path));
            open.push_back(TimeOpen(path, dataLength));
            read.push_back(TimeReadIntoTouchedMemory(path, touched));
            std::printf("run %d: cat %.3f s, OnOpenDocument %.3f s, read into touched memory %.3f s\n", i + 1,
                        cat.back(), open.back(), read.back());
        }
        const double catMedian = Median(cat);
        const double openMedian = Median(open);
        std::printf("median: cat %.3f s (%.0f MB/s), OnOpenDocument %.3f s (%.0f MB/s), ratio %.2f\n", catMedian,
                    megabytes / catMedian, openMedian, megabytes / openMedian, openMedian / catMedian);
        std::printf("read into touched memory: %.3f s, ratio to cat %.2f\n", Median(read), Median(read) / catMedian);
    }
    return result;
}
