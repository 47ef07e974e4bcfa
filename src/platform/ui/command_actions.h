// The Qt side of command routing: every menu item, toolbar button and context menu item is a
// QAction tagged with its command number. Triggering one sends the command through the
// router; the update handlers set the enabled and checked state of every action of the same
// command when a menu opens and when the program is idle.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <vector>

#include "platform/framework/command_routing.h"

class QAction;
class QMenu;

namespace framework {

class CommandActions : public QObject {
    Q_OBJECT
public:
    explicit CommandActions(CommandRouter* router, QObject* parent = nullptr);

    // An action for command id with its status-bar prompt; checkable actions show a check mark.
    QAction* Create(int id, const QString& text, QObject* owner, bool checkable = false);
    // Updates every action of the menu when it is about to show.
    void WatchMenu(QMenu* menu);
    // Runs the update handlers for every action.
    void UpdateAll();
    void UpdateMenu(QMenu* menu);
    // The command number of an action made here, or 0.
    static int CommandOf(const QAction* action);
    const std::vector<QAction*>& Actions() const { return m_actions; }
    CommandRouter* Router() const { return m_router; }

private:
    void Apply(QAction* action);

    CommandRouter* m_router;
    std::vector<QAction*> m_actions;
    QTimer m_idleTimer;
};

} // namespace framework
