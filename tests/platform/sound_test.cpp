#include "platform/sound.h"
#include "res/resource.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cstdlib>

// Without a sound server nothing is heard and nothing fails: each call returns at once.
TEST(RealSound, WithoutASoundServerCallsReturnAtOnce)
{
    const char* saved = std::getenv("PULSE_SERVER");
    const std::string previous = saved ? saved : "";
    setenv("PULSE_SERVER", "unix:/nonexistent/ripwell-no-server", 1);
    QElapsedTimer clock;
    clock.start();
    platform::PlaySound(res::SOUND_ERROR, nullptr, platform::SND_RESOURCE | platform::SND_ASYNC | platform::SND_NODEFAULT);
    EXPECT_FALSE(platform::PlaySound("NOSUCHSOUND", nullptr, platform::SND_RESOURCE | platform::SND_ASYNC));
    EXPECT_TRUE(platform::PlaySound(nullptr, nullptr, 0));
    EXPECT_LT(clock.elapsed(), 3000);
    QCoreApplication::processEvents();
    if (saved)
        setenv("PULSE_SERVER", previous.c_str(), 1);
    else
        unsetenv("PULSE_SERVER");
}
