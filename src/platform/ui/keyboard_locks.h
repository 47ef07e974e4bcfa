// The state of Caps Lock, Num Lock and Scroll Lock, for the status bar's indicators.
#pragma once

namespace platform {

struct KeyboardLocks {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// Asks the X server's keyboard extension; on other platforms (offscreen) every lock is off.
KeyboardLocks QueryKeyboardLocks();

} // namespace platform
