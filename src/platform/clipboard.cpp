#include "platform/clipboard.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace platform {
namespace {

std::atomic<ClipboardService*> g_service{nullptr};

// The registered formats: name of id CF_REGISTERED_BASE + 1 + index.
std::mutex g_namesMutex;
std::vector<std::string>& RegisteredNames()
{
    static auto* names = new std::vector<std::string>;
    return *names;
}

constexpr uint32_t kLastRegisteredFormat = 0xFFFF;

bool SameNameIgnoringCase(const std::string& a, const char* b)
{
    const std::size_t length = std::strlen(b);
    if (a.size() != length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

int CopyRegisteredFormatName(uint32_t format, char* name, int maxCount)
{
    if (!name || maxCount <= 0)
        return 0;
    const std::string registered = RegisteredFormatName(format);
    const std::size_t copied = std::min(registered.size(), static_cast<std::size_t>(maxCount - 1));
    std::memcpy(name, registered.data(), copied);
    name[copied] = '\0';
    return static_cast<int>(copied);
}

} // namespace

int ClipboardService::GetFormatName(uint32_t format, char* name, int maxCount)
{
    return CopyRegisteredFormatName(format, name, maxCount);
}

void SetClipboardService(ClipboardService* service) { g_service = service; }
ClipboardService* GetClipboardService() { return g_service; }

bool OpenClipboard(HWND newOwner)
{
    ClipboardService* service = g_service;
    return service && service->Open(newOwner);
}

bool CloseClipboard()
{
    ClipboardService* service = g_service;
    return service && service->Close();
}

bool EmptyClipboard()
{
    ClipboardService* service = g_service;
    return service && service->Empty();
}

HANDLE SetClipboardData(uint32_t format, HANDLE data)
{
    ClipboardService* service = g_service;
    return service ? service->SetData(format, data) : nullptr;
}

HANDLE GetClipboardData(uint32_t format)
{
    ClipboardService* service = g_service;
    return service ? service->GetData(format) : nullptr;
}

int CountClipboardFormats()
{
    ClipboardService* service = g_service;
    return service ? service->CountFormats() : 0;
}

uint32_t EnumClipboardFormats(uint32_t format)
{
    ClipboardService* service = g_service;
    return service ? service->EnumFormats(format) : 0;
}

int GetClipboardFormatNameA(uint32_t format, char* name, int maxCount)
{
    ClipboardService* service = g_service;
    if (service)
        return service->GetFormatName(format, name, maxCount);
    return CopyRegisteredFormatName(format, name, maxCount);
}

uint32_t RegisterClipboardFormatA(const char* name)
{
    if (!name || !*name)
        return 0;
    std::lock_guard lock(g_namesMutex);
    std::vector<std::string>& names = RegisteredNames();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (SameNameIgnoringCase(names[i], name))
            return CF_REGISTERED_BASE + 1 + static_cast<uint32_t>(i);
    if (CF_REGISTERED_BASE + 1 + names.size() > kLastRegisteredFormat)
        return 0;
    try {
        names.emplace_back(name);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return CF_REGISTERED_BASE + static_cast<uint32_t>(names.size());
}

std::string RegisteredFormatName(uint32_t format)
{
    if (format <= CF_REGISTERED_BASE)
        return {};
    std::lock_guard lock(g_namesMutex);
    const std::vector<std::string>& names = RegisteredNames();
    const std::size_t index = format - CF_REGISTERED_BASE - 1;
    return index < names.size() ? names[index] : std::string();
}

} // namespace platform
