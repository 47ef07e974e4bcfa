#include "document/ui/ripwell_view.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

#include <map>

#include "base/app_settings.h"
#include "document/ripwell_doc.h"
#include "platform/framework/command_routing.h"
#include "platform/ui/command_actions.h"
#include "res/resource.h"

namespace {

std::map<int, bool> EnabledItems(QMenu* menu)
{
    std::map<int, bool> enabled;
    for (QAction* action : menu->actions())
        if (int id = framework::CommandActions::CommandOf(action))
            enabled[id] = action->isEnabled();
    return enabled;
}

} // namespace

// The items of the view's context menu take their state from the update handler of their
// command, the one the main menu's items use, both when the menu opens and when idle.
TEST(ViewContextMenu, ItemsFollowTheUpdateHandlersOfTheMainMenu)
{
    bool haveData = false;
    framework::CommandMap rules;
    for (int id : {res::ID_EDIT_COPY, res::ID_EDIT_PASTE, res::ID_PLAY_WAVEFORM})
        rules.On(
            id, [] {}, [&haveData](framework::CCmdUI& ui) { ui.Enable(haveData); });
    // The reads are the main frame's commands, always enabled.
    framework::CommandMap frameCommands;
    for (int id : {res::ID_READ_CDDA, res::ID_READ_CDROM})
        frameCommands.On(id, [] {});
    framework::CommandRouter router;
    router.Add(&rules);
    framework::CommandActions actions(&router);
    CRipwellDoc doc;
    AppSettings settings;
    CRipwellView view(&doc, settings, &actions);
    router.Add(&view.Commands());
    router.Add(&frameCommands);

    QMenu tools;
    for (int id : {res::ID_PLAY_WAVEFORM, res::ID_EDIT_COPY})
        tools.addAction(actions.Create(id, "item", &tools));

    actions.UpdateAll();
    const std::map<int, bool> empty{{res::ID_READ_CDDA, true},      {res::ID_READ_CDROM, true},
                                    {res::ID_PLAY_WAVEFORM, false}, {res::ID_STOP_WAVEFORM, true},
                                    {res::ID_PROPERTIES, true},     {res::ID_EDIT_COPY, false},
                                    {res::ID_EDIT_PASTE, false}};
    EXPECT_EQ(EnabledItems(view.ContextMenu()), empty);
    EXPECT_EQ(EnabledItems(&tools), (std::map<int, bool>{{res::ID_PLAY_WAVEFORM, false}, {res::ID_EDIT_COPY, false}}));

    // Opening the context menu brings its items up to date at once.
    haveData = true;
    Q_EMIT view.ContextMenu()->aboutToShow();
    for (const auto& [id, enabled] : EnabledItems(view.ContextMenu()))
        EXPECT_TRUE(enabled) << id;
    actions.UpdateAll();
    EXPECT_EQ(EnabledItems(&tools), (std::map<int, bool>{{res::ID_PLAY_WAVEFORM, true}, {res::ID_EDIT_COPY, true}}));
}
