// A private PulseAudio server with one null sink, for tests that need a real sound device
// whose output can be checked. The server listens on a socket in a temporary folder of its
// own, PULSE_SERVER points this process at it while the object lives, and parec records the
// sink's monitor, bit-exact, into a buffer.
//
//   PulseNullSink sink;
//   if (!sink.Ready()) GTEST_SKIP() << sink.Reason();
//   ASSERT_TRUE(sink.StartRecording());
//   ... play something ...
//   std::vector<uint8_t> heard = sink.Recorded();
#pragma once

#include <sys/types.h>

#include "support/fresh_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class PulseNullSink {
public:
    PulseNullSink();
    // Stops the recorder, then the server, and gives PULSE_SERVER its old value back.
    ~PulseNullSink();
    PulseNullSink(const PulseNullSink&) = delete;
    PulseNullSink& operator=(const PulseNullSink&) = delete;

    // Why a sound server cannot be had on this machine (pulseaudio or parec missing), or empty.
    static std::string MissingTools();

    // False when pulseaudio or parec is missing or the server did not come up; Reason() says why.
    bool Ready() const { return m_serverPid > 0; }
    const std::string& Reason() const { return m_reason; }

    // Starts parec on the sink's monitor (44100 Hz, 16-bit, stereo) and returns once the first
    // bytes have come in. False and a reason when parec fails.
    bool StartRecording();
    // Everything recorded so far (whole 4-byte samples).
    std::vector<uint8_t> Recorded() const;
    // How many bytes have been recorded, and the last whole sample (4 bytes) among them.
    size_t RecordedBytes() const;
    bool LastSample(uint8_t out[4]) const;

    // The recording is a clock: the sink's monitor gives 44100 samples a second, silence
    // included, from the start of the recording on. RecordingOffsetAt tells where in the
    // recording (in bytes, whole samples) a moment lies, so that what the program reported at
    // that moment can be compared with what was heard then, however late the recording comes
    // in. Each chunk of it arrived no sooner than its last sample was heard; the chunk that
    // arrived soonest after that sets the start, a few milliseconds late at most.
    using Clock = std::chrono::steady_clock;
    size_t RecordingOffsetAt(Clock::time_point moment) const;
    // Waits until the recording holds what was heard up to moment (false after limit).
    bool WaitUntilRecorded(Clock::time_point moment, std::chrono::milliseconds limit) const;
    // Waits until the recording has grown to bytes (false after limit).
    bool WaitForBytes(size_t bytes, std::chrono::milliseconds limit) const;

private:
    bool StartServer();
    void StopRecorder();
    void ReadRecorder();

    std::filesystem::path m_folder;
    std::string m_reason;
    std::string m_previousServer;
    bool m_hadPreviousServer = false;
    pid_t m_serverPid = -1;

    pid_t m_recorderPid = -1;
    int m_recorderOutput = -1;
    std::thread m_reader;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_grown;
    std::vector<uint8_t> m_recorded;
    Clock::time_point m_start = Clock::time_point::max(); // when the first recorded sample was heard
};

// The body of a test that needs a sound server of its own: skipped with the reason when the
// machine has no pulseaudio or parec, otherwise run in a fresh process.
#define RUN_WITH_SOUND_SERVER(body)                                                      \
    do {                                                                                 \
        if (const std::string missing = PulseNullSink::MissingTools(); !missing.empty()) \
            GTEST_SKIP() << missing;                                                     \
        RunInFreshProcess(body);                                                         \
    } while (0)
