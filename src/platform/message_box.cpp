#include "platform/message_box.h"

#include <atomic>
#include <cstdio>

namespace platform {
namespace {
std::atomic<MessageBoxService*> g_service{nullptr};
}

void SetMessageBoxService(MessageBoxService* service) { g_service = service; }
MessageBoxService* GetMessageBoxService() { return g_service; }

int DefaultButtonResult(uint32_t flags)
{
    const int index = static_cast<int>((flags & MB_DEFMASK) >> 8);
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return index == 1 ? IDCANCEL : IDOK;
    case MB_ABORTRETRYIGNORE: return index == 0 ? IDABORT : index == 1 ? IDRETRY : IDIGNORE;
    case MB_YESNOCANCEL: return index == 0 ? IDYES : index == 1 ? IDNO : IDCANCEL;
    case MB_YESNO: return index == 1 ? IDNO : IDYES;
    case MB_RETRYCANCEL: return index == 1 ? IDCANCEL : IDRETRY;
    default: return IDOK;
    }
}

int MessageBox(const std::string& text, uint32_t flags, uint32_t helpId)
{
    if (MessageBoxService* service = g_service)
        return service->Show(text, flags, helpId);
    std::fprintf(stderr, "Ripwell: %s\n", text.c_str());
    return DefaultButtonResult(flags);
}

} // namespace platform
