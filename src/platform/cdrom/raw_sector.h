// The raw form of a mode-1 data sector: 12 sync bytes, the header (address as BCD
// minute:second:frame, mode 1), 2048 bytes of user data, the EDC and the P and Q parity (ECC).
// Used to give raw reads of images that hold only the user data (MODE1/2048), and by mkdisc.
// Depends on nothing but the standard library.
#pragma once

#include <cstdint>

namespace platform::cdrom {

inline constexpr uint32_t MODE1_USER_DATA_OFFSET = 16;
inline constexpr uint32_t MODE2_USER_DATA_OFFSET = 24;
inline constexpr uint32_t MODE2_DATA_OFFSET = 16; // the 2336 bytes after sync and header

// Writes the 2352-byte sector of logical sector lsn (address lsn + 150) holding userData
// (2048 bytes; nullptr for an empty sector) into sector.
void EncodeMode1Sector(uint32_t lsn, const uint8_t* userData, uint8_t* sector);

// Writes the 2352-byte sector of logical sector lsn in mode 2 without form: sync, header and
// the 2336 bytes of data (nullptr for zeros).
void EncodeMode2Sector(uint32_t lsn, const uint8_t* data, uint8_t* sector);

// The EDC of a run of bytes (CRC-32 with the polynomial of the CD-ROM standard).
uint32_t ComputeEdc(const uint8_t* bytes, uint32_t size);

} // namespace platform::cdrom
