// Command routing of the program's small application framework. Every window that handles
// commands (the view, the frame, the application object) keeps a CommandMap; a CommandRouter
// asks the maps in order, and the first one that knows a command handles it. The update
// handlers give menu items and buttons their enabled and checked state.
#pragma once

#include <functional>
#include <unordered_map>
#include <vector>

namespace framework {

// The state of one command's user-interface items, filled in by an update handler.
struct CCmdUI {
    int m_nID = 0;
    bool m_bEnabled = true;
    bool m_bChecked = false;
    void Enable(bool enable = true) { m_bEnabled = enable; }
    void SetCheck(bool check = true) { m_bChecked = check; }
};

class CommandMap {
public:
    using Handler = std::function<void()>;
    using UpdateHandler = std::function<void(CCmdUI&)>;

    void On(int id, Handler handler, UpdateHandler update = {});
    bool Handles(int id) const { return m_entries.count(id) != 0; }
    // Runs the handler of id; false when the map does not know the command.
    bool Dispatch(int id) const;
    // Runs the update handler of the command (enabled, unchecked without one); false when the
    // map does not know the command.
    bool Update(CCmdUI& cmdUI) const;

private:
    struct Entry {
        Handler handler;
        UpdateHandler update;
    };
    std::unordered_map<int, Entry> m_entries;
};

class CommandRouter {
public:
    // Maps are asked in the order they were added; the caller keeps them alive.
    void Add(const CommandMap* map) { m_maps.push_back(map); }
    void Remove(const CommandMap* map);
    bool Dispatch(int id) const;
    // A command that no map knows is disabled, so nothing offers a command that does nothing.
    CCmdUI Update(int id) const;

private:
    std::vector<const CommandMap*> m_maps;
};

} // namespace framework
