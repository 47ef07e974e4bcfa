#include "cdrom/drive_error.h"

#include "base/sounds.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace {

// Index = code; codes above the last entry share "Undefined error.".
constexpr const char* kDriveErrorTexts[] = {
    "",
    "MSCDEX not installed.",
    "Invalid drive.",
    "Invalid buffer.",
    "Bad sectors number.",
    "Insufficient memory.",
    "Error executing interrupt.",
    "Write protect violation.",
    "Unknown unit.",
    "Drive is either not ready or does not support this operation.",
    "Unknown command.",
    "CRC error.",
    "Bad drive request structure length.",
    "Seek error.",
    "Unknown media.",
    "Sector not found.",
    "Printer out of paper.",
    "Write fault.",
    "Read fault.",
    "General failure.",
    "Reserved error.",
    "Invalid disk change.",
    "Drive is busy playing audio.",
    "Invalid function.",
    "Function not supported.",
    "File not found.",
    "No more files.",
    "Internal buffer is too large.",
    "Unknown error.",
};
constexpr const char* kUndefinedError = "Undefined error.";

} // namespace

std::string DriveErrorText(uint32_t code)
{
    const DriveError driveError = static_cast<DriveError>(code);
    if (driveError == DRIVE_OK)
        return std::string(res::LoadString(res::IDS_EVERYTHING_OK));
    if (driveError >= std::size(kDriveErrorTexts))
        return kUndefinedError;
    return kDriveErrorTexts[driveError];
}

int ShowDriveError(uint32_t code)
{
    const DriveError driveError = static_cast<DriveError>(code);
    // The text comes from the string table, so its string number is the box's help number.
    if (driveError == DRIVE_OK)
        return platform::MessageBox(DriveErrorText(driveError), platform::MB_OK | platform::MB_ICONINFORMATION,
                                    res::IDS_EVERYTHING_OK);
    const std::string text = DriveErrorText(driveError);
    PlayErrorSound();
    return platform::MessageBox(text, platform::MB_OK | platform::MB_ICONEXCLAMATION);
}
