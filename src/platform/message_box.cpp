#include "platform/message_box.h"

#include <atomic>
#include <cstdio>
#include <initializer_list>

namespace platform {
namespace {
std::atomic<MessageBoxService*> g_service{nullptr};
}

void SetMessageBoxService(MessageBoxService* service) { g_service = service; }
MessageBoxService* GetMessageBoxService() { return g_service; }

MessageBoxButtons ButtonsOfMessageBox(uint32_t flags)
{
    MessageBoxButtons buttons;
    auto set = [&buttons](std::initializer_list<int> results, int escapeResult) {
        for (int result : results)
            buttons.results[buttons.count++] = result;
        buttons.escapeResult = escapeResult;
    };
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: set({IDOK, IDCANCEL}, IDCANCEL); break;
    case MB_ABORTRETRYIGNORE: set({IDABORT, IDRETRY, IDIGNORE}, 0); break;
    case MB_YESNOCANCEL: set({IDYES, IDNO, IDCANCEL}, IDCANCEL); break;
    case MB_YESNO: set({IDYES, IDNO}, 0); break;
    case MB_RETRYCANCEL: set({IDRETRY, IDCANCEL}, IDCANCEL); break;
    default: set({IDOK}, IDOK); break;
    }
    const int index = static_cast<int>((flags & MB_DEFMASK) >> 8);
    buttons.defaultIndex = index < buttons.count ? index : 0;
    return buttons;
}

int DefaultButtonResult(uint32_t flags)
{
    const MessageBoxButtons buttons = ButtonsOfMessageBox(flags);
    return buttons.results[buttons.defaultIndex];
}

int MessageBox(const std::string& text, uint32_t flags, uint32_t helpId)
{
    if (MessageBoxService* service = g_service)
        return service->Show(text, flags, helpId);
    std::fprintf(stderr, "Ripwell: %s\n", text.c_str());
    return DefaultButtonResult(flags);
}

} // namespace platform
