// The only place where the program talks to the CD-ROM device: each call opens the drive's
// device ("\\.\D:"), does one request and closes it again.
#pragma once

#include <cstdint>

#include "cdrom/drive_error.h"

using ReadMode = uint8_t;
inline constexpr ReadMode READ_MODE_RAW = 1;    // CD digital audio, 2352-byte sectors
inline constexpr ReadMode READ_MODE_COOKED = 0; // CD-ROM data, 2048-byte sectors (any value but 1)

// Reads count sectors from firstSector into destination (room for count x sector size bytes).
// Returns 0, 2 (device cannot be opened), 5 (no transfer memory) or 18 (read refused); on any
// failure the destination is untouched.
DriveError ReadSectors(char driveLetter, uint32_t firstSector, uint32_t sectorCount, void* destination, ReadMode mode);

// The drive's media change count.
bool GetMediaChangeCount(char driveLetter, uint32_t* count);
