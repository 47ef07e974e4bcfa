// The commands a physical drive is given directly (SCSI MultiMedia Commands through libcdio):
// READ CD of CD-DA sectors with or without C2 error pointers, at any address the drive accepts
// (the lead-in and lead-out included), INQUIRY for the drive's name, and MODE SENSE of the
// capabilities page for whether it reports C2 errors.
//
// Everything goes through MmcCalls, the two libcdio calls this needs; tests put a drive of
// their own behind them that answers as the commands are defined.
#pragma once

#include <cdio/mmc.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/cdrom/cdrom_device.h"

namespace platform::cdrom {

class MmcCalls {
public:
    virtual ~MmcCalls() = default;
    // mmc_run_cmd: the command block, data in or out of buffer. 0 (DRIVER_OP_SUCCESS) when the
    // drive did the command.
    virtual driver_return_code_t RunCommand(unsigned timeoutMs, const mmc_cdb_t& cdb, cdio_mmc_direction_t direction,
                                            unsigned length, void* buffer) = 0;
    // mmc_last_cmd_sense: the fixed-format sense bytes of the last command (none: empty).
    virtual std::vector<uint8_t> LastSense() = 0;
};

// The calls on a drive libcdio has open; the drive stays libcdio's.
std::unique_ptr<MmcCalls> LibcdioMmcCalls(CdIo_t* cdio);

enum class MmcResult {
    Ok,
    Refused,     // ILLEGAL REQUEST: an address outside what the drive reads, or a field it does not take
    MediumError, // the drive could not read the disc there
    Failed,      // anything else: no answer, not ready, a fault of the drive
};

class MmcDrive {
public:
    static constexpr uint8_t READ_CD = 0xBE;
    static constexpr uint8_t INQUIRY = 0x12;
    static constexpr uint8_t MODE_SENSE_10 = 0x5A;
    static constexpr uint8_t CAPABILITIES_PAGE = 0x2A;
    static constexpr uint8_t SENSE_KEY_MEDIUM_ERROR = 0x3;
    static constexpr uint8_t SENSE_KEY_ILLEGAL_REQUEST = 0x5;

    explicit MmcDrive(std::unique_ptr<MmcCalls> calls);

    // count CD-DA sectors from lba (negative: in the lead-in) into output: 2352 bytes a sector,
    // or CD_RAW_SECTOR_WITH_C2_SIZE with the C2 error pointers and the block error byte.
    MmcResult ReadCdda(int32_t lba, uint32_t count, bool withC2, uint8_t* output);

    // INQUIRY: vendor, product and revision, trailing blanks removed.
    bool Inquiry(DriveIdentity* identity);

    // Whether the capabilities page says the drive delivers C2 error pointers; asked once.
    bool ReportsC2Pointers();

private:
    MmcResult Run(const mmc_cdb_t& cdb, unsigned timeoutMs, unsigned length, void* buffer);

    std::unique_ptr<MmcCalls> m_calls;
    std::optional<bool> m_reportsC2;
};

} // namespace platform::cdrom
