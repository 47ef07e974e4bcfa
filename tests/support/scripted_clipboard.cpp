#include "support/scripted_clipboard.h"

#include <algorithm>
#include <cstring>

using namespace platform;

ScriptedClipboard::ScriptedClipboard() : m_previous(GetClipboardService())
{
    SetClipboardService(this);
    SetGlobalMemoryFaults(this);
}

ScriptedClipboard::~ScriptedClipboard()
{
    SetGlobalMemoryFaults(nullptr);
    SetClipboardService(m_previous);
    Clear();
}

void ScriptedClipboard::Put(uint32_t format, const std::vector<uint8_t>& bytes)
{
    // The double's own use of the blocks never meets the failures it scripts.
    m_ownUse = true;
    HGLOBAL block = platform::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!bytes.empty()) {
        std::memcpy(platform::GlobalLock(block), bytes.data(), bytes.size());
        platform::GlobalUnlock(block);
    }
    m_ownUse = false;
    Store(format, block);
}

void ScriptedClipboard::Put(uint32_t format, const std::string& bytes)
{
    Put(format, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

void ScriptedClipboard::PutHandle(uint32_t format, uintptr_t value) { Store(format, reinterpret_cast<HANDLE>(value)); }

void ScriptedClipboard::Store(uint32_t format, HANDLE data)
{
    for (Entry& entry : m_entries)
        if (entry.format == format) {
            if (entry.data != data)
                platform::GlobalFree(entry.data); // a handle that is no block is left alone
            entry.data = data;
            return;
        }
    m_entries.push_back({format, data});
}

void ScriptedClipboard::Clear()
{
    for (const Entry& entry : m_entries)
        platform::GlobalFree(entry.data);
    m_entries.clear();
}

std::vector<uint32_t> ScriptedClipboard::Formats() const
{
    std::vector<uint32_t> formats;
    for (const Entry& entry : m_entries)
        formats.push_back(entry.format);
    return formats;
}

std::vector<uint8_t> ScriptedClipboard::Bytes(uint32_t format) const
{
    const Entry* entry = Find(format);
    if (!entry || !IsGlobalBlock(entry->data))
        return {};
    const size_t size = platform::GlobalSize(entry->data);
    m_ownUse = true;
    const auto* bytes = static_cast<const uint8_t*>(platform::GlobalLock(entry->data));
    m_ownUse = false;
    std::vector<uint8_t> copy(bytes, bytes + size);
    platform::GlobalUnlock(entry->data);
    return copy;
}

void ScriptedClipboard::Fail(Step step, int nth) { m_failures[step] = {0, nth}; }

void ScriptedClipboard::Heal() { m_failures.clear(); }

bool ScriptedClipboard::Failing(Step step)
{
    auto found = m_failures.find(step);
    if (found == m_failures.end() || found->second.nth < 0)
        return false;
    Failure& failure = found->second;
    ++failure.calls;
    return failure.nth == 0 || failure.calls == failure.nth;
}

const ScriptedClipboard::Entry* ScriptedClipboard::Find(uint32_t format) const
{
    for (const Entry& entry : m_entries)
        if (entry.format == format)
            return &entry;
    return nullptr;
}

bool ScriptedClipboard::Open(HWND owner)
{
    if (Failing(Step::Open))
        return false;
    if (m_open && owner != m_owner)
        return false;
    m_openers.push_back(owner);
    m_open = true;
    m_owner = owner;
    m_emptied = false;
    return true;
}

bool ScriptedClipboard::Close()
{
    if (!m_open)
        return false;
    m_open = false;
    m_owner = nullptr;
    m_emptied = false;
    return true;
}

bool ScriptedClipboard::Empty()
{
    if (!m_open || Failing(Step::Empty))
        return false;
    Clear();
    m_emptied = true;
    return true;
}

HANDLE ScriptedClipboard::SetData(uint32_t format, HANDLE data)
{
    if (!m_open || !m_emptied || format == 0 || Failing(Step::Set))
        return nullptr;
    Store(format, data);
    return data;
}

HANDLE ScriptedClipboard::GetData(uint32_t format)
{
    if (!m_open || Failing(Step::Get))
        return nullptr;
    const Entry* entry = Find(format);
    return entry ? entry->data : nullptr;
}

int ScriptedClipboard::CountFormats() { return static_cast<int>(m_entries.size()); }

uint32_t ScriptedClipboard::EnumFormats(uint32_t format)
{
    if (!m_open)
        return 0;
    if (format == 0)
        return m_entries.empty() ? 0 : m_entries.front().format;
    auto at = std::find_if(m_entries.begin(), m_entries.end(), [format](const Entry& e) { return e.format == format; });
    if (at == m_entries.end() || ++at == m_entries.end())
        return 0;
    return at->format;
}

bool ScriptedClipboard::AllocFails(size_t) { return !m_ownUse && Failing(Step::Alloc); }

bool ScriptedClipboard::LockFails(HGLOBAL) { return !m_ownUse && Failing(Step::Lock); }
