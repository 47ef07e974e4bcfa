// Windows Help in the program's shape: topics by number. The main frame installs the handler
// that shows the program's help pages; without one a request goes to the standard error stream.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

// Shows help topic `topic` (for a message box: 0x30000 + its help number).
void ShowHelpTopic(uint32_t topic);

// Installs the function that shows a topic; an empty function removes it.
void SetHelpHandler(std::function<void(uint32_t)> handler);

} // namespace platform
