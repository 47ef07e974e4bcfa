#include "platform/ui/keyboard_locks.h"

#include <QGuiApplication>

#include <dlfcn.h>

namespace {

// XkbGetIndicatorState(Display*, unsigned int device, unsigned int* state). Xlib is loaded at
// run time, so the program needs no X11 headers to build and runs where there is no X.
using IndicatorStateFunction = int (*)(void*, unsigned int, unsigned int*);
constexpr unsigned int kUseCoreKeyboard = 0x100;
constexpr unsigned int kCapsLockBit = 0x1;
constexpr unsigned int kNumLockBit = 0x2;
constexpr unsigned int kScrollLockBit = 0x4;

IndicatorStateFunction LoadIndicatorState()
{
    void* library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
    if (!library)
        return nullptr;
    return reinterpret_cast<IndicatorStateFunction>(dlsym(library, "XkbGetIndicatorState"));
}

} // namespace

namespace platform {

KeyboardLocks QueryKeyboardLocks()
{
    KeyboardLocks locks;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display())
        return locks;
    static IndicatorStateFunction indicatorState = LoadIndicatorState();
    unsigned int state = 0;
    if (!indicatorState || indicatorState(x11->display(), kUseCoreKeyboard, &state) != 0)
        return locks;
    locks.caps = state & kCapsLockBit;
    locks.num = state & kNumLockBit;
    locks.scroll = state & kScrollLockBit;
    return locks;
}

} // namespace platform
