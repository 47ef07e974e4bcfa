#include "document/ui/ripwell_view.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "base/app_settings.h"
#include "document/ripwell_doc.h"
#include "platform/block_memory.h"

namespace {

// Fills the document the way a producer does: one block, header slot in front of the data.
void FillDocument(CRipwellDoc& doc, uint32_t length, uint8_t value)
{
    doc.OnNewDocument();
    uint8_t* block = platform::AllocateDataBlock(length + 44);
    std::memset(block, value, length + 44);
    doc.AdoptBlock(block, block, length, false, WAVE_FORMAT_22050_8_MONO);
}

void Key(QWidget* w, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

void Wheel(QWidget* w, int delta)
{
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &wheel);
}

} // namespace

TEST(RipwellView, DrawsTheLinesOfTheDisplayRange)
{
    AppSettings settings;
    settings.ShowWaveHeader = 0;
    CRipwellDoc doc;
    CRipwellView view(&doc, settings, nullptr);
    view.resize(600, 300);
    view.show();
    view.OnUpdate();
    EXPECT_EQ(view.m_nTotalLines, 0);
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 0);
    EXPECT_TRUE(view.VisibleLineText(0).isEmpty());

    FillDocument(doc, 1, 0x41);
    doc.UpdateAllViews();
    EXPECT_EQ(view.m_nTotalLines, 1);
    EXPECT_EQ(view.VisibleLineText(0), QString("00000000  41 ") + QString(45, ' ') + "  A" + QString(15, ' '));

    settings.ShowWaveHeader = 1;
    doc.UpdateAllViews();
    EXPECT_EQ(view.m_nTotalLines, 3); // 45 bytes
    EXPECT_TRUE(view.VisibleLineText(0).startsWith("00000000  52 49 46 46 "));
    EXPECT_EQ(view.VisibleLineText(0).mid(60, 4), "RIFF");
}

TEST(RipwellView, HundredMegabytesScrollToTheEnd)
{
    AppSettings settings;
    settings.ShowWaveHeader = 0;
    CRipwellDoc doc;
    FillDocument(doc, 100u * 1024 * 1024, 0x20);
    CRipwellView view(&doc, settings, nullptr);
    view.resize(600, 400);
    view.show();
    view.OnUpdate();
    ASSERT_EQ(view.m_nTotalLines, 6553600);
    ASSERT_GT(view.m_nVisibleLines, 0);
    QScrollBar* bar = view.verticalScrollBar();
    EXPECT_EQ(bar->maximum() + bar->pageStep(), 32767);
    const int last = view.m_nTotalLines - view.m_nVisibleLines;

    bar->setSliderDown(true);
    bar->setSliderPosition(bar->maximum());
    bar->setSliderDown(false);
    EXPECT_EQ(view.m_nTopLine, last);
    Key(&view, Qt::Key_PageDown);
    Key(&view, Qt::Key_Down);
    EXPECT_EQ(view.m_nTopLine, last);
    EXPECT_EQ(view.VisibleLineText(view.m_nVisibleLines - 1).left(8), "063FFFF0");

    Key(&view, Qt::Key_Home);
    EXPECT_EQ(view.m_nTopLine, 0);
    EXPECT_EQ(bar->value(), 0);
    Key(&view, Qt::Key_End);
    EXPECT_EQ(view.m_nTopLine, last);
    EXPECT_EQ(bar->value(), bar->maximum());

    Wheel(view.viewport(), 240);
    EXPECT_EQ(view.m_nTopLine, last);
    Wheel(view.viewport(), 120);
    EXPECT_EQ(view.m_nTopLine, last - view.m_nVisibleLines);
    Wheel(view.viewport(), -120);
    EXPECT_EQ(view.m_nTopLine, last);
}

TEST(RipwellView, ColoursComeFromTheSettingsAndGoBack)
{
    AppSettings settings;
    settings.Foreground = 0x0000FF; // red
    settings.Background = 0x00FF00; // green
    {
        CRipwellDoc doc;
        CRipwellView view(&doc, settings, nullptr);
        EXPECT_EQ(view.m_crText, QColor(255, 0, 0));
        EXPECT_EQ(view.m_crBack, QColor(0, 255, 0));
        view.m_crText = QColor(0x12, 0x34, 0x56);
        view.m_crBack = QColor(0xAB, 0xCD, 0xEF);
    }
    EXPECT_EQ(settings.Foreground, 0x563412u);
    EXPECT_EQ(settings.Background, 0xEFCDABu);
}

TEST(RipwellView, AHorizontalPageIsATenthOfTheWidthAndALineATenthOfThat)
{
    AppSettings settings;
    CRipwellDoc doc;
    FillDocument(doc, 64, 0x41);
    CRipwellView view(&doc, settings, nullptr);
    view.resize(200, 200);
    view.show();
    view.OnUpdate();
    QScrollBar* bar = view.horizontalScrollBar();
    const int extent = 77 * view.m_nCharWidth;
    ASSERT_GT(bar->maximum(), extent / 10 * 2);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(bar->value(), extent / 10);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(bar->value(), extent / 10 * 2);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(bar->value(), extent / 10 * 2 - extent / 100);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(bar->value(), 0);
    // The thumb still shows how much of the width the window shows.
    EXPECT_EQ(bar->pageStep(), view.viewport()->width());
}
