#include "platform/help.h"

#include <cstdio>
#include <utility>

namespace platform {
namespace {
std::function<void(uint32_t)>& Handler()
{
    static std::function<void(uint32_t)> handler;
    return handler;
}
} // namespace

void SetHelpHandler(std::function<void(uint32_t)> handler) { Handler() = std::move(handler); }

void ShowHelpTopic(uint32_t topic)
{
    if (Handler()) {
        Handler()(topic);
        return;
    }
    std::fprintf(stderr, "Ripwell: help topic 0x%X is not available\n", static_cast<unsigned>(topic));
}

} // namespace platform
