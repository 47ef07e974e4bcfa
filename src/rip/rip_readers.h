// The reader a rip uses, as the settings and the user's choice say: plain or secure, with the
// drive's read offset.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/app_settings.h"
#include "rip/range_reader.h"

// The read offset the settings give for the drive (its model's stored offset, else the general
// one).
int32_t DefaultReadOffset(const AppSettings& settings, char drive);

// nullptr with a reason when the reader cannot be made.
std::unique_ptr<RangeReader> MakeRipReader(char drive, bool secure, int32_t readOffset, uint32_t leadOut,
                                           const AppSettings& settings, std::string* reason);
