// CCDAudio: the MCI CD audio device of one drive letter. It keeps the open record of its
// device (device identifier 0: no device open) and offers one operation per MCI request that
// the CD player needs. Positions are absolute packed MSF values (minute in the low byte, then
// second, then frame); lengths are packed MSF durations. Track numbers count from 1.
//
// Every request but Play waits for the driver; Play starts the drive and returns at once, and
// the caller polls GetMode and GetPosition. Failures are either reported with ReportMciError
// or silent, operation by operation, and give the fall-back values noted below.
#pragma once

#include <cstdint>

#include "platform/mci/mci.h"

class CCDAudio {
public:
    CCDAudio();
    // Opens the device of the drive as Open does; the identifier is 0 after a reported error.
    explicit CCDAudio(char driveLetter);
    // Closes an open device; a close error is reported.
    ~CCDAudio();
    CCDAudio(const CCDAudio&) = delete;
    CCDAudio& operator=(const CCDAudio&) = delete;

    // Opens the device of drive "?:" shareable and sets the MSF time format. Reported.
    bool Open(char driveLetter);
    // True when no device was open or it closed (identifier 0). Reported.
    bool Close();

    // 0 when no device is open.
    platform::MCIDEVICEID DeviceId() const { return m_OpenParms.wDeviceID; }

    uint32_t GetMode();                        // MCI_MODE_...; 524 (not ready) on error, silent
    uint32_t IsReady();                        // non-zero: ready; 0 on error, silent
    uint32_t IsMediaPresent();                 // non-zero: a disc is in; 0 on error, reported
    uint32_t GetNumberOfTracks();              // 0 on error, reported
    uint32_t GetLength();                      // whole disc; 0 on error, silent
    uint32_t GetPosition();                    // 0x200 (00:02:00) on error, silent
    uint32_t GetTrackPosition(uint32_t track); // 0 on error, silent
    uint32_t GetTrackLength(uint32_t track);   // 0 on error, silent
    bool IsAudioTrack(uint32_t track);         // false on error, silent

    // The disc identity, rewritten from the driver's decimal text to upper-case hexadecimal.
    // Reported.
    bool GetMediaIdentity(char* buffer, uint32_t size);
    // The driver's UPC text. Silent.
    bool GetMediaUPC(char* buffer, uint32_t size);

    // Plays from one MSF position to another and returns at once. Reported.
    bool Play(uint8_t fromMinute, uint8_t fromSecond, uint8_t fromFrame, uint8_t toMinute, uint8_t toSecond,
              uint8_t toFrame);
    // Reported.
    void Stop();
    // Seeks to the start sector; when the drive was playing it plays on from there to the end
    // sector. False when the seek failed (silent).
    bool SeekTo(uint32_t startSector, uint32_t endSector);

    bool OpenDoor();  // reported
    bool CloseDoor(); // reported

    // Shows an MCI error: 296 as the drive error "Invalid drive.", any other code with the
    // driver's text (or "Unknown MCI-error") in a warning box.
    static void ReportMciError(platform::MCIERROR error);

private:
    uint32_t Status(uint32_t flags, uint32_t item, uint32_t track, uint32_t fallback, bool reported);

    platform::MCI_OPEN_PARMS m_OpenParms;
};
