// Help topic numbers: a command's topic is 0x10000 + its number, a window's or dialog's
// 0x20000 + its resource number, a message's 0x30000 + its help or string number.
#pragma once

#include <cstdint>

namespace platform {

inline constexpr uint32_t HELP_CONTENTS = 0;
inline constexpr uint32_t HELP_COMMAND_BASE = 0x10000;
inline constexpr uint32_t HELP_RESOURCE_BASE = 0x20000;
inline constexpr uint32_t HELP_MESSAGE_TOPIC_BASE = 0x30000;

constexpr uint32_t CommandHelpTopic(int commandId) { return HELP_COMMAND_BASE + uint32_t(commandId); }
constexpr uint32_t ResourceHelpTopic(int resourceId) { return HELP_RESOURCE_BASE + uint32_t(resourceId); }

} // namespace platform
