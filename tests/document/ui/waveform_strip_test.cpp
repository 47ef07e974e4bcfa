#include "document/ui/waveform_strip.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <cstring>

#include "base/app_settings.h"
#include "document/ripwell_doc.h"
#include "document/ui/ripwell_view.h"
#include "platform/block_memory.h"
#include "res/resource.h"
#include "support/scripted_desktop.h"

namespace {

constexpr uint32_t kFrames = 1u << 20; // 4 MiB at format 15

// Fills the document as a producer does. Format 15; the left channel goes between silence and
// a loud positive sample in the first half, between silence and a loud negative one in the
// second; the right channel is silent.
void FillDocument(CRipwellDoc& doc)
{
    doc.OnNewDocument();
    const uint32_t length = kFrames * 4;
    uint8_t* block = platform::AllocateDataBlock(length + WAVE_HEADER_SIZE);
    ASSERT_NE(block, nullptr);
    for (uint32_t k = 0; k < kFrames; ++k) {
        const int16_t loud = k < kFrames / 2 ? 30000 : -30000;
        const int16_t left = k % 2 ? loud : 0;
        uint8_t* at = block + WAVE_HEADER_SIZE + size_t(k) * 4;
        at[0] = static_cast<uint8_t>(left);
        at[1] = static_cast<uint8_t>(static_cast<uint16_t>(left) >> 8);
        at[2] = at[3] = 0;
    }
    doc.AdoptBlock(block, block, length, true, WAVE_FORMAT_44100_16_STEREO);
    doc.UpdateAllViews();
}

bool Checked(const CRipwellView& view, int id)
{
    framework::CCmdUI ui;
    ui.m_nID = id;
    view.Commands().Update(ui);
    return ui.m_bChecked;
}

void Click(QWidget* widget, int x)
{
    const QPointF at(x, widget->height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

// Counts the paint events a widget gets from the event loop.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        m_nPaints += event->type() == QEvent::Paint;
        return false;
    }
    // Runs the event loop until a paint came or a deadline of a few seconds has passed.
    bool WaitForOne()
    {
        QElapsedTimer clock;
        clock.start();
        while (m_nPaints == 0 && clock.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        return m_nPaints > 0;
    }

private:
    int m_nPaints = 0;
};

struct StripFixture : testing::Test {
    void SetUp() override
    {
        view.resize(820, 400);
        view.show();
        FillDocument(doc);
        QApplication::processEvents(); // the scroll bars the data needs are laid out
    }
    ScriptedDesktop desktop;
    CRipwellDoc doc;
    AppSettings settings;
    CRipwellView view{&doc, settings, nullptr};
};

} // namespace

TEST_F(StripFixture, OffByDefaultTheViewMenuShowsItAndItsSummaryIsBuiltOncePerChange)
{
    CWaveformStrip* strip = view.WaveformStrip();
    EXPECT_FALSE(Checked(view, res::ID_VIEW_WAVEFORM));
    const QRect dumpBefore = view.viewport()->geometry();
    const int linesBefore = view.m_nVisibleLines;
    QApplication::processEvents();
    EXPECT_EQ(strip->SummaryBuilds(), 0); // hidden: nothing built

    // Shown, it takes the top of the view and the dump starts below it.
    ASSERT_TRUE(view.Commands().Dispatch(res::ID_VIEW_WAVEFORM));
    EXPECT_TRUE(Checked(view, res::ID_VIEW_WAVEFORM));
    const QRect dump = view.viewport()->geometry();
    EXPECT_EQ(strip->geometry(), QRect(dump.left(), dumpBefore.top(), dump.width(), CWaveformStrip::STRIP_HEIGHT));
    EXPECT_EQ(dump.top(), dumpBefore.top() + CWaveformStrip::STRIP_HEIGHT);
    EXPECT_LT(view.m_nVisibleLines, linesBefore);

    // Repaints and scrolling use the summary as it is; a new format or new data builds it anew.
    strip->grab();
    view.OnVScroll(hexdump::ScrollAction::PageDown);
    strip->grab();
    EXPECT_EQ(strip->SummaryBuilds(), 1);
    EXPECT_EQ(strip->Summary().Channels(), 2);
    doc.SetWaveFormat(14); // mono: twice the frames, one channel
    strip->grab();
    strip->grab();
    EXPECT_EQ(strip->SummaryBuilds(), 2);
    EXPECT_EQ(strip->Summary().Frames(), 2u * kFrames);
    FillDocument(doc); // new data, told through the views
    strip->grab();
    EXPECT_EQ(strip->SummaryBuilds(), 3);
    doc.OnNewDocument();
    doc.UpdateAllViews();
    strip->grab();
    EXPECT_FALSE(strip->Summary().IsBuilt());

    view.Commands().Dispatch(res::ID_VIEW_WAVEFORM);
    EXPECT_FALSE(strip->isVisible());
    EXPECT_EQ(view.viewport()->geometry().top(), dumpBefore.top());
    EXPECT_EQ(view.m_nVisibleLines, linesBefore);
}

TEST_F(StripFixture, DrawsEachChannelsPeaksMarksTheLinesShownAndAClickScrollsThere)
{
    view.ShowWaveformStrip(true);
    CWaveformStrip* strip = view.WaveformStrip();
    const QImage picture = strip->grab().toImage();
    const QRgb back = view.m_crBack.rgb();
    const int w = strip->width();
    const int lane = (CWaveformStrip::STRIP_HEIGHT - 1) / 2;
    auto drawn = [&](int x, int y) { return picture.pixel(x, y) != back; };
    // Left lane: above its zero line in the first half, below it in the second.
    EXPECT_TRUE(drawn(w / 4, lane / 2 - 12));
    EXPECT_FALSE(drawn(w / 4, lane / 2 + 12));
    EXPECT_FALSE(drawn(3 * w / 4, lane / 2 - 12));
    EXPECT_TRUE(drawn(3 * w / 4, lane / 2 + 12));
    // Right lane: silent, nothing but its zero line.
    EXPECT_FALSE(drawn(w / 4, lane + lane / 2 - 12));
    EXPECT_TRUE(drawn(w / 4, lane + lane / 2));
    // The first lines of a 4 MiB document: a narrow mark at the left edge.
    EXPECT_EQ(strip->MarkColumns().x, 0);
    EXPECT_EQ(strip->MarkColumns().width, 2);
    EXPECT_TRUE(drawn(1, lane / 2 + 12));

    // The middle column stands for the middle frame: data byte 2 MiB, line 131072.
    Click(strip, w / 2);
    EXPECT_EQ(view.VisibleLineText(0).left(8), "00200000");
    EXPECT_EQ(strip->MarkColumns().x, w / 2);
    // With the header shown, the line that shows that data byte.
    settings.ShowWaveHeader = 1;
    doc.UpdateAllViews();
    Click(strip, w / 2);
    EXPECT_EQ(view.m_nTopLine, (2 * 1024 * 1024 + 44) / 16);
    EXPECT_LE(strip->MarkColumns().x, w / 2);
    EXPECT_GT(strip->MarkColumns().x + strip->MarkColumns().width, w / 2);
    // Beyond the right edge: the last column, the last w-th part of the data.
    Click(strip, w + 50);
    const uint32_t length = kFrames * 4 + 44;
    EXPECT_GE(uint64_t(view.m_nTopLine) * 16, length - length / w - 16);
    EXPECT_EQ(strip->MarkColumns().x + strip->MarkColumns().width, w);

    // New colours from the Options repaint the strip too, without another change.
    QApplication::processEvents(); // the repaints the clicks asked for
    PaintCounter paints(strip);
    view.m_crBack = QColor(10, 20, 30);
    view.ApplyColors();
    ASSERT_TRUE(paints.WaitForOne());
    EXPECT_EQ(strip->grab().toImage().pixel(w / 4, lane / 2 + 12), QColor(10, 20, 30).rgb());
}
