// The About command: the greeting sound first, then the box with its animation playing from
// the first frame in a loop, stopped when the box closes.
#include "app/ui/about_dlg.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ui/ripwell_app.h"
#include "platform/ui/animate_ctrl.h"
#include "support/scoped_environment.h"
#include "support/scripted_desktop.h"
#include "support/temp_dir.h"
#include "support/ui/modal_answer.h"

TEST(AboutDlg, TheCommandGreetsFirstThenShowsTheBoxWithItsAnimationPlaying)
{
    TempDir config;
    ScopedEnvironment home("XDG_CONFIG_HOME", config.path().c_str());
    ScopedEnvironment hive("RIPWELL_USER_HIVE", nullptr);
    ScriptedDesktop desktop;
    CRipwellApp app;
    ASSERT_TRUE(app.InitInstance({"ripwell"}));
    desktop.Clear();

    std::vector<std::string> beforeTheBox;
    bool playing = false;
    int frame = -1, frames = 0;
    AnswerModal<CAboutDlg>([&](CAboutDlg* box) {
        beforeTheBox = desktop.Transcript();
        playing = box->m_animation->IsPlaying();
        frame = box->m_animation->CurrentFrame();
        frames = box->m_animation->FrameCount();
        box->accept();
    });
    app.OnAppAbout();

    EXPECT_EQ(beforeTheBox, std::vector<std::string>{"sound ABOUT"});
    EXPECT_TRUE(playing);
    EXPECT_EQ(frame, 0);
    EXPECT_EQ(frames, 2);
    app.ExitInstance();
}

TEST(AboutDlg, TheAnimationLoopsWhileTheBoxIsOpenAndStopsWhenItCloses)
{
    CAboutDlg box;
    std::vector<int> shown;
    QObject::connect(box.m_animation, &CAnimateCtrl::frameShown, [&](int frame) {
        shown.push_back(frame);
        // Three frames in, the loop has come back to the first frame: close the box.
        if (shown.size() == 3)
            box.accept();
    });
    QTimer::singleShot(5000, &box, [&] { box.reject(); }); // a box that does not animate fails, not hangs
    EXPECT_EQ(box.exec(), QDialog::Accepted);
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 0}));
    EXPECT_FALSE(box.m_animation->IsPlaying());

    // Shown again, it starts over from the first frame.
    shown.clear();
    QTimer::singleShot(0, &box, [&] {
        EXPECT_TRUE(box.m_animation->IsPlaying());
        EXPECT_EQ(box.m_animation->CurrentFrame(), 0);
        box.accept();
    });
    box.exec();
    EXPECT_EQ(shown, std::vector<int>{0});
    EXPECT_FALSE(box.m_animation->IsPlaying());
}
