// A drive table for tests: exactly the drives a test lists, installed for the object's lifetime.
//
//   ScriptedDriveTable drives({{'C', Kind::FixedDisk, "/"}, {'E', Kind::DiscImage, cue}});
#pragma once

#include "platform/drives.h"

#include <vector>

class ScriptedDriveTable : public platform::DriveTable {
public:
    explicit ScriptedDriveTable(std::vector<platform::DriveEntry> drives = {}) : m_drives(std::move(drives))
    {
        platform::SetDriveTable(this);
    }
    ~ScriptedDriveTable() override { platform::SetDriveTable(nullptr); }
    ScriptedDriveTable(const ScriptedDriveTable&) = delete;
    ScriptedDriveTable& operator=(const ScriptedDriveTable&) = delete;

    void Set(std::vector<platform::DriveEntry> drives) { m_drives = std::move(drives); }
    std::vector<platform::DriveEntry> Drives() override { return m_drives; }

    // A machine with C: and one CD-ROM drive per letter given, each an image of that name.
    static std::vector<platform::DriveEntry> WithCdroms(const std::string& letters)
    {
        std::vector<platform::DriveEntry> drives{{'C', platform::DriveEntry::Kind::FixedDisk, "/"}};
        for (char letter : letters)
            drives.push_back(
                {letter, platform::DriveEntry::Kind::DiscImage, std::string("/images/") + letter + ".cue"});
        return drives;
    }

private:
    std::vector<platform::DriveEntry> m_drives;
};
