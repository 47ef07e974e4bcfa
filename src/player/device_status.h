// What the "CD-ROM device status" dialog shows about the drive and its disc, gathered once when
// the dialog opens, in this order: the drive's media change count and the sector count of its
// volume, then, through the drive's MCI CD audio device, the disc's identity, its UPC and its
// length. The two values that need no MCI device are in place before any MCI error message can
// come up. A value that cannot be had shows as "n/a".
#pragma once

#include <cstdint>
#include <functional>
#include <string>

inline constexpr const char* kNotAvailable = "n/a";

// "%d min %02d sec %02d frm" of a packed MSF length (minute in the low byte, then second, then
// frame); "n/a" for 0, the driver's answer when it has no length.
std::string FormatTotalTime(uint32_t packedLength);

// Gathers the values for a drive and hands each to show(control, text) as soon as it is known:
// 1036 (media change count), 1037 (total sectors), then 1038 (identity), 1039 (UPC) and 1040
// (total time). The MCI device is closed again before this returns.
void GatherDeviceStatus(char driveLetter, const std::function<void(int control, const std::string& text)>& show);
