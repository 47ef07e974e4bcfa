// The clips an animation control plays: AVI files with one video stream of uncompressed
// frames (8-bit palette, 24-bit or 32-bit pixels), no sound. The program's animations are such
// files among its resources; this reads one into frames of 32-bit pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct AviClip {
    int width = 0;
    int height = 0;
    uint32_t microsecondsPerFrame = 0;
    // One entry per frame, width x height pixels 0xFFRRGGBB, the top row first.
    std::vector<std::vector<uint32_t>> frames;
};

// Reads an AVI file held in memory. False, with a reason and the clip left empty, for anything
// that is not such a clip or is damaged (a chunk running past the end, no frames, frames of
// the wrong size, compressed frames).
bool ParseAviClip(const uint8_t* data, size_t size, AviClip* clip, std::string* reason);

} // namespace platform
