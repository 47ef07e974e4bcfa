#include "support/recorded_sound.h"

#include "disc_writer.h"

std::optional<uint32_t> DiscSampleOf(const uint8_t* sample)
{
    if ((sample[0] | sample[1] | sample[2] | sample[3]) == 0)
        return std::nullopt;
    return uint32_t(sample[2]) << 16 | uint32_t(sample[1]) << 8 | sample[0];
}

std::optional<uint32_t> DiscSectorOf(const uint8_t* sample)
{
    const std::optional<uint32_t> index = DiscSampleOf(sample);
    return index ? std::optional<uint32_t>(*index / mkdisc::SAMPLES_PER_SECTOR) : std::nullopt;
}

std::vector<SoundRun> SoundRuns(const std::vector<uint8_t>& recorded)
{
    std::vector<SoundRun> runs;
    bool inRun = false;
    for (size_t at = 0; at + 4 <= recorded.size(); at += 4) {
        const std::optional<uint32_t> index = DiscSampleOf(recorded.data() + at);
        if (!index) {
            inRun = false;
            continue;
        }
        if (inRun && *index == runs.back().firstSample + runs.back().samples) {
            ++runs.back().samples;
            continue;
        }
        runs.push_back({at, *index, 1});
        inRun = true;
    }
    return runs;
}
