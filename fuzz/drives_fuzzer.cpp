// Feeds arbitrary text as the drives file (lines "E: /path/disc.cue") or as RIPWELL_DRIVES
// ("E=/path/a.cue;F=...") to the drive table and checks the table it builds: C: the root file
// system first, the physical drives on D: and E: as libcdio listed them, every other drive a
// disc image named in the text (a relative path taken from the file's folder) on a letter of
// its own from F: on, in order, and the demo disc only on a machine with no CD-ROM drive at all.
#include "fuzz_check.h"
#include "platform/drives.h"

#include <cstdint>
#include <string>
#include <vector>

using platform::DriveEntry;

namespace {

const std::string kFolder = "/home/user/.config/ripwell";
const std::string kDemo = "/usr/share/ripwell/demo-disc/demo.cue";

void CheckTable(const std::vector<DriveEntry>& drives, const platform::DriveSources& sources, const std::string& text)
{
    FUZZ_CHECK(!drives.empty());
    FUZZ_CHECK(drives[0].letter == 'C' && drives[0].kind == DriveEntry::Kind::FixedDisk && drives[0].source == "/");
    for (size_t i = 1; i < drives.size(); ++i) {
        FUZZ_CHECK(drives[i].letter > drives[i - 1].letter && drives[i].letter <= 'Z');
        FUZZ_CHECK(drives[i].kind != DriveEntry::Kind::FixedDisk);
    }
    size_t physical = 0;
    size_t images = 0;
    size_t demo = 0;
    for (size_t i = 1; i < drives.size(); ++i) {
        const DriveEntry& drive = drives[i];
        if (drive.kind == DriveEntry::Kind::PhysicalCdrom) {
            FUZZ_CHECK(physical < sources.physicalDevices.size());
            FUZZ_CHECK(drive.letter == 'D' + int(physical) && drive.source == sources.physicalDevices[physical]);
            ++physical;
            continue;
        }
        if (drive.source == kDemo && text.find(kDemo) == std::string::npos) {
            FUZZ_CHECK(drive.letter == 'D');
            ++demo;
            continue;
        }
        ++images;
        FUZZ_CHECK(drive.letter >= 'D' + int(sources.physicalDevices.size()));
        FUZZ_CHECK(!drive.source.empty());
        // An image named in the text: as written, or a relative name from the file's folder.
        const bool named = text.find(drive.source) != std::string::npos ||
            (!sources.environment && drive.source.rfind(kFolder + "/", 0) == 0 &&
             text.find(drive.source.substr(kFolder.size() + 1)) != std::string::npos);
        FUZZ_CHECK(named);
    }
    FUZZ_CHECK(physical == sources.physicalDevices.size());
    // The demo disc stands in when, and only when, there is no other CD-ROM drive.
    FUZZ_CHECK(demo == (physical + images == 0 ? 1u : 0u));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses where the text comes from and how many physical drives there are.
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    platform::DriveSources sources;
    for (int i = 0; i < (data[0] >> 1) % 3; ++i)
        sources.physicalDevices.push_back("/dev/sr" + std::to_string(i));
    if (data[0] & 1)
        sources.environment = text;
    else
        sources.drivesFileText = text;
    sources.drivesFileFolder = kFolder;
    sources.demoDisc = kDemo;

    const std::vector<DriveEntry> drives = platform::BuildDriveTable(sources);
    CheckTable(drives, sources, text);
    // The same sources give the same table.
    const std::vector<DriveEntry> again = platform::BuildDriveTable(sources);
    FUZZ_CHECK(again.size() == drives.size());
    for (size_t i = 0; i < drives.size(); ++i)
        FUZZ_CHECK(again[i].letter == drives[i].letter && again[i].source == drives[i].source &&
                   again[i].kind == drives[i].kind);
    return 0;
}
