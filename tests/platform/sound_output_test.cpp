// The sound service on a real sound server: a private PulseAudio server with a null sink whose
// monitor is recorded, so what the program plays can be compared with what was heard.
#include "document/wave_header.h"
#include "platform/sound.h"
#include "res/resource.h"
#include "support/pulse_null_sink.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kSampleBytes = 4;
constexpr auto kRecordingLimit = std::chrono::milliseconds(5000);

// A 44100 Hz 16-bit stereo wave image whose sample k holds k + 1 on the left and ~k on the
// right: no two samples alike, and none silent.
std::vector<uint8_t> CountingWave(uint32_t samples)
{
    std::vector<uint8_t> image(WAVE_HEADER_SIZE + size_t(samples) * kSampleBytes);
    EXPECT_TRUE(BuildWaveHeader(image.data(), samples * kSampleBytes, static_cast<WaveFormatCode>(15)));
    for (uint32_t k = 0; k < samples; ++k) {
        const uint16_t left = static_cast<uint16_t>(k + 1);
        const uint16_t right = static_cast<uint16_t>(~k);
        uint8_t* at = image.data() + WAVE_HEADER_SIZE + size_t(k) * kSampleBytes;
        at[0] = left & 0xFF;
        at[1] = left >> 8;
        at[2] = right & 0xFF;
        at[3] = right >> 8;
    }
    return image;
}

size_t CountNonSilent(const std::vector<uint8_t>& recorded, size_t from, size_t to)
{
    size_t count = 0;
    for (size_t at = from; at + kSampleBytes <= to; at += kSampleBytes)
        count += std::any_of(recorded.begin() + at, recorded.begin() + at + kSampleBytes, [](uint8_t b) { return b; });
    return count;
}

// Waits until more than count samples of sound have been recorded from byte from on; false
// after the limit.
bool WaitForSound(const PulseNullSink& sink, size_t from, size_t count)
{
    const auto deadline = PulseNullSink::Clock::now() + kRecordingLimit;
    size_t seen = 0;
    while (PulseNullSink::Clock::now() < deadline) {
        const std::vector<uint8_t> recorded = sink.Recorded();
        seen = recorded.size() > from ? CountNonSilent(recorded, from, recorded.size()) : 0;
        if (seen > count)
            return true;
        sink.WaitForBytes(recorded.size() + 4096, std::chrono::milliseconds(100));
    }
    ADD_FAILURE() << "heard " << seen << " samples of sound, waited for more than " << count;
    return false;
}

void MemorySoundIsHeardBitForBit()
{
    PulseNullSink sink;
    ASSERT_TRUE(sink.Ready()) << sink.Reason();
    ASSERT_TRUE(sink.StartRecording()) << sink.Reason();
    const uint32_t samples = 22050; // half a second
    const std::vector<uint8_t> image = CountingWave(samples);

    // Synchronous: returns when the sound has been played. The sound service needs no event
    // loop of the caller's, so a thread of its own may play it too.
    QElapsedTimer clock;
    clock.start();
    bool played = false;
    std::thread([&] {
        played = platform::PlaySound(image.data(), nullptr, platform::SND_MEMORY | platform::SND_SYNC);
    }).join();
    ASSERT_TRUE(played);
    EXPECT_GE(clock.elapsed(), 350);
    ASSERT_TRUE(sink.WaitUntilRecorded(PulseNullSink::Clock::now() + std::chrono::milliseconds(200), kRecordingLimit));

    // A new stream loses its first few milliseconds on the way into the monitor (a few hundred
    // samples), so the recording is placed in the image by its first sound sample's value.
    const std::vector<uint8_t> recorded = sink.Recorded();
    size_t at = 0;
    while (at + kSampleBytes <= recorded.size() && CountNonSilent(recorded, at, at + kSampleBytes) == 0)
        at += kSampleBytes;
    ASSERT_LT(at, recorded.size()) << "nothing was heard";
    const uint32_t firstHeard = static_cast<uint32_t>(recorded[at] | recorded[at + 1] << 8) - 1;
    ASSERT_LT(firstHeard, 44100u / 20) << "more than 50 ms lost at the start";
    const size_t heardBytes = size_t(samples - firstHeard) * kSampleBytes;
    ASSERT_GE(recorded.size() - at, heardBytes);
    EXPECT_EQ(std::memcmp(recorded.data() + at, image.data() + WAVE_HEADER_SIZE + size_t(firstHeard) * kSampleBytes,
                          heardBytes),
              0);
    // Nothing but silence after the sound.
    EXPECT_EQ(CountNonSilent(recorded, at + heardBytes, recorded.size()), 0u);

    // A wave image the service cannot play is refused.
    std::vector<uint8_t> broken = image;
    std::memcpy(broken.data(), "RIFX", 4);
    EXPECT_FALSE(platform::PlaySound(broken.data(), nullptr, platform::SND_MEMORY | platform::SND_ASYNC));
}

void ResourceSoundPlaysAndAStopEndsALoop()
{
    PulseNullSink sink;
    ASSERT_TRUE(sink.Ready()) << sink.Reason();
    ASSERT_TRUE(sink.StartRecording()) << sink.Reason();

    // The error sound (ADPCM, decoded by the service) is heard.
    ASSERT_TRUE(platform::PlaySound(res::SOUND_ERROR, nullptr, platform::SND_RESOURCE | platform::SND_ASYNC));
    ASSERT_TRUE(WaitForSound(sink, 0, 2000));
    ASSERT_TRUE(sink.WaitUntilRecorded(PulseNullSink::Clock::now(), kRecordingLimit));
    const size_t afterError = sink.RecordedBytes();

    // A looping sound goes on until a new sound ends it; a null sound stops it.
    const std::vector<uint8_t> loop = CountingWave(4410); // 0.1 s, looped
    ASSERT_TRUE(
        platform::PlaySound(loop.data(), nullptr, platform::SND_MEMORY | platform::SND_ASYNC | platform::SND_LOOP));
    // More than a single pass of the 0.1 s image is heard.
    ASSERT_TRUE(WaitForSound(sink, afterError, 3 * 4410));
    const auto stoppedAt = PulseNullSink::Clock::now();
    ASSERT_TRUE(platform::PlaySound(nullptr, nullptr, 0));
    ASSERT_TRUE(sink.WaitUntilRecorded(stoppedAt + std::chrono::milliseconds(600), kRecordingLimit));
    const std::vector<uint8_t> recorded = sink.Recorded();
    // After the stop, and the little the server still had queued, only silence.
    const size_t settled = sink.RecordingOffsetAt(stoppedAt + std::chrono::milliseconds(200));
    EXPECT_GT(recorded.size(), settled);
    EXPECT_EQ(CountNonSilent(recorded, settled, recorded.size()), 0u);
}

} // namespace

TEST(RealSoundOutput, AMemorySoundIsHeardBitForBitAndBrokenImagesAreRefused)
{
    RUN_WITH_SOUND_SERVER([] { MemorySoundIsHeardBitForBit(); });
}

TEST(RealSoundOutput, AResourceSoundIsHeardAndANullSoundStopsALoop)
{
    RUN_WITH_SOUND_SERVER([] { ResourceSoundPlaysAndAStopEndsALoop(); });
}
