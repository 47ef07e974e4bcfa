// The drive table behind GetLogicalDrives, GetDriveTypeA and GetDiskFreeSpaceA.
//
// C: is the root file system (a fixed disk). CD-ROM drives get the letters from D: on: first
// the physical drives that libcdio finds, then the virtual drives, each a disc image file,
// listed one per line as "E: /path/disc.cue" in $XDG_CONFIG_HOME/ripwell/drives or given in
// RIPWELL_DRIVES="E=/path/a.cue;F=/path/b.cue" (the environment wins). When the machine has no
// CD-ROM drive at all, the bundled demo disc is mounted as the first CD-ROM drive.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

inline constexpr unsigned DRIVE_UNKNOWN = 0;
inline constexpr unsigned DRIVE_NO_ROOT_DIR = 1;
inline constexpr unsigned DRIVE_REMOVABLE = 2;
inline constexpr unsigned DRIVE_FIXED = 3;
inline constexpr unsigned DRIVE_REMOTE = 4;
inline constexpr unsigned DRIVE_CDROM = 5;
inline constexpr unsigned DRIVE_RAMDISK = 6;

struct DriveEntry {
    enum class Kind { FixedDisk, PhysicalCdrom, DiscImage };
    char letter = 0; // 'A'..'Z'
    Kind kind = Kind::FixedDisk;
    std::string source; // mount point of a fixed disk, device node or image file of a CD-ROM drive
};

class DriveTable {
public:
    virtual ~DriveTable() = default;
    virtual std::vector<DriveEntry> Drives() = 0;
};

// Bit 0 is drive A.
uint32_t GetLogicalDrives();
// rootPath like "D:\"; only its first character counts.
unsigned GetDriveTypeA(const char* rootPath);
bool GetDiskFreeSpaceA(const char* rootPath, uint32_t* sectorsPerCluster, uint32_t* bytesPerSector,
                       uint32_t* numberOfFreeClusters, uint32_t* totalNumberOfClusters);

// The drive of a letter (either case), if there is one.
std::optional<DriveEntry> FindDrive(char letter);

// Installs a drive table; nullptr goes back to the real one. The caller keeps ownership.
void SetDriveTable(DriveTable* table);

// Where the bundled demo disc lies (the cue sheet), or empty when it is not there:
// RIPWELL_DEMO_DISC if set (empty: no demo disc), else demo-disc/demo.cue of the program's data
// folder (see data_folder.h).
std::string DemoDiscPath();

// How the real table is put together, open for tests:
//  - C: is the root file system. Physical CD-ROM drives take D:, E: ... in the order libcdio
//    lists them; those beyond Z: are left out.
//  - Virtual drives come from RIPWELL_DRIVES when that variable is set (even to nothing),
//    otherwise from the drives file. A virtual drive may not take A:, B:, C:, a letter a physical
//    drive has, or a letter an earlier line took; such a line is skipped with a message on the
//    standard error stream, as is a line that cannot be read. Relative image paths in the
//    drives file are taken from the file's folder.
//  - When that leaves no CD-ROM drive at all, the demo disc (when there is one) is D:.
struct DriveSources {
    std::vector<std::string> physicalDevices;
    std::optional<std::string> environment; // RIPWELL_DRIVES: "E=/path/a.cue;F=/path/b.cue"
    std::string drivesFileText;             // lines "E: /path/disc.cue"
    std::string drivesFileFolder;
    std::string demoDisc;
};
std::vector<DriveEntry> BuildDriveTable(const DriveSources& sources);

// $XDG_CONFIG_HOME/ripwell (default ~/.config/ripwell), where the per-user files live.
std::string UserConfigFolder();

} // namespace platform
