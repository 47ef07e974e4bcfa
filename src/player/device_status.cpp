#include "player/device_status.h"

#include <cstdio>
#include <cstring>

#include "cdrom/address.h"
#include "cdrom/device_reads.h"
#include "player/cd_audio.h"
#include "res/resource.h"

namespace {

constexpr uint32_t kMciTextSize = 50;

std::string Unsigned(uint32_t value) { return std::to_string(value); }

// The driver's text, up to the end of the buffer at most.
std::string BufferText(const char* buffer) { return std::string(buffer, strnlen(buffer, kMciTextSize)); }

} // namespace

std::string FormatTotalTime(uint32_t packedLength)
{
    if (packedLength == 0)
        return kNotAvailable;
    const int minute = static_cast<int>(packedLength & 255);
    const int second = static_cast<int>((packedLength >> 8) & 255);
    const int frame = static_cast<int>((packedLength >> 16) & 255);
    char text[40];
    std::snprintf(text, sizeof text, "%d min %02d sec %02d frm", minute, second, frame);
    return text;
}

void GatherDeviceStatus(char driveLetter, const std::function<void(int control, const std::string& text)>& show)
{
    // 1.-3. The two values the CD-ROM device gives, before any MCI message can appear.
    uint32_t count = 0;
    show(res::IDC_1036, GetMediaChangeCount(driveLetter, &count) ? Unsigned(count) : kNotAvailable);
    uint32_t sectors = 0;
    show(res::IDC_1037, GetVolumeSectorCount(driveLetter, &sectors) ? Unsigned(sectors) : kNotAvailable);

    // 4.-7. The MCI device: opened (an error is shown by CCDAudio), asked, closed again.
    CCDAudio device(driveLetter);
    if (device.DeviceId() == 0) {
        show(res::IDC_1038, kNotAvailable);
        show(res::IDC_1039, kNotAvailable);
        show(res::IDC_1040, kNotAvailable);
        return;
    }
    char buffer[kMciTextSize] = {};
    show(res::IDC_1038, device.GetMediaIdentity(buffer, kMciTextSize) ? BufferText(buffer) : kNotAvailable);
    std::memset(buffer, 0, sizeof buffer);
    show(res::IDC_1039, device.GetMediaUPC(buffer, kMciTextSize) ? BufferText(buffer) : kNotAvailable);
    show(res::IDC_1040, FormatTotalTime(device.GetLength()));
}
