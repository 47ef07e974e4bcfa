// Entry point of the tests on a real X display: a private Xvfb is started first and the
// QApplication connects to it through Qt's xcb platform, so that the desktop clipboard is the
// X server's and other X programs (xclip) can take part. When no X server can start, the
// application runs offscreen and every test skips with the reason.
#include <QApplication>

#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "support/xvfb_server.h"
#include "x11/x11_display.h"

namespace {
std::string g_noDisplay = "the X server was not started";
}

const std::string& NoX11DisplayReason() { return g_noDisplay; }

int main(int argc, char** argv)
{
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--gtest_list_tests", 18) == 0)
            listing = true;

    XvfbServer server; // outlives the application, which must leave the display first
    if (!listing && server.Start()) {
        setenv("DISPLAY", server.Display().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        unsetenv("WAYLAND_DISPLAY");
        g_noDisplay.clear();
    } else {
        if (!listing)
            g_noDisplay = "no X server: " + server.Reason();
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
