// Whether the tests run on a real X display (see x11_main.cpp).
#pragma once

#include <string>

// Empty when the application is on the private X server; otherwise why it is not.
const std::string& NoX11DisplayReason();

#define SKIP_WITHOUT_X11_DISPLAY()                \
    do {                                          \
        if (!NoX11DisplayReason().empty())        \
            GTEST_SKIP() << NoX11DisplayReason(); \
    } while (0)
