#include "support/scripted_mci.h"

#include <algorithm>
#include <cstring>

using namespace platform;

ScriptedMci::ScriptedMci() { SetMciService(this); }

ScriptedMci::~ScriptedMci() { SetMciService(nullptr); }

std::vector<MciRequest> ScriptedMci::RequestsOf(uint32_t message) const
{
    std::vector<MciRequest> found;
    for (const MciRequest& request : m_requests)
        if (request.message == message)
            found.push_back(request);
    return found;
}

MciRequest ScriptedMci::Record(MCIDEVICEID deviceId, uint32_t message, uint32_t flags, void* params) const
{
    MciRequest request;
    request.device = deviceId;
    request.message = message;
    request.flags = flags;
    request.hasParams = params != nullptr;
    if (!params)
        return request;
    switch (message) {
    case MCI_OPEN: {
        const auto* open = static_cast<const MCI_OPEN_PARMS*>(params);
        if (flags & MCI_OPEN_TYPE_ID)
            request.deviceTypeId = MciDeviceTypeOf(open->lpstrDeviceType);
        else if (open->lpstrDeviceType)
            request.deviceTypeName = open->lpstrDeviceType;
        if (open->lpstrElementName)
            request.elementName = open->lpstrElementName;
        break;
    }
    case MCI_SET: request.timeFormat = static_cast<const MCI_SET_PARMS*>(params)->dwTimeFormat; break;
    case MCI_STATUS:
        request.item = static_cast<const MCI_STATUS_PARMS*>(params)->dwItem;
        request.track = static_cast<const MCI_STATUS_PARMS*>(params)->dwTrack;
        break;
    case MCI_INFO: request.returnSize = static_cast<const MCI_INFO_PARMS*>(params)->dwRetSize; break;
    case MCI_PLAY:
        request.from = static_cast<const MCI_PLAY_PARMS*>(params)->dwFrom;
        request.to = static_cast<const MCI_PLAY_PARMS*>(params)->dwTo;
        break;
    case MCI_SEEK: request.to = static_cast<const MCI_SEEK_PARMS*>(params)->dwTo; break;
    default: break;
    }
    return request;
}

MciAnswer ScriptedMci::AnswerFor(const MciRequest& request)
{
    if (m_failAll)
        return MciAnswer{m_failAll};
    if (auto once = m_once.find(request.message); once != m_once.end() && !once->second.empty()) {
        MciAnswer answer = once->second.front();
        once->second.pop_front();
        return answer;
    }
    if (request.message == MCI_STATUS) {
        if (auto found = m_byItem.find({request.item, request.track}); found != m_byItem.end())
            return found->second;
        if (auto found = m_byItem.find({request.item, kAnyTrack}); found != m_byItem.end())
            return found->second;
    }
    if (auto found = m_byMessage.find(request.message); found != m_byMessage.end())
        return found->second;
    return MciAnswer{};
}

namespace {

uint32_t Frames(uint32_t packed)
{
    return MCI_MSF_MINUTE(packed) * 4500u + MCI_MSF_SECOND(packed) * 75u + MCI_MSF_FRAME(packed);
}

uint32_t Packed(uint32_t frames)
{
    return MCI_MAKE_MSF(uint8_t(frames / 4500), uint8_t(frames / 75 % 60), uint8_t(frames % 75));
}

} // namespace

void ScriptedMci::Advance(uint32_t frames)
{
    if (m_mode != MCI_MODE_PLAY)
        return;
    m_position += frames;
    if (m_position >= m_end) {
        m_position = m_end;
        m_mode = MCI_MODE_STOP;
    }
}

bool ScriptedMci::Simulated(const MciRequest& request, uintptr_t& value) const
{
    if (!m_simulate || request.message != MCI_STATUS)
        return false;
    switch (request.item) {
    case MCI_STATUS_MODE: value = m_mode; return true;
    case MCI_STATUS_READY: value = 1; return true;
    case MCI_STATUS_POSITION:
        if (request.flags & MCI_TRACK)
            return false;
        value = Packed(m_position);
        return true;
    default: return false;
    }
}

void ScriptedMci::ApplyToDrive(const MciRequest& request)
{
    if (!m_simulate)
        return;
    switch (request.message) {
    case MCI_PLAY:
        m_position = Frames(request.from);
        m_end = Frames(request.to);
        m_mode = m_position < m_end ? MCI_MODE_PLAY : MCI_MODE_STOP;
        break;
    case MCI_STOP: m_mode = MCI_MODE_STOP; break;
    case MCI_SEEK:
        m_position = Frames(request.to);
        m_mode = MCI_MODE_STOP;
        break;
    default: break;
    }
}

MCIERROR ScriptedMci::SendCommand(MCIDEVICEID deviceId, uint32_t message, uint32_t flags, void* params)
{
    m_requests.push_back(Record(deviceId, message, flags, params));
    const auto once = m_once.find(message);
    const bool scriptedOnce = once != m_once.end() && !once->second.empty();
    MciAnswer answer = AnswerFor(m_requests.back());
    if (!answer.error && !scriptedOnce) {
        uintptr_t simulated = 0;
        if (Simulated(m_requests.back(), simulated))
            answer.value = simulated;
        ApplyToDrive(m_requests.back());
    }
    if (answer.error || !params)
        return answer.error;
    switch (message) {
    case MCI_OPEN: static_cast<MCI_OPEN_PARMS*>(params)->wDeviceID = m_nextDeviceId; break;
    case MCI_STATUS: static_cast<MCI_STATUS_PARMS*>(params)->dwReturn = answer.value; break;
    case MCI_INFO: {
        auto* info = static_cast<MCI_INFO_PARMS*>(params);
        if (info->lpstrReturn && info->dwRetSize > 0) {
            const size_t length = std::min<size_t>(answer.text.size(), info->dwRetSize - 1);
            std::memcpy(info->lpstrReturn, answer.text.data(), length);
            info->lpstrReturn[length] = 0;
        }
        break;
    }
    default: break;
    }
    return 0;
}

bool ScriptedMci::GetErrorString(MCIERROR error, char* buffer, uint32_t size)
{
    auto found = m_errorTexts.find(error);
    if (found == m_errorTexts.end() || size == 0)
        return false;
    const size_t length = std::min<size_t>(found->second.size(), size - 1);
    std::memcpy(buffer, found->second.data(), length);
    buffer[length] = 0;
    return true;
}
