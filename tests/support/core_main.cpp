// Entry point of the core test binary. A QCoreApplication exists for the whole run, so that
// code using Qt's event loop (sound output, queued calls) behaves as it does in the program.
#include <QCoreApplication>
#include <cstdlib>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Desktop settings (the AutoPlay switch) live in memory: a test never touches the user's.
    setenv("GSETTINGS_BACKEND", "memory", 1);
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
