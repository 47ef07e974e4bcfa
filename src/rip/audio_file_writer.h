// One track's samples written as a file: FLAC through libFLAC (the chosen compression level,
// Vorbis comments, the MD5 of the samples in STREAMINFO, a seek point every ten seconds and some
// padding for later tags), or WAV with the program's own 44-byte header.
//
// The file is written under a temporary name beside its final name and renamed only when all
// of it is on the disk, so a cancelled or failed write leaves nothing under the final name.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

enum class AudioFormat { Flac, Wave };

inline constexpr unsigned DEFAULT_FLAC_LEVEL = 5;
inline constexpr unsigned MAX_FLAC_LEVEL = 8;

using VorbisComments = std::vector<std::pair<std::string, std::string>>; // field name, value

struct AudioFileOptions {
    AudioFormat format = AudioFormat::Flac;
    unsigned flacLevel = DEFAULT_FLAC_LEVEL;
    VorbisComments comments; // FLAC only; empty values are left out
};

// ".flac" or ".wav".
const char* AudioFileExtension(AudioFormat format);

// Encodes CD audio (44100 Hz, 16-bit stereo, little-endian) into a FLAC stream in memory.
// False with a reason when the encoder fails; false with "cancelled" when the cancel flag
// became non-zero.
bool EncodeFlac(const uint8_t* pcm, size_t bytes, unsigned level, const VorbisComments& comments,
                std::vector<uint8_t>* stream, const std::atomic<int32_t>* cancelFlag, std::string* reason);

// Writes the file at path as the options say. False with a reason; nothing is left at path
// then (an older file there stays as it was).
bool WriteAudioFile(const std::string& path, const uint8_t* pcm, size_t bytes, const AudioFileOptions& options,
                    const std::atomic<int32_t>* cancelFlag, std::string* reason);
