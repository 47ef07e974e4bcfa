// A physical CD drive for tests, put behind libcdio's MMC calls (mmc_run_cmd and the sense of
// the last command). It answers READ CD (CD-DA sectors, with or without C2 error pointers),
// INQUIRY and MODE SENSE (10) of the capabilities page as the MultiMedia Commands define them,
// failures with CHECK CONDITION and fixed-format sense data. The program reaches it through its
// real device layer: the drive installs itself as the device service for its letter, and each
// open gives the real disc device over a disc whose MMC calls are this drive's.
//
// It has the faults of real drives, each switched on by the test and seeded:
//
//   SimulatedDrive drive('D', 1000);          // 1000 sectors of ScriptedDrive's pattern
//   drive.SetScratches({10, 500}, 3, 7);      // each reading of sector 10 or 500 off the disc is
//                                             // wrong one time in three (seed 7); 1: every time
//   drive.SetDamage({20});                    // always read with the same wrong bytes
//   drive.SetUnreadable({30});                // MEDIUM ERROR for any read that touches it
//   drive.SetCache(64);                       // read-ahead cache of 64 sectors
//   drive.SetReadOffset(667);                 // needs a correction of +667 samples
//   drive.SetC2Reporting(true);               // reports C2 errors where it read wrong bytes
//   drive.SetOverread(true, false);           // reads the lead-in, refuses the lead-out
//
// Sectors are the disc's own; with a read offset, a read of sector s delivers the disc's bytes
// from s x 2352 - 4 x offset. Outside the disc (lead-in, lead-out) the disc holds silence.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/cdrom/cdrom_device.h"
#include "platform/cdrom/mmc_drive.h"

class SimulatedDrive : public platform::CdromDeviceService {
public:
    struct Command {
        uint8_t cdb[12] = {};
        unsigned length = 0; // bytes of the transfer
        bool succeeded = false;
    };

    explicit SimulatedDrive(char letter = 'D', uint32_t sectorCount = 1000);
    ~SimulatedDrive() override;
    SimulatedDrive(const SimulatedDrive&) = delete;
    SimulatedDrive& operator=(const SimulatedDrive&) = delete;

    void SetScratches(std::vector<uint32_t> sectors, uint32_t oneReadIn, uint32_t seed);
    void SetDamage(std::vector<uint32_t> sectors);
    void SetUnreadable(std::vector<uint32_t> sectors);
    void SetCache(uint32_t sectors);
    void SetReadOffset(int32_t samples);
    void SetC2Reporting(bool reports);
    void SetOverread(bool leadIn, bool leadOut);
    void SetIdentity(std::string vendor, std::string product, std::string revision);
    // Every READ CD takes this long, as a drive that spins and seeks.
    void SetDelay(std::chrono::milliseconds perRead);

    uint32_t SectorCount() const { return m_sectorCount; }
    // The disc's true bytes of these sectors (what a perfect, corrected read gives); sectors
    // outside the disc are silence.
    std::vector<uint8_t> DiscBytes(int64_t first, uint32_t count) const;
    // How many times sector s was read off the disc (answers from the cache do not count).
    uint32_t DiscReadsOf(uint32_t sector) const;
    std::vector<Command> Commands() const;
    void ClearLog();

    // The libcdio calls of a drive that is this one, for tests of the MMC path alone.
    std::unique_ptr<platform::cdrom::MmcCalls> Calls();

    // CdromDeviceService
    std::unique_ptr<platform::CdromDevice> Open(const std::string& devicePath, uint32_t* error) override;

private:
    class Calls_;
    class Disc_;
    friend class Calls_;

    struct SectorRead {
        std::vector<uint8_t> bytes;    // 2352
        std::vector<uint8_t> pointers; // 294: C2 error bits
    };

    driver_return_code_t Execute(const mmc_cdb_t& cdb, unsigned length, uint8_t* buffer, std::vector<uint8_t>* sense);
    bool ReadCd(const uint8_t* cdb, unsigned length, uint8_t* buffer, std::vector<uint8_t>* sense);
    SectorRead ReadOffDisc(int64_t sector);
    uint8_t DiscByte(int64_t position) const;

    mutable std::mutex m_mutex;
    char m_letter;
    uint32_t m_sectorCount;
    std::set<uint32_t> m_scratches;
    uint32_t m_scratchOneIn = 0;
    std::mt19937 m_random{1};
    std::set<uint32_t> m_damage;
    std::set<uint32_t> m_unreadable;
    uint32_t m_cacheSectors = 0;
    int64_t m_cacheStart = 0;
    std::vector<SectorRead> m_cache;
    int32_t m_offsetSamples = 0;
    bool m_reportsC2 = false;
    bool m_overreadLeadIn = false;
    bool m_overreadLeadOut = false;
    std::string m_vendor = "RIPWELL";
    std::string m_product = "TEST DRIVE";
    std::string m_revision = "1.0";
    std::chrono::milliseconds m_delay{0};
    std::map<uint32_t, uint32_t> m_discReads;
    std::vector<Command> m_commands;
};
