// How fast the waveform strip above the hex dump is, for a 700 MB document against a 1 KB one.
//
//   bench_waveform_strip [megabytes=700] [rounds=7] [repaints=50]
//
// 1. The summary build: each round times one memchr over the large document's data (for a
//    byte the data does not hold, so it reads every byte) and one build of the strip's min/max
//    summary over the same bytes, one after the other, so that the load of the machine falls on
//    both alike. Prints the median of each and the median of the rounds' ratios.
// 2. The repaint: one view with its strip shown on each document (format 15, 800 x 600), the
//    large one once at its top and once half-way down; each repaint renders the strip into an
//    image, which runs its paint handler as an expose would (the picture of the waveform drawn
//    at the first repaint, the mark of the dump's lines over it). Then the picture itself: the
//    columns' peaks from the summary and their lines, as after a change of format or size.
//    The three strips take turns. Prints the medians and their ratios to the small document's.
#include "base/app_settings.h"
#include "document/ripwell_doc.h"
#include "document/ui/ripwell_view.h"
#include "document/ui/waveform_strip.h"
#include "document/waveform_summary.h"
#include "platform/block_memory.h"

#include "measure.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>

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
constexpr int kAbsentByte = 0xA5; // memchr looks for it; the data never holds it

double Milliseconds(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Fills the document as a producer does: emptied, one block with the header slot in front of
// noise samples at format 15, the views told.
bool FillDocument(CRipwellDoc& doc, uint32_t length)
{
    doc.OnNewDocument();
    uint8_t* block = platform::AllocateDataBlock(std::size_t(length) + WAVE_HEADER_SIZE);
    if (!block)
        return false;
    uint8_t* data = block + WAVE_HEADER_SIZE;
    uint32_t state = 2463534242u;
    for (uint32_t i = 0; i < length; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const auto byte = static_cast<uint8_t>(state);
        data[i] = byte == kAbsentByte ? byte - 1 : byte;
    }
    doc.AdoptBlock(block, block, length, true, WAVE_FORMAT_44100_16_STEREO);
    doc.UpdateAllViews();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const long megabytes = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 700;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
    const int repaints = argc > 3 ? std::atoi(argv[3]) : 50;
    if (megabytes <= 0 || megabytes > 2000 || rounds < 1 || repaints < 1) {
        std::fprintf(stderr, "usage: %s [megabytes 1..2000] [rounds] [repaints]\n", argv[0]);
        return 2;
    }
    AppSettings settings;
    CRipwellDoc small;
    CRipwellDoc large;
    if (!FillDocument(small, 1024) || !FillDocument(large, static_cast<uint32_t>(megabytes * 1000 * 1000))) {
        std::fprintf(stderr, "no memory for the documents\n");
        return 1;
    }

    // 1. Summary build against memchr over the same bytes.
    std::vector<double> scanTimes, buildTimes, ratios;
    waveform::WaveformSummary summary;
    for (int round = -1; round < rounds; ++round) { // round -1 warms up the page tables
        Clock::time_point start = Clock::now();
        const void* found = std::memchr(large.m_pData, kAbsentByte, large.m_nDataLength);
        const double scan = Milliseconds(start);
        start = Clock::now();
        const bool built = summary.Build(large.m_pData, large.m_nDataLength, large.m_nWaveFormat);
        const double build = Milliseconds(start);
        if (found || !built) {
            std::fprintf(stderr, "memchr found the byte or the summary was not built\n");
            return 1;
        }
        if (round < 0)
            continue;
        scanTimes.push_back(scan);
        buildTimes.push_back(build);
        ratios.push_back(build / scan);
    }
    std::printf("%ld MB document, %llu frames, summary of %d levels\n", megabytes,
                static_cast<unsigned long long>(summary.Frames()), summary.Levels());
    std::printf("memchr %.1f ms, summary build %.1f ms (medians of %d rounds); ratio build/memchr %.2f\n",
                Median(scanTimes), Median(buildTimes), rounds, Median(ratios));
    summary.Clear();

    // 2. Strip repaints.
    struct Case {
        const char* name;
        std::unique_ptr<CRipwellView> view;
        std::vector<double> times;
        std::vector<double> pictureTimes;
    };
    std::vector<Case> cases;
    cases.push_back({"1 KB", std::make_unique<CRipwellView>(&small, settings, nullptr), {}});
    cases.push_back({"large, top", std::make_unique<CRipwellView>(&large, settings, nullptr), {}});
    cases.push_back({"large, middle", std::make_unique<CRipwellView>(&large, settings, nullptr), {}});
    for (Case& c : cases) {
        c.view->resize(800, 600);
        c.view->show();
        c.view->ShowWaveformStrip(true);
    }
    QApplication::processEvents();
    for (Case& c : cases)
        c.view->OnUpdate();
    cases[2].view->OnVScroll(hexdump::ScrollAction::ThumbTrack, cases[2].view->verticalScrollBar()->maximum() / 2);
    QImage image(cases[0].view->WaveformStrip()->size(), QImage::Format_RGB32);
    std::vector<int> builds;
    for (int round = -5; round < repaints; ++round) { // the first rounds build the summaries
        if (round == 0)
            for (const Case& c : cases)
                builds.push_back(c.view->WaveformStrip()->SummaryBuilds());
        for (Case& c : cases) {
            const Clock::time_point start = Clock::now();
            c.view->WaveformStrip()->render(&image);
            const double ms = Milliseconds(start);
            if (round >= 0)
                c.times.push_back(ms);
        }
    }
    for (int round = -5; round < repaints; ++round) {
        for (Case& c : cases) {
            const Clock::time_point start = Clock::now();
            c.view->WaveformStrip()->DrawPicture(image);
            const double ms = Milliseconds(start);
            if (round >= 0)
                c.pictureTimes.push_back(ms);
        }
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const CWaveformStrip* strip = cases[i].view->WaveformStrip();
        if (strip->SummaryBuilds() != builds[i] || !strip->Summary().IsBuilt() || strip->width() < 700) {
            std::fprintf(stderr, "the strip (%s) was not shown, or a repaint built its summary\n", cases[i].name);
            return 1;
        }
    }
    const double smallTime = Median(cases[0].times);
    const double smallPicture = Median(cases[0].pictureTimes);
    double worst = 0;
    const CWaveformStrip* strip = cases[0].view->WaveformStrip();
    std::printf("strip %d x %d pixels\n", strip->width(), strip->height());
    for (const Case& c : cases) {
        const double t = Median(c.times);
        if (&c != &cases[0])
            worst = std::max(worst, t / smallTime);
        const double p = Median(c.pictureTimes);
        std::printf("%-14s first line %9d: strip repaint %.3f ms (median of %d), ratio %.2f; "
                    "picture %.3f ms, ratio %.2f\n",
                    c.name, c.view->m_nTopLine, t, repaints, t / smallTime, p, p / smallPicture);
    }
    std::printf("worst repaint ratio large/small: %.2f\n", worst);
    return 0;
}
