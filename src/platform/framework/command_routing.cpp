#include "platform/framework/command_routing.h"

#include <algorithm>

namespace framework {

void CommandMap::On(int id, Handler handler, UpdateHandler update)
{
    m_entries[id] = Entry{std::move(handler), std::move(update)};
}

bool CommandMap::Dispatch(int id) const
{
    auto it = m_entries.find(id);
    if (it == m_entries.end())
        return false;
    if (it->second.handler)
        it->second.handler();
    return true;
}

bool CommandMap::Update(CCmdUI& cmdUI) const
{
    auto it = m_entries.find(cmdUI.m_nID);
    if (it == m_entries.end())
        return false;
    if (it->second.update)
        it->second.update(cmdUI);
    return true;
}

void CommandRouter::Remove(const CommandMap* map)
{
    m_maps.erase(std::remove(m_maps.begin(), m_maps.end(), map), m_maps.end());
}

bool CommandRouter::Dispatch(int id) const
{
    for (const CommandMap* map : m_maps)
        if (map->Dispatch(id))
            return true;
    return false;
}

CCmdUI CommandRouter::Update(int id) const
{
    CCmdUI cmdUI;
    cmdUI.m_nID = id;
    for (const CommandMap* map : m_maps)
        if (map->Update(cmdUI))
            return cmdUI;
    cmdUI.m_bEnabled = false;
    return cmdUI;
}

} // namespace framework
