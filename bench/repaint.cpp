// How long one full repaint of the hex dump view takes for a 1 KB document and for a 700 MB
// one, in the same run (offscreen).
//
//   bench_repaint [megabytes=700] [repetitions=50]
//
// Each repaint renders the view's client area into an image, which runs the view's own paint
// handler exactly as an expose would. The large document is measured at its top, its middle
// (thumb dragged half-way) and its last page, one view each, the repaints of the four views
// interleaved so that the load of the machine falls on all alike. Prints the medians and the ratios to the small
// document's time.
#include "base/app_settings.h"
#include "platform/block_memory.h"
#include "document/ripwell_doc.h"
#include "document/hex_dump_layout.h"
#include "document/ui/ripwell_view.h"

#include "measure.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Fills the document as a producer does: empty it, one block with the header slot in front
// of the data, the format, the views told.
bool FillDocument(CRipwellDoc& doc, uint32_t length)
{
    doc.OnNewDocument();
    uint8_t* block = platform::AllocateDataBlock(std::size_t(length) + WAVE_HEADER_SIZE);
    if (!block)
        return false;
    doc.AdoptBlock(block, block, length, false, WAVE_FORMAT_22050_8_MONO);
    uint32_t state = 2463534242u;
    for (uint32_t i = 0; i < length; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        doc.m_pData[i] = static_cast<uint8_t>(state);
    }
    doc.UpdateAllViews();
    return true;
}

// One repaint of the view's client area, in milliseconds.
double TimeRepaint(CRipwellView& view, QImage& image)
{
    const Clock::time_point start = Clock::now();
    view.viewport()->render(&image);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A repaint that drew nothing would make any timing meaningless.
bool ShowsLines(const CRipwellView& view)
{
    return view.m_nVisibleLines > 0 && view.VisibleLineText(0).size() == hexdump::LINE_LENGTH;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const long megabytes = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 700;
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 50;
    if (megabytes <= 0 || megabytes > 2000 || repetitions <= 0) {
        std::fprintf(stderr, "usage: %s [megabytes 1..2000] [repetitions]\n", argv[0]);
        return 2;
    }
    AppSettings settings;
    settings.ShowWaveHeader = 0;

    CRipwellDoc small;
    CRipwellDoc large;
    if (!FillDocument(small, 1024) || !FillDocument(large, static_cast<uint32_t>(megabytes * 1000 * 1000))) {
        std::fprintf(stderr, "no memory for the documents\n");
        return 1;
    }

    // One view on the small document and three on the large one: at its top, half-way down
    // (thumb dragged to the middle) and at its last page. The repaints are interleaved so
    // that the load of the machine falls on all four alike.
    struct Case {
        const char* name;
        std::unique_ptr<CRipwellView> view;
        std::vector<double> times;
    };
    std::vector<Case> cases;
    cases.push_back({"1 KB, top", std::make_unique<CRipwellView>(&small, settings, nullptr), {}});
    cases.push_back({"large, top", std::make_unique<CRipwellView>(&large, settings, nullptr), {}});
    cases.push_back({"large, middle", std::make_unique<CRipwellView>(&large, settings, nullptr), {}});
    cases.push_back({"large, last page", std::make_unique<CRipwellView>(&large, settings, nullptr), {}});
    for (Case& c : cases) {
        c.view->resize(800, 600);
        c.view->show();
    }
    QApplication::processEvents();
    for (Case& c : cases)
        c.view->OnUpdate();
    CRipwellView& middle = *cases[2].view;
    middle.OnVScroll(hexdump::ScrollAction::ThumbTrack, middle.verticalScrollBar()->maximum() / 2);
    cases[3].view->OnVScroll(hexdump::ScrollAction::Bottom);
    for (const Case& c : cases) {
        if (!ShowsLines(*c.view)) {
            std::fprintf(stderr, "the view (%s) shows no lines\n", c.name);
            return 1;
        }
    }
    if (middle.m_nTopLine <= 0 || cases[3].view->m_nTopLine <= middle.m_nTopLine) {
        std::fprintf(stderr, "the view did not scroll through the large document\n");
        return 1;
    }

    QImage image(cases[0].view->viewport()->size(), QImage::Format_RGB32);
    for (int round = -5; round < repetitions; ++round) { // the first rounds fill the glyph caches
        for (Case& c : cases) {
            const double ms = TimeRepaint(*c.view, image);
            if (round >= 0)
                c.times.push_back(ms);
        }
    }

    const double smallTime = Median(cases[0].times);
    double worst = 0;
    std::printf("%ld MB document: %d lines; %d of them visible\n", megabytes, cases[1].view->m_nTotalLines,
                cases[1].view->m_nVisibleLines);
    for (const Case& c : cases) {
        const double t = Median(c.times);
        worst = std::max(worst, t / smallTime);
        std::printf("%-17s first line %9d: repaint %.3f ms (median of %d), ratio %.2f\n", c.name, c.view->m_nTopLine, t,
                    repetitions, t / smallTime);
    }
    std::printf("worst ratio large/small: %.2f\n", worst);
    return 0;
}
