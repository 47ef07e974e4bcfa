// A CD-ROM drive that does not position its reads exactly: every read starts a scripted or a
// random number of bytes off, in raw and in cooked mode, as drives do that lose their place on
// audio discs. Installed for one drive letter in place of the real device layer.
//
//   JitterDrive drive('D', 400);
//   drive.SetShifts({0, 8, -12, 4});       // read k starts Shifts[k] bytes off (later ones: 0)
//   drive.SetRandomJitter(588, 7, true);   // or: whole samples within +-588, the first read exact
//
// Content: ScriptedDrive's pattern, in which every 4-byte sample is unique, so a misplaced byte
// is always noticed. Cooked reads see the user data of each sector (bytes 16..2063) as one
// stream, shifted the same way. Bytes outside the disc read as zeros.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <random>
#include <vector>

#include "cdrom/device_reads.h"
#include "platform/cdrom/cdrom_device.h"

class JitterDrive : public platform::CdromDeviceService {
public:
    explicit JitterDrive(char letter = 'D', uint32_t sectorCount = 1000);
    ~JitterDrive() override;
    JitterDrive(const JitterDrive&) = delete;
    JitterDrive& operator=(const JitterDrive&) = delete;

    void SetShifts(std::vector<int32_t> shifts);
    void SetRandomJitter(uint32_t maxBytes, uint32_t seed, bool firstReadExact);
    // Called with the number of the read (0-based) just before it is served.
    void SetReadHook(std::function<void(int read)> hook);
    // The transfer block of this read (0-based) is refused, as if memory ran out.
    void RefuseMemoryAt(int read);
    void SetDelay(std::chrono::milliseconds perRead);

    // Shift and first sector of every read served so far.
    std::vector<int32_t> AppliedShifts() const;
    std::vector<uint32_t> ReadStarts() const;
    // What an exact drive gives.
    std::vector<uint8_t> Disc(uint32_t first, uint32_t count, ReadMode mode) const;

    std::unique_ptr<platform::CdromDevice> Open(const std::string& devicePath, uint32_t* error) override;
    void* AllocateTransfer(size_t size) override;

private:
    class Device;
    friend class Device;

    bool Serve(uint64_t streamStart, uint32_t count, ReadMode mode, uint8_t* output, uint32_t* error);
    int32_t NextShift();
    uint8_t RawByte(int64_t position) const;
    uint8_t CookedByte(int64_t position) const;

    mutable std::mutex m_mutex;
    char m_letter;
    uint32_t m_sectorCount;
    std::vector<int32_t> m_script;
    bool m_random = false;
    bool m_firstExact = true;
    uint32_t m_maxBytes = 0;
    std::mt19937 m_generator{1};
    std::function<void(int)> m_hook;
    int m_refuseAt = -1;
    int m_transfers = 0;
    std::chrono::milliseconds m_delay{0};
    std::vector<int32_t> m_applied;
    std::vector<uint32_t> m_sectors;
};
