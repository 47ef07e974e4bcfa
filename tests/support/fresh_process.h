// Runs a test body in a fresh process of the test binary, for code that sets something up once
// per process from the environment it finds then: Qt's sound system (the server PULSE_SERVER
// names), GLib's user folders and desktop entries (XDG_DATA_HOME ...), GSettings' backend and
// schemas, the D-Bus session bus. Failures in the fresh process fail the test.
#pragma once

#include "support/temp_dir.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

// The environment the body sets is the fresh process's own; the test up to this call runs in
// both processes, so anything it sets up is there in both.
template <typename Body> void RunInFreshProcess(Body body)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // The fresh process tells nothing to the listeners, so its failures are collected
            // and shown on its standard error, which the test prints.
            testing::TestPartResultArray failures;
            {
                testing::ScopedFakeTestPartResultReporter collect(
                    testing::ScopedFakeTestPartResultReporter::INTERCEPT_ALL_THREADS, &failures);
                body();
            }
            int failed = 0;
            for (int i = 0; i < failures.size(); ++i) {
                const testing::TestPartResult& part = failures.GetTestPartResult(i);
                if (!part.failed())
                    continue;
                ++failed;
                std::fprintf(stderr, "%s:%d: %s\n", part.file_name() ? part.file_name() : "?", part.line_number(),
                             part.message());
            }
            std::fflush(stderr);
            TempDir::RemoveAllLive(); // _Exit runs no destructors
            std::_Exit(failed ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");
}
