#include "platform/drives.h"

#include "platform/cdrom_volume.h"
#include "platform/data_folder.h"
#include "platform/file.h"
#include "platform/user_notices.h"

#include <cdio/cdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sstream>

namespace platform {
namespace {

constexpr char kFirstCdromLetter = 'D';
constexpr char kFixedDiskLetter = 'C';
constexpr uint64_t kMaxDrivesFileSize = 1u << 20;

std::atomic<DriveTable*> g_table{nullptr};

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// A skipped entry is told to the user (the program shows it at start-up or with the next drive
// error), and the drive table is built without it.
void Complain(int& skipped, const std::string& where, const std::string& line, const char* why)
{
    ++skipped;
    PostUserNotice("drive list " + where + "\n" + line, where + ": skipping \"" + line + "\": " + why);
}

// Adds one virtual drive, or says on stderr why it cannot.
void AddVirtualDrive(std::vector<DriveEntry>& drives, int& skipped, const std::string& where, const std::string& line,
                     char letter, const std::string& path)
{
    letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    if (letter < 'A' || letter > 'Z')
        return Complain(skipped, where, line, "not a drive letter");
    if (letter < kFirstCdromLetter)
        return Complain(skipped, where, line, "A:, B: and C: cannot be CD-ROM drives");
    if (path.empty())
        return Complain(skipped, where, line, "no disc image named");
    const bool taken =
        std::any_of(drives.begin(), drives.end(), [&](const DriveEntry& d) { return d.letter == letter; });
    if (taken)
        return Complain(skipped, where, line, "that drive letter is already taken");
    drives.push_back({letter, DriveEntry::Kind::DiscImage, path});
}

// "E=/path/a.cue;F=/path/b.cue"
void AddEnvironmentDrives(std::vector<DriveEntry>& drives, int& skipped, const std::string& text)
{
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ';')) {
        item = Trim(item);
        if (item.empty())
            continue;
        const auto equals = item.find('=');
        // The letter may be written "E" or "E:".
        const std::string name = Trim(item.substr(0, equals == std::string::npos ? 0 : equals));
        if (equals == std::string::npos || name.empty() || name.size() > 2 || (name.size() == 2 && name[1] != ':')) {
            Complain(skipped, "RIPWELL_DRIVES", item, "expected LETTER=IMAGE, as in E=/discs/album.cue");
            continue;
        }
        AddVirtualDrive(drives, skipped, "RIPWELL_DRIVES", item, name[0], Trim(item.substr(equals + 1)));
    }
}

// Lines "E: /path/disc.cue"; blank lines and lines starting with # are ignored.
void AddFileDrives(std::vector<DriveEntry>& drives, int& skipped, const std::string& text, const std::string& folder)
{
    const std::string where = "drives file " + (folder.empty() ? std::string("drives") : folder + "/drives");
    std::stringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line.size() < 3 || line[1] != ':' || !std::isspace(static_cast<unsigned char>(line[2]))) {
            Complain(skipped, where, line, "expected \"E: /path/disc.cue\"");
            continue;
        }
        std::filesystem::path path(Trim(line.substr(2)));
        if (!path.empty() && path.is_relative() && !folder.empty())
            path = std::filesystem::path(folder) / path;
        AddVirtualDrive(drives, skipped, where, line, line[0], path.string());
    }
}

// The drives file, if it is a regular file of a sensible size: a FIFO in its place would block
// the program, and a drives file lists a few images, so a file far larger than that is none.
std::string ReadDrivesFile(const std::string& path)
{
    std::string text;
    if (!PathExists(path))
        return text;
    if (!IsRegularFile(path)) {
        PostUserNotice("drives file", "drives file " + path + ": skipped, it is not a regular file");
        return text;
    }
    bool tooLarge = false;
    if (ReadTextFile(path, text, kMaxDrivesFileSize, &tooLarge) != FileError::None) {
        PostUserNotice(
            "drives file",
            "drives file " + path +
                (tooLarge ? ": skipped, it is too large for a drives file" : ": skipped, it cannot be read"));
        text.clear();
    }
    return text;
}

std::vector<std::string> PhysicalDevices()
{
    std::vector<std::string> devices;
    char** list = cdio_get_devices(DRIVER_DEVICE);
    for (char** device = list; device && *device; ++device)
        devices.emplace_back(*device);
    cdio_free_device_list(list);
    return devices;
}

// The table of this machine. It is built again only when the drives file, RIPWELL_DRIVES or
// RIPWELL_DEMO_DISC changed, so that the messages about bad lines come once, and libcdio is asked once.
class RealDriveTable : public DriveTable {
public:
    std::vector<DriveEntry> Drives() override
    {
        std::lock_guard lock(m_mutex);
        // Every device request looks its letter up here, so the check is kept to what can
        // change: the variables, and the drives file only when RIPWELL_DRIVES does not replace it.
        const char* environment = std::getenv("RIPWELL_DRIVES");
        const char* demoDisc = std::getenv("RIPWELL_DEMO_DISC");
        std::string key = (environment ? "=" + std::string(environment) : "-") + "\n" +
            (demoDisc ? "=" + std::string(demoDisc) : "-");
        std::string file;
        bool haveFile = false;
        if (!environment) {
            file = UserConfigFolder() + "/drives";
            struct stat info {};
            haveFile = stat(file.c_str(), &info) == 0;
            key += "\n" + file;
            if (haveFile)
                key += "\n" + std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec) + "/" +
                    std::to_string(info.st_size);
        }
        if (!m_built || key != m_key) {
            if (!m_built)
                m_physical = PhysicalDevices();
            DriveSources sources;
            sources.physicalDevices = m_physical;
            if (environment)
                sources.environment = environment;
            else if (haveFile)
                sources.drivesFileText = ReadDrivesFile(file);
            sources.drivesFileFolder = UserConfigFolder();
            sources.demoDisc = DemoDiscPath(); // the bundled disc does not come and go while the program runs
            m_drives = BuildDriveTable(sources);
            m_key = key;
            m_built = true;
        }
        return m_drives;
    }

