// Disc addresses: logical sector numbers and minute:second:frame positions. Sector 0 is the
// first sector of the program area, at 00:02:00.
#pragma once

#include <cstdint>

using LogicalSector = uint32_t;

inline constexpr uint32_t FRAMES_PER_SECOND = 75;
inline constexpr uint32_t FRAMES_PER_MINUTE = 4500;
inline constexpr uint32_t LEAD_IN_FRAMES = 150;
inline constexpr uint32_t RAW_SECTOR_SIZE = 2352;
inline constexpr uint32_t COOKED_SECTOR_SIZE = 2048;
inline constexpr uint32_t MAX_READ_SECTOR = 350000;

// minute * 4500 + second * 75 + frame - 150, unsigned 32-bit with wrap-around.
LogicalSector MsfToSector(uint8_t minute, uint8_t second, uint8_t frame);
void SectorToMsf(LogicalSector sector, uint8_t* minute, uint8_t* second, uint8_t* frame);

// Letter of the first CD-ROM drive of the machine, or 0 when there is none.
char FindFirstCdromDrive();

// Sector count of the volume in a drive (sectors per cluster x total clusters).
bool GetVolumeSectorCount(char driveLetter, uint32_t* count);
