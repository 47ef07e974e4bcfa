// A scripted MCI service: records every request (device, message, flags and the fields of its
// parameter record) and answers as the test says. Installed for its lifetime.
//
// Without a script every request succeeds: MCI_OPEN gives device 1 (see SetNextDeviceId),
// status requests return 0, info requests return an empty text.
//
// SimulatePlayback() makes it a drive that plays: a successful MCI_PLAY plays from its start to
// its end, Advance() moves the playing position on (stopping at the end), MCI_STOP stops,
// MCI_SEEK stops at the target, and the mode, position (of the disc) and ready status come from
// that drive unless an AnswerOnce says otherwise.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/mci/mci.h"

struct MciRequest {
    platform::MCIDEVICEID device = 0;
    uint32_t message = 0;
    uint32_t flags = 0;
    bool hasParams = false;
    // MCI_OPEN
    uint32_t deviceTypeId = 0;  // with MCI_OPEN_TYPE_ID
    std::string deviceTypeName; // without it
    std::string elementName;
    // MCI_SET
    uint32_t timeFormat = 0;
    // MCI_STATUS
    uint32_t item = 0;
    uint32_t track = 0;
    // MCI_INFO
    uint32_t returnSize = 0;
    // MCI_PLAY, MCI_SEEK
    uint32_t from = 0;
    uint32_t to = 0;
};

struct MciAnswer {
    platform::MCIERROR error = 0;
    uintptr_t value = 0; // dwReturn of a status request
    std::string text;    // the text of an info request
};

class ScriptedMci : public platform::MciService {
public:
    ScriptedMci();
    ~ScriptedMci() override;
    ScriptedMci(const ScriptedMci&) = delete;
    ScriptedMci& operator=(const ScriptedMci&) = delete;

    // Every later request of a message gets this answer.
    void Answer(uint32_t message, MciAnswer answer) { m_byMessage[message] = std::move(answer); }
    // Only the next request of a message gets this answer (before any other script).
    void AnswerOnce(uint32_t message, MciAnswer answer) { m_once[message].push_back(std::move(answer)); }
    // Status requests of one item (of one track, where given).
    void AnswerStatus(uint32_t item, MciAnswer answer) { m_byItem[{item, kAnyTrack}] = std::move(answer); }
    void AnswerStatus(uint32_t item, uint32_t track, MciAnswer answer) { m_byItem[{item, track}] = std::move(answer); }
    // Every request of every message fails with this error.
    void FailAll(platform::MCIERROR error) { m_failAll = error; }
    void SetNextDeviceId(platform::MCIDEVICEID id) { m_nextDeviceId = id; }
    // The text mciGetErrorStringA gives for a code; codes without one give an empty text.
    void SetErrorText(platform::MCIERROR error, std::string text) { m_errorTexts[error] = std::move(text); }

    void SimulatePlayback() { m_simulate = true; }
    // A playing drive moves on by frames (sectors); at the end of its range it stops there.
    void Advance(uint32_t frames);
    bool SimulatedPlaying() const { return m_mode == platform::MCI_MODE_PLAY; }
    // The simulated position as a logical sector.
    uint32_t SimulatedSector() const { return m_position - kLeadIn; }

    const std::vector<MciRequest>& Requests() const { return m_requests; }
    std::vector<MciRequest> RequestsOf(uint32_t message) const;
    void ClearRequests() { m_requests.clear(); }

    platform::MCIERROR SendCommand(platform::MCIDEVICEID deviceId, uint32_t message, uint32_t flags,
                                   void* params) override;
    bool GetErrorString(platform::MCIERROR error, char* buffer, uint32_t size) override;

private:
    static constexpr uint32_t kAnyTrack = 0xFFFFFFFF;
    static constexpr uint32_t kLeadIn = 150;
    bool Simulated(const MciRequest& request, uintptr_t& value) const;
    void ApplyToDrive(const MciRequest& request);
    MciRequest Record(platform::MCIDEVICEID deviceId, uint32_t message, uint32_t flags, void* params) const;
    MciAnswer AnswerFor(const MciRequest& request);

    std::vector<MciRequest> m_requests;
    std::map<uint32_t, MciAnswer> m_byMessage;
    std::map<uint32_t, std::deque<MciAnswer>> m_once;
    std::map<std::pair<uint32_t, uint32_t>, MciAnswer> m_byItem;
    std::map<platform::MCIERROR, std::string> m_errorTexts;
    platform::MCIERROR m_failAll = 0;
    platform::MCIDEVICEID m_nextDeviceId = 1;

    bool m_simulate = false;
    uint32_t m_mode = platform::MCI_MODE_STOP;
    uint32_t m_position = kLeadIn; // frames from 00:00:00
    uint32_t m_end = kLeadIn;
};
