#include "platform/sound.h"
#include "res/resource.h"
#include "support/scoped_environment.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

// Without a sound server nothing is heard and nothing fails: each call returns at once.
TEST(RealSound, WithoutASoundServerCallsReturnAtOnce)
{
    const ScopedEnvironment server("PULSE_SERVER", "unix:/nonexistent/ripwell-no-server");
    QElapsedTimer clock;
    clock.start();
    platform::PlaySound(res::SOUND_ERROR, nullptr,
                        platform::SND_RESOURCE | platform::SND_ASYNC | platform::SND_NODEFAULT);
    EXPECT_FALSE(platform::PlaySound("NOSUCHSOUND", nullptr, platform::SND_RESOURCE | platform::SND_ASYNC));
    EXPECT_TRUE(platform::PlaySound(nullptr, nullptr, 0));
    EXPECT_LT(clock.elapsed(), 3000);
    QCoreApplication::processEvents();
}
