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

MCIERROR ScriptedMci::SendCommand(MCIDEVICEID deviceId, uint32_t message, uint32_t flags, void* params)
{
    m_requests.push_back(Record(deviceId, message, flags, params));
    const MciAnswer answer = AnswerFor(m_requests.back());
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
