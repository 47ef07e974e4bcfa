// Entry point of the widget test binary: a QApplication on the offscreen platform, so that
// every dialog and window can be driven without a display.
#include <QApplication>
#include <cstdlib>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Desktop settings (the AutoPlay switch) live in memory: a test never touches the user's.
    setenv("GSETTINGS_BACKEND", "memory", 1);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
