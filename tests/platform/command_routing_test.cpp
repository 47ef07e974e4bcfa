#include "platform/framework/command_routing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace framework;

TEST(CommandRouting, FirstMapThatKnowsTheCommandHandlesIt)
{
    std::vector<std::string> calls;
    CommandMap view, frame, app;
    view.On(
        1, [&] { calls.push_back("view 1"); }, [](CCmdUI& ui) { ui.Enable(false); });
    frame.On(1, [&] { calls.push_back("frame 1"); });
    frame.On(
        2, [&] { calls.push_back("frame 2"); }, [](CCmdUI& ui) { ui.SetCheck(); });
    app.On(3, [&] { calls.push_back("app 3"); });
    CommandRouter router;
    router.Add(&view);
    router.Add(&frame);
    router.Add(&app);

    EXPECT_TRUE(router.Dispatch(1));
    EXPECT_TRUE(router.Dispatch(2));
    EXPECT_TRUE(router.Dispatch(3));
    EXPECT_FALSE(router.Dispatch(4));
    EXPECT_EQ(calls, (std::vector<std::string>{"view 1", "frame 2", "app 3"}));

    EXPECT_FALSE(router.Update(1).m_bEnabled);
    EXPECT_TRUE(router.Update(2).m_bChecked);
    EXPECT_TRUE(router.Update(3).m_bEnabled);
    EXPECT_FALSE(router.Update(4).m_bEnabled); // nobody handles it: grayed

    router.Remove(&view);
    EXPECT_TRUE(router.Dispatch(1));
    EXPECT_EQ(calls.back(), "frame 1");
}
