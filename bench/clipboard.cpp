// How long Copy and Paste of a large document take on the desktop's clipboard, next to one
// memcpy of the same bytes in the same run.
//
//   bench_clipboard [megabytes=100] [repetitions=7]
//
// Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise (under xvfb-run with
// QT_QPA_PLATFORM=xcb it is the X server's clipboard; the timings are Ripwell's own work either
// way, as no other program asks for the data). Fills a sound document of pseudo-random samples,
// then alternates: memcpy into memory already in use, memcpy into fresh memory, Copy as wave,
// Paste as wave. Prints every time, the medians and their ratios to the memcpy.
#include "base/sounds.h"
#include "document/clipboard_transfer.h"
#include "document/ripwell_doc.h"
#include "document/wave_header.h"
#include "platform/block_memory.h"
#include "platform/clipboard.h"
#include "platform/ui/qt_clipboard.h"

#include "measure.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void FillSound(CRipwellDoc& doc, uint32_t length)
{
    doc.OnNewDocument();
    uint8_t* block = platform::AllocateDataBlock(WAVE_HEADER_SIZE + length);
    if (!block) {
        std::fprintf(stderr, "no memory for the document\n");
        std::exit(1);
    }
    doc.AdoptBlock(block, block, length, true, WAVE_FORMAT_44100_16_STEREO);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (uint32_t i = 0; i + 8 <= length; i += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::memcpy(doc.m_pData + i, &state, 8);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const long megabytes = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 100;
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 7;
    if (megabytes <= 0 || megabytes > 2000 || repetitions <= 0) {
        std::fprintf(stderr, "usage: %s [megabytes 1..2000] [repetitions]\n", argv[0]);
        return 2;
    }
    SetDialogSoundsEnabled(false);
    platform::InstallQtClipboardService();

    const auto length = static_cast<uint32_t>(megabytes * 1000 * 1000);
    const std::size_t imageLength = length + WAVE_HEADER_SIZE;
    auto doc = std::make_unique<CRipwellDoc>();
    FillSound(*doc, length);
    std::vector<uint8_t> original(doc->m_pHeader, doc->m_pHeader + imageLength);
    std::vector<uint8_t> touched(imageLength, 1);
    const int owner = 0;

    std::vector<double> copyInUse, copyFresh, copy, paste;
    for (int i = 0; i < repetitions; ++i) {
        Clock::time_point start = Clock::now();
        std::memcpy(touched.data(), doc->m_pHeader, imageLength);
        copyInUse.push_back(SecondsSince(start));

        start = Clock::now();
        auto* fresh = static_cast<uint8_t*>(std::malloc(imageLength));
        std::memcpy(fresh, doc->m_pHeader, imageLength);
        copyFresh.push_back(SecondsSince(start));
        std::free(fresh);

        start = Clock::now();
        CopyToClipboard(*doc, platform::CF_WAVE, &owner);
        copy.push_back(SecondsSince(start));

        doc->SetModifiedFlag(false);
        start = Clock::now();
        PasteFromClipboard(*doc, platform::CF_WAVE, &owner);
        paste.push_back(SecondsSince(start));

        if (doc->m_nDataLength != length || std::memcmp(doc->m_pHeader, original.data(), imageLength) != 0) {
            std::fprintf(stderr, "the pasted document differs from the copied one\n");
            return 1;
        }
        std::printf("run %d: memcpy %.4f s, memcpy into fresh memory %.4f s, Copy %.4f s, Paste %.4f s\n", i + 1,
                    copyInUse.back(), copyFresh.back(), copy.back(), paste.back());
    }
    const double base = Median(copyInUse);
    std::printf("median of %d, %ld MB: memcpy %.4f s (%.0f MB/s); memcpy into fresh memory %.4f s (ratio %.2f);\n"
                "Copy %.4f s (ratio %.2f); Paste %.4f s (ratio %.2f)\n",
                repetitions, megabytes, base, megabytes / base, Median(copyFresh), Median(copyFresh) / base,
                Median(copy), Median(copy) / base, Median(paste), Median(paste) / base);
    return 0;
}
