#include "platform/ui/command_actions.h"

#include <QAction>
#include <QMenu>

#include <algorithm>

#include "res/string_table.h"

namespace framework {
namespace {
constexpr const char* kCommandProperty = "ripwellCommand";
constexpr int kIdleUpdateMs = 250;
} // namespace

CommandActions::CommandActions(CommandRouter* router, QObject* parent) : QObject(parent), m_router(router)
{
    // The idle update: when the event queue is quiet the states follow the program's state,
    // so toolbar buttons are right even when no menu is opened.
    m_idleTimer.setInterval(kIdleUpdateMs);
    connect(&m_idleTimer, &QTimer::timeout, this, &CommandActions::UpdateAll);
    m_idleTimer.start();
}

QAction* CommandActions::Create(int id, const QString& text, QObject* owner, bool checkable)
{
    auto* action = new QAction(text, owner);
    action->setProperty(kCommandProperty, id);
    action->setStatusTip(QString::fromStdString(res::CommandPrompt(id)));
    action->setCheckable(checkable);
    connect(action, &QAction::triggered, this, [this, id] { m_router->Dispatch(id); });
    connect(action, &QObject::destroyed, this, [this, action] {
        m_actions.erase(std::remove(m_actions.begin(), m_actions.end(), action), m_actions.end());
    });
    m_actions.push_back(action);
    return action;
}

void CommandActions::WatchMenu(QMenu* menu)
{
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(menu); });
}

void CommandActions::UpdateAll()
{
    for (QAction* action : m_actions)
        Apply(action);
}

void CommandActions::UpdateMenu(QMenu* menu)
{
    for (QAction* action : menu->actions())
        if (CommandOf(action) != 0)
            Apply(action);
}

int CommandActions::CommandOf(const QAction* action) { return action ? action->property(kCommandProperty).toInt() : 0; }

void CommandActions::Apply(QAction* action)
{
    CCmdUI state = m_router->Update(CommandOf(action));
    action->setEnabled(state.m_bEnabled);
    if (action->isCheckable())
        action->setChecked(state.m_bChecked);
}

} // namespace framework
