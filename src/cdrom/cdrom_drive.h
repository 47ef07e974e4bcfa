// One CD-ROM drive held open for a series of raw reads, as a verified read of a range needs:
// the device and its transfer memory are taken once, not for every request. Besides plain raw
// sectors it reads the drive's C2 error pointers where the drive gives them, sectors in the
// lead-in and the lead-out where it reads them, the disc's lead-out and the drive's name.
#pragma once

#include <cstdint>
#include <string>

#include "cdrom/drive_error.h"

// A read the drive cannot do in the form asked (here: with C2 error pointers).
inline constexpr DriveError DRIVE_ERROR_NOT_SUPPORTED = 24;

inline constexpr uint32_t C2_POINTER_BYTES = 294; // one bit a byte of a 2352-byte sector

class CdromDrive {
public:
    // Sectors in one request, so that a request stays within 64 KiB (27 x 2352, 24 x 2648).
    static constexpr uint32_t MAX_SECTORS = 27;
    static constexpr uint32_t MAX_SECTORS_WITH_C2 = 24;

    CdromDrive() = default;
    ~CdromDrive();
    CdromDrive(const CdromDrive&) = delete;
    CdromDrive& operator=(const CdromDrive&) = delete;

    // 0, 2 when the device cannot be opened, 5 when there is no transfer memory.
    DriveError Open(char driveLetter);
    void Close();

    // count raw sectors from first (negative: in the lead-in) into data, 2352 bytes a sector.
    // With c2, the C2 error pointers of each sector into c2 (294 bytes a sector), or
    // DRIVE_ERROR_NOT_SUPPORTED when the drive gives none. 18 when the drive refuses the read.
    DriveError ReadRaw(int64_t first, uint32_t count, uint8_t* data, uint8_t* c2);

    // The lead-out of the disc (one past its last sector), from the table of contents.
    bool ReadLeadOut(uint32_t* leadOut);

    // "VENDOR PRODUCT" as the drive names itself; false when it does not.
    bool QueryModel(std::string* model);

private:
    DriveError ReadPart(int64_t first, uint32_t count, uint8_t* data, uint8_t* c2);

    void* m_device = nullptr; // the HANDLE, null when closed
    uint8_t* m_pTransfer = nullptr;
};

// The name of the drive with this letter (opens and closes it); false when it gives none.
bool GetDriveModel(char driveLetter, std::string* model);