private:
    std::mutex m_mutex;
    bool m_built = false;
    std::string m_key;
    std::vector<std::string> m_physical;
    std::vector<DriveEntry> m_drives;
};

DriveTable& CurrentTable()
{
    static RealDriveTable real;
    DriveTable* table = g_table;
    return table ? *table : real;
}

uint32_t ClampToUint32(unsigned long long value)
{
    return static_cast<uint32_t>(std::min<unsigned long long>(value, UINT32_MAX));
}

} // namespace

std::string UserConfigFolder()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg)
        return std::string(xdg) + "/ripwell";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/ripwell";
}

std::string DemoDiscPath()
{
    if (const char* demo = std::getenv("RIPWELL_DEMO_DISC"))
        return demo;
    const std::string folder = ProgramDataFolder();
    const std::string disc = folder + "/demo-disc/demo.cue";
    if (!folder.empty() && IsRegularFile(disc))
        return disc;
    return {};
}

std::vector<DriveEntry> BuildDriveTable(const DriveSources& sources)
{
    std::vector<DriveEntry> drives;
    drives.push_back({kFixedDiskLetter, DriveEntry::Kind::FixedDisk, "/"});
    char letter = kFirstCdromLetter;
    for (const std::string& device : sources.physicalDevices) {
        if (letter > 'Z') {
            std::fprintf(stderr, "Ripwell: no drive letter left for %s\n", device.c_str());
            continue;
        }
        drives.push_back({letter++, DriveEntry::Kind::PhysicalCdrom, device});
    }
    int skipped = 0;
    if (sources.environment)
        AddEnvironmentDrives(drives, skipped, *sources.environment);
    else
        AddFileDrives(drives, skipped, sources.drivesFileText, sources.drivesFileFolder);
    if (drives.size() == 1 && !sources.demoDisc.empty()) {
        drives.push_back({kFirstCdromLetter, DriveEntry::Kind::DiscImage, sources.demoDisc});
        // A drive list whose every entry was skipped: the user sees the demo disc and should know why.
        if (skipped > 0)
            PostUserNotice("drive list demo disc",
                           "No drive of the drive list could be used; drive D: holds the demo disc.");
    }
    std::sort(drives.begin(), drives.end(),
              [](const DriveEntry& a, const DriveEntry& b) { return a.letter < b.letter; });
    return drives;
}

void SetDriveTable(DriveTable* table) { g_table = table; }

std::optional<DriveEntry> FindDrive(char letter)
{
    letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    for (const DriveEntry& drive : CurrentTable().Drives())
        if (drive.letter == letter)
            return drive;
    return std::nullopt;
}

uint32_t GetLogicalDrives()
{
    uint32_t mask = 0;
    for (const DriveEntry& drive : CurrentTable().Drives())
        if (drive.letter >= 'A' && drive.letter <= 'Z')
            mask |= 1u << (drive.letter - 'A');
    return mask;
}

unsigned GetDriveTypeA(const char* rootPath)
{
    if (!rootPath || !*rootPath)
        return DRIVE_NO_ROOT_DIR;
    const std::optional<DriveEntry> drive = FindDrive(rootPath[0]);
    if (!drive)
        return DRIVE_NO_ROOT_DIR;
    return drive->kind == DriveEntry::Kind::FixedDisk ? DRIVE_FIXED : DRIVE_CDROM;
}

bool GetDiskFreeSpaceA(const char* rootPath, uint32_t* sectorsPerCluster, uint32_t* bytesPerSector,
                       uint32_t* numberOfFreeClusters, uint32_t* totalNumberOfClusters)
{
    if (!rootPath || !*rootPath)
        return false;
    const std::optional<DriveEntry> drive = FindDrive(rootPath[0]);
    if (!drive)
        return false;
    VolumeGeometry geometry;
    if (drive->kind == DriveEntry::Kind::FixedDisk) {
        struct statvfs info {};
        if (statvfs(drive->source.c_str(), &info) != 0)
            return false;
        constexpr uint32_t kSectorSize = 512;
        geometry.bytesPerSector = kSectorSize;
        geometry.sectorsPerCluster = std::max<uint32_t>(1, ClampToUint32(info.f_frsize / kSectorSize));
        geometry.totalClusters = ClampToUint32(info.f_blocks);
        geometry.freeClusters = ClampToUint32(info.f_bavail);
    } else if (!QueryCdromVolume(*drive, geometry)) {
        return false;
    }
    if (sectorsPerCluster)
        *sectorsPerCluster = geometry.sectorsPerCluster;
    if (bytesPerSector)
        *bytesPerSector = geometry.bytesPerSector;
    if (numberOfFreeClusters)
        *numberOfFreeClusters = geometry.freeClusters;
    if (totalNumberOfClusters)
        *totalNumberOfClusters = geometry.totalClusters;
    return true;
}

} // namespace platform
