// Disc addresses: logical sector numbers and minute:second:frame positions. Sector 0 is the
// first sector of the program area, at 00:02:00.
#pragma once

#include <cstdint>

#include "platform/cdrom/msf.h"

using LogicalSector = uint32_t;

// The disc's sizes and frame counts, named once in the platform layer.
using platform::cdrom::COOKED_SECTOR_SIZE;
using platform::cdrom::FRAMES_PER_MINUTE;
using platform::cdrom::FRAMES_PER_SECOND;
using platform::cdrom::LEAD_IN_SECTORS;
using platform::cdrom::RAW_SECTOR_SIZE;
using platform::cdrom::SECONDS_PER_MINUTE;

inline constexpr uint32_t MAX_READ_SECTOR = 350000;

// minute * 4500 + second * 75 + frame - 150, unsigned 32-bit with wrap-around.
LogicalSector MsfToSector(uint8_t minute, uint8_t second, uint8_t frame);
void SectorToMsf(LogicalSector sector, uint8_t* minute, uint8_t* second, uint8_t* frame);

// Letter of the first CD-ROM drive of the machine, or 0 when there is none.
char FindFirstCdromDrive();

// Sector count of the volume in a drive (sectors per cluster x total clusters).
bool GetVolumeSectorCount(char driveLetter, uint32_t* count);
