#include "platform/cdrom/mmc_drive.h"

#include <cdio/cdio.h>

#include <cstring>
#include <string>

namespace platform::cdrom {

namespace {

// A drive may retry a damaged sector for many seconds before it answers.
constexpr unsigned READ_TIMEOUT_MS = 60000;
constexpr unsigned COMMAND_TIMEOUT_MS = 6000;

constexpr uint8_t EXPECTED_SECTOR_TYPE_CDDA = 1 << 2; // byte 1, bits 4..2: 001b
constexpr uint8_t FIELD_USER_DATA = 0x10;             // byte 9
constexpr uint8_t FIELD_C2_AND_BLOCK_ERROR = 2 << 1;  // byte 9, bits 2..1: 10b, 296 bytes a sector
constexpr uint8_t MODE_SENSE_NO_BLOCK_DESCRIPTORS = 0x08;
constexpr uint8_t CAPABILITY_C2_POINTERS = 0x10; // byte 5 of the capabilities page
constexpr unsigned INQUIRY_LENGTH = 36;
constexpr unsigned MODE_SENSE_LENGTH = 64;
constexpr size_t SENSE_KEY_BYTE = 2;

class LibcdioCalls : public MmcCalls {
public:
    explicit LibcdioCalls(CdIo_t* cdio) : m_cdio(cdio) {}

    driver_return_code_t RunCommand(unsigned timeoutMs, const mmc_cdb_t& cdb, cdio_mmc_direction_t direction,
                                    unsigned length, void* buffer) override
    {
        return mmc_run_cmd(m_cdio, timeoutMs, &cdb, direction, length, buffer);
    }

    std::vector<uint8_t> LastSense() override
    {
        cdio_mmc_request_sense_t* sense = nullptr;
        const int length = mmc_last_cmd_sense(m_cdio, &sense);
        std::vector<uint8_t> bytes;
        if (sense && length > 0)
            bytes.assign(reinterpret_cast<const uint8_t*>(sense), reinterpret_cast<const uint8_t*>(sense) + length);
        cdio_free(sense);
        return bytes;
    }

private:
    CdIo_t* m_cdio;
};

void PutBigEndian(uint8_t* at, uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i) {
        at[i] = static_cast<uint8_t>(value);
        value >>= 8;
    }
}

std::string InquiryText(const uint8_t* bytes, size_t length)
{
    std::string text(reinterpret_cast<const char*>(bytes), length);
    const size_t end = text.find_last_not_of(std::string(" \0", 2));
    text.erase(end == std::string::npos ? 0 : end + 1);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
            c = ' ';
    return text;
}

} // namespace

std::unique_ptr<MmcCalls> LibcdioMmcCalls(CdIo_t* cdio) { return std::make_unique<LibcdioCalls>(cdio); }

MmcDrive::MmcDrive(std::unique_ptr<MmcCalls> calls) : m_calls(std::move(calls)) {}

MmcResult MmcDrive::Run(const mmc_cdb_t& cdb, unsigned timeoutMs, unsigned length, void* buffer)
{
    if (m_calls->RunCommand(timeoutMs, cdb, SCSI_MMC_DATA_READ, length, buffer) == DRIVER_OP_SUCCESS)
        return MmcResult::Ok;
    const std::vector<uint8_t> sense = m_calls->LastSense();
    if (sense.size() <= SENSE_KEY_BYTE)
        return MmcResult::Failed;
    switch (sense[SENSE_KEY_BYTE] & 0x0F) {
    case SENSE_KEY_ILLEGAL_REQUEST: return MmcResult::Refused;
    case SENSE_KEY_MEDIUM_ERROR: return MmcResult::MediumError;
    default: return MmcResult::Failed;
    }
}

MmcResult MmcDrive::ReadCdda(int32_t lba, uint32_t count, bool withC2, uint8_t* output)
{
    if (count == 0)
        return MmcResult::Ok;
    if (count > 0xFFFFFF)
        return MmcResult::Refused;
    mmc_cdb_t cdb{};
    cdb.field[0] = READ_CD;
    cdb.field[1] = EXPECTED_SECTOR_TYPE_CDDA;
    PutBigEndian(&cdb.field[2], static_cast<uint32_t>(lba), 4); // two's complement in the lead-in
    PutBigEndian(&cdb.field[6], count, 3);
    cdb.field[9] = FIELD_USER_DATA | (withC2 ? FIELD_C2_AND_BLOCK_ERROR : 0);
    const uint64_t length = uint64_t{count} * (withC2 ? CD_RAW_SECTOR_WITH_C2_SIZE : 2352);
    if (length > UINT32_MAX)
        return MmcResult::Refused;
    return Run(cdb, READ_TIMEOUT_MS, static_cast<unsigned>(length), output);
}

bool MmcDrive::Inquiry(DriveIdentity* identity)
{
    mmc_cdb_t cdb{};
    cdb.field[0] = INQUIRY;
    cdb.field[4] = INQUIRY_LENGTH;
    uint8_t data[INQUIRY_LENGTH] = {};
    if (Run(cdb, COMMAND_TIMEOUT_MS, sizeof data, data) != MmcResult::Ok)
        return false;
    identity->vendor = InquiryText(data + 8, 8);
    identity->product = InquiryText(data + 16, 16);
    identity->revision = InquiryText(data + 32, 4);
    return true;
}

bool MmcDrive::ReportsC2Pointers()
{
    if (m_reportsC2)
        return *m_reportsC2;
    mmc_cdb_t cdb{};
    cdb.field[0] = MODE_SENSE_10;
    cdb.field[1] = MODE_SENSE_NO_BLOCK_DESCRIPTORS;
    cdb.field[2] = CAPABILITIES_PAGE; // current values
    PutBigEndian(&cdb.field[7], MODE_SENSE_LENGTH, 2);
    uint8_t data[MODE_SENSE_LENGTH] = {};
    bool reports = false;
    if (Run(cdb, COMMAND_TIMEOUT_MS, sizeof data, data) == MmcResult::Ok) {
        // An 8-byte header, the block descriptors a drive may send all the same, then the page.
        const size_t page = 8 + ((size_t{data[6]} << 8) | data[7]);
        reports = page + 5 < sizeof data && (data[page] & 0x3F) == CAPABILITIES_PAGE &&
            (data[page + 5] & CAPABILITY_C2_POINTERS) != 0;
    }
    m_reportsC2 = reports;
    return reports;
}

} // namespace platform::cdrom
