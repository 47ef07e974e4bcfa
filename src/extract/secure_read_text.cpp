#include "extract/secure_read_text.h"

#include <cstdio>

#include "cdrom/address.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace {

std::string Load(int id) { return std::string(res::LoadString(id)); }

std::string Hex(uint32_t crc)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", crc);
    return text;
}

} // namespace

std::string SecurePassText(uintptr_t pass)
{
    switch (pass) {
    case res::READ_PASS_TEST: return Load(res::IDS_READ_PASS_TEST);
    case res::READ_PASS_COPY: return Load(res::IDS_READ_PASS_COPY);
    default: return Load(res::IDS_READ_PASS_REREAD);
    }
}

std::string SuspiciousPositionText(uint32_t sector)
{
    uint8_t minute = 0, second = 0, frame = 0;
    SectorToMsf(sector, &minute, &second, &frame);
    char text[48];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u (sector %u)", minute, second, frame, sector);
    return text;
}

std::string SecureReadMessage(const SecureReadReport& report)
{
    const std::string crcs =
        res::FormatMessageText(res::LoadString(res::IDS_SECURE_READ_CRCS), Hex(report.testCrc), Hex(report.copyCrc));
    std::string text;
    if (report.AllAgreed()) {
        text = Load(res::IDS_EVERYTHING_OK) + "\n\n" + crcs;
    } else {
        text = Load(res::IDS_SECURE_READ_SUSPICIOUS) + "\n\n" + crcs + "\n\n" + Load(res::IDS_SECURE_READ_POSITIONS);
        const size_t count = report.suspiciousSectors.size();
        for (size_t i = 0; i < count && i < MAX_LISTED_POSITIONS; ++i)
            text += "\n" + SuspiciousPositionText(report.suspiciousSectors[i]);
        if (count > MAX_LISTED_POSITIONS)
            text += "\n" +
                res::FormatMessageText(res::LoadString(res::IDS_SECURE_READ_MORE),
                                       std::to_string(count - MAX_LISTED_POSITIONS));
    }
    if (report.zeroSamples > 0)
        text += "\n\n" +
            res::FormatMessageText(res::LoadString(res::IDS_SECURE_READ_ZEROS), std::to_string(report.zeroSamples));
    return text;
}
