// What a rip's progress shows, from the observer's figures and the time gone by: the share
// done, the speed in times real time and the time left. Every byte of the chosen tracks is
// worked on twice (read, then encoded), so half the work done is the audio ripped.
#pragma once

#include <cstdint>
#include <string>

#include "rip/range_reader.h"

struct RipProgressFigures {
    unsigned percent = 0;    // 0..100
    double speed = 0;        // audio seconds ripped per second
    double secondsLeft = -1; // negative: not known yet
};

RipProgressFigures RipProgressOf(uint64_t done, uint64_t total, double seconds);

// "read", "test", "copy", "re-read".
std::string PassText(ReadPass pass);
// "12.3x"
std::string SpeedText(double speed);
// "1:05" or "1:02:05"; "-" when not known.
std::string TimeLeftText(double seconds);
// "mm:ss:ff (sector n)" of a logical sector on the disc's clock.
std::string DiscPositionText(uint32_t sector);
