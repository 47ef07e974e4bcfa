// A scripted CD-ROM drive for tests: installed for one drive letter in place of the real device
// layer, it serves a disc of N sectors and does what the test asks of it.
//
//   ScriptedDrive drive('D', 500);            // 500 sectors of the generated pattern, installed
//   drive.FailReadAt(120);                    // any read that touches sector 120 gives 18
//   drive.SetJitter(40, 7);                   // raw reads start up to +-40 bytes off, seed 7
//   ... ReadSectors('D', ...) ...
//   EXPECT_EQ(drive.Requests().size(), 4u);
//
// Content: the pattern gives every 4-byte sample of the disc its own value (see PatternSample),
// so a misplaced block is always noticed; SetContent takes raw bytes instead. Raw reads give
// 2352 bytes a sector; cooked reads give bytes 16..2063 of each raw sector (the user data of a
// mode-1 sector). The drive uninstalls itself when destroyed. All members are thread-safe.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <random>
#include <vector>

#include "platform/cdrom/cdrom_device.h"

class ScriptedDrive : public platform::CdromDeviceService {
public:
    struct Request {
        enum class Kind { Raw, Cooked, CheckVerify };
        Kind kind = Kind::Raw;
        uint32_t firstSector = 0; // DiskOffset / 2048 (raw) or byte offset / 2048 (cooked)
        uint32_t count = 0;       // sectors asked for
        uint32_t diskOffset = 0;  // low half of DiskOffset (raw), byte offset (cooked)
        uint32_t trackMode = 0;   // raw only
        int32_t shift = 0;        // raw only: bytes the jittering drive started off by
        bool succeeded = false;
    };

    static constexpr uint32_t CONTENT_OFFSET_OF_COOKED = 16;

    explicit ScriptedDrive(char letter = 'D', uint32_t sectorCount = 1000);
    ~ScriptedDrive() override;
    ScriptedDrive(const ScriptedDrive&) = delete;
    ScriptedDrive& operator=(const ScriptedDrive&) = delete;

    // The 32-bit value of sample k (4 bytes, little-endian) of the generated pattern.
    static uint32_t PatternSample(uint64_t sampleIndex);

    // Replaces the disc with these raw bytes (a whole number of 2352-byte sectors).
    void SetContent(std::vector<uint8_t> rawBytes);
    uint32_t SectorCount() const;
    // What an exact drive gives for these sectors.
    std::vector<uint8_t> RawBytes(uint32_t first, uint32_t count) const;
    std::vector<uint8_t> CookedBytes(uint32_t first, uint32_t count) const;

    void FailOpen(bool fail = true);
    void RefuseMemoryForFirst(int requests);              // the first k transfer blocks are refused
    void RefuseMemoryAbove(uint32_t sectors);             // blocks for more than n sectors are refused
    void FailReadAt(uint32_t sector);                     // reads touching this sector fail (18)
    void SetAudioSectors(uint32_t first, uint32_t count); // cooked reads touching them fail, as on a drive
    void SetJitter(uint32_t maxBytes, uint32_t seed);     // shifts in whole samples, |shift| <= maxBytes
    void SetDelay(std::chrono::milliseconds perRequest);
    void SetMediaChangeCount(uint32_t count, bool checkSucceeds = true);

    int Opens() const;
    int TransferBlocks() const; // transfer blocks asked for (granted or refused)
    std::vector<Request> Requests() const;
    void ClearLog();

    // CdromDeviceService
    std::unique_ptr<platform::CdromDevice> Open(const std::string& devicePath, uint32_t* error) override;
    void* AllocateTransfer(size_t size) override;

private:
    class Device;
    friend class Device;

    bool ReadRawLocked(const platform::RAW_READ_INFO& request, uint8_t* output, uint32_t outputSize, uint32_t* error);
    bool ReadCookedLocked(uint64_t offset, uint8_t* output, uint32_t size, uint32_t* error);
    bool TouchesFailingSector(uint32_t first, uint32_t count) const;
    uint8_t ByteAt(int64_t position) const;
    void Pause() const;

    mutable std::mutex m_mutex;
    char m_letter;
    uint32_t m_sectorCount;
    std::vector<uint8_t> m_content; // empty: the generated pattern
    bool m_failOpen = false;
    int m_refuseFirst = 0;
    uint32_t m_refuseAbove = UINT32_MAX;
    std::vector<uint32_t> m_failingSectors;
    uint32_t m_audioFirst = 0;
    uint32_t m_audioCount = 0;
    uint32_t m_jitterBytes = 0;
    std::mt19937 m_random{1};
    std::chrono::milliseconds m_delay{0};
    uint32_t m_mediaChangeCount = 1;
    bool m_checkSucceeds = true;
    int m_opens = 0;
    int m_transferBlocks = 0;
    std::vector<Request> m_requests;
};
