#include "document/waveform_playback.h"

#include "base/sounds.h"
#include "document/ripwell_doc.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "res/string_table.h"

#include <string>

void PlayWaveform(CRipwellDoc& document)
{
    if (document.m_nDataLength == 0)
        return;
    if (!document.m_bIsSound) {
        PlayQuestionSound();
        constexpr uint32_t kQuestion = platform::MB_YESNO | platform::MB_ICONQUESTION | platform::MB_DEFBUTTON2;
        const int answer = platform::MessageBox(std::string(res::LoadString(res::IDS_PLAY_NOT_SOUND)), kQuestion,
                                                res::IDS_PLAY_NOT_SOUND);
        if (answer != platform::IDYES)
            return;
    }
    // The block is read after the question: only what the document holds now is played.
    if (!platform::PlaySound(document.m_pHeader, nullptr, WAVEFORM_PLAY_FLAGS))
        platform::MessageBox(std::string(res::LoadString(res::IDS_PLAY_ERROR)),
                             platform::MB_OK | platform::MB_ICONEXCLAMATION, res::HELP_PLAY_ERROR);
}

void StopWaveform() { StopSound(); }
