#include "platform/virtual_drive_media.h"

#include <sys/stat.h>

#include <cctype>
#include <map>
#include <mutex>

namespace platform {
namespace {

struct VirtualDrive {
    std::string medium; // empty until the first media check
    uint32_t changes = 0;
    std::string openDoorOf; // the image whose door is open; empty while the door is closed
};

std::mutex g_mutex;

std::map<char, VirtualDrive>& Drives()
{
    static std::map<char, VirtualDrive> drives;
    return drives;
}

char Upper(char letter) { return static_cast<char>(std::toupper(static_cast<unsigned char>(letter))); }

} // namespace

void SetVirtualDoorOpen(char letter, const std::string& source, bool open)
{
    std::lock_guard lock(g_mutex);
    VirtualDrive& drive = Drives()[Upper(letter)];
    if (open) {
        drive.openDoorOf = source;
        return;
    }
    // Closing the door of the image in the drive puts a medium back in: one change.
    if (drive.openDoorOf == source && !source.empty())
        ++drive.changes;
    drive.openDoorOf.clear();
}

bool IsVirtualDoorOpen(char letter, const std::string& source)
{
    std::lock_guard lock(g_mutex);
    const auto found = Drives().find(Upper(letter));
    return found != Drives().end() && !source.empty() && found->second.openDoorOf == source;
}

uint32_t CountVirtualMediaChanges(char letter, const std::string& medium)
{
    std::lock_guard lock(g_mutex);
    VirtualDrive& drive = Drives()[Upper(letter)];
    if (!drive.medium.empty() && drive.medium != medium)
        ++drive.changes;
    drive.medium = medium;
    return drive.changes;
}

std::string ImageFileMedium(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return path + "\n(missing)";
    return path + "\n" + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + "\n" +
        std::to_string(info.st_size) + "\n" + std::to_string(info.st_mtim.tv_sec) + "." +
        std::to_string(info.st_mtim.tv_nsec);
}

} // namespace platform
