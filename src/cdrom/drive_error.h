// Drive errors: a 16-bit status code with a fixed table of texts, shared by the device reads,
// the extraction worker and the MCI wrapper.
#pragma once

#include <cstdint>
#include <string>

using DriveError = uint16_t;

inline constexpr DriveError DRIVE_OK = 0;
inline constexpr DriveError DRIVE_ERROR_INVALID_DRIVE = 2;
inline constexpr DriveError DRIVE_ERROR_NO_MEMORY = 5;
inline constexpr DriveError DRIVE_ERROR_READ_FAULT = 18;
inline constexpr DriveError DRIVE_ERROR_BUFFER_TOO_LARGE = 27;

// The text of a code (only its low 16 bits count); codes above 28 give "Undefined error.".
std::string DriveErrorText(uint32_t code);

// Code 0: "Everything went OK." with the information icon and no sound. Any other code: the
// error sound, then the code's text with the warning icon. Returns the box's result.
int ShowDriveError(uint32_t code);
