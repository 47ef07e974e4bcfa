// The animation control with the program's own clips: frames shown in order at the clip's
// rate, looping or a counted number of times, the transparent background, and clips that
// cannot be opened.
#include "platform/ui/animate_ctrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPalette>

#include <gtest/gtest.h>

#include <vector>

#include "res/resource.h"

namespace {

// Runs the event loop until the condition holds or five seconds have passed.
template <class Condition> bool WaitFor(Condition condition)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return condition();
}

} // namespace

TEST(AnimateCtrl, PlaysTheAboutClipFromItsFirstFrameInALoopUntilStopped)
{
    CAnimateCtrl control;
    ASSERT_TRUE(control.Open(res::IDR_AVI_ABOUT));
    EXPECT_EQ(control.FrameCount(), 2);
    EXPECT_EQ(control.sizeHint(), QSize(32, 32));
    EXPECT_EQ(control.FrameMilliseconds(), 100); // ten frames a second
    EXPECT_NE(control.Frame(0), control.Frame(1));

    std::vector<int> shown;
    QObject::connect(&control, &CAnimateCtrl::frameShown, [&](int frame) { shown.push_back(frame); });
    ASSERT_TRUE(control.Play(-1, 0, 0xFFFF));
    ASSERT_EQ(shown, std::vector<int>{0}); // the first frame at once
    ASSERT_TRUE(WaitFor([&] { return shown.size() >= 5; }));
    control.Stop();
    EXPECT_EQ(std::vector<int>(shown.begin(), shown.begin() + 5), (std::vector<int>{0, 1, 0, 1, 0}));
    EXPECT_FALSE(control.IsPlaying());
    const size_t atStop = shown.size();
    QApplication::processEvents();
    EXPECT_EQ(shown.size(), atStop);

    // A counted play: twice through, then it stays on the last frame.
    shown.clear();
    ASSERT_TRUE(control.Play(2, 0, 1));
    ASSERT_TRUE(WaitFor([&] { return !control.IsPlaying(); }));
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 0, 1}));
    EXPECT_EQ(control.CurrentFrame(), 1);

    // Ranges outside the clip are refused; the end is clamped to the last frame.
    EXPECT_FALSE(control.Play(-1, 2, 5));
    EXPECT_FALSE(control.Play(0, 0, 1));
    EXPECT_TRUE(control.Play(1, 1, 0xFFFF));
    control.Stop();
}

TEST(AnimateCtrl, TheProgressClipOpensAtItsOwnSizeAndRate)
{
    CAnimateCtrl control;
    ASSERT_TRUE(control.Open(res::IDR_AVI_PROGRESS));
    EXPECT_EQ(control.FrameCount(), 12);
    EXPECT_EQ(control.sizeHint(), QSize(272, 60));
    EXPECT_EQ(control.FrameMilliseconds(), 83);
}

TEST(AnimateCtrl, ATransparentControlShowsTheWindowBehindWhereTheFrameHasItsBackgroundColour)
{
    QWidget window;
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(10, 200, 30));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    auto* control = new CAnimateCtrl(&window);
    ASSERT_TRUE(control->Open(res::IDR_AVI_ABOUT));
    control->resize(32, 32);
    window.resize(40, 40);

    const QImage plain = control->Frame(0);
    const QRgb key = plain.pixel(0, 0);
    control->setTransparent(true);
    const QImage shot = window.grab(control->geometry()).toImage();
    int background = 0, drawn = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb expected = plain.pixel(x, y) == key ? qRgb(10, 200, 30) : plain.pixel(x, y);
            EXPECT_EQ(shot.pixel(x, y) & 0xFFFFFF, expected & 0xFFFFFF) << x << "," << y;
            (plain.pixel(x, y) == key ? background : drawn)++;
        }
    EXPECT_GT(background, 100);
    EXPECT_GT(drawn, 100);
}

TEST(AnimateCtrl, AClipThatCannotBeOpenedLeavesTheControlEmpty)
{
    CAnimateCtrl control;
    ASSERT_TRUE(control.Open(res::IDR_AVI_ABOUT));
    EXPECT_FALSE(control.Open(999));
    EXPECT_FALSE(control.IsOpen());
    EXPECT_TRUE(control.Frame(0).isNull());
    EXPECT_EQ(control.sizeHint(), QSize(0, 0));
    EXPECT_FALSE(control.Play(-1, 0, 0xFFFF));
    EXPECT_FALSE(control.OpenData(QByteArray("RIFF\x04\0\0\0AVI ", 12)));
    EXPECT_FALSE(control.IsOpen());
}
