#include "extract/ui/read_commands.h"

#include <cstdio>

#include "base/app_settings.h"
#include "base/sounds.h"
#include "cdrom/address.h"
#include "cdrom/cdrom_drive.h"
#include "cdrom/drive_error.h"
#include "document/ripwell_doc.h"
#include "extract/ui/progress_dlg.h"
#include "extract/read_offset.h"
#include "extract/secure_read_text.h"
#include "extract/ui/read_cooked_dlg.h"
#include "platform/message_box.h"
#include "player/ui/read_audio_dlg.h"
#include "res/resource.h"

using platform::MessageBox;

namespace {

constexpr const char* kRangeMessage =
    "The start sector cannot be greater than the end sector.\nBoth values must not exceed 350000.";

// The dialog's "Only last" box is stored as PlayOnlyFirst and its "Only first" box as
// PlayOnlyLast; both directions cross over the same way, so the stored meaning never changes.
void CopyParamsIn(const ReadAudioParams& params, CReadAudioDlg& dialog)
{
    dialog.m_nTabPage = params.DialogTabPage;
    dialog.m_nStartMin = params.StartingMin;
    dialog.m_nStartSec = params.StartingSec;
    dialog.m_nStartFrame = params.StartingFrm;
    dialog.m_nEndMin = params.EndingMin;
    dialog.m_nEndSec = params.EndingSec;
    dialog.m_nEndFrame = params.EndingFrm;
    dialog.m_nStartSector = params.StartingSect;
    dialog.m_nEndSector = params.EndingSect;
    dialog.m_nFirstSeconds = params.PlayFirstSec;
    dialog.m_nLastSeconds = params.PlayLastSec;
    dialog.m_bOnlyLast = params.PlayOnlyFirst;
    dialog.m_bOnlyFirst = params.PlayOnlyLast;
    dialog.m_bLoopMode = params.PlayInLoopMode;
}

void CopyParamsOut(const CReadAudioDlg& dialog, ReadAudioParams& params)
{
    params.DialogTabPage = static_cast<uint8_t>(dialog.m_nTabPage);
    params.StartingMin = static_cast<uint8_t>(dialog.m_nStartMin);
    params.StartingSec = static_cast<uint8_t>(dialog.m_nStartSec);
    params.StartingFrm = static_cast<uint8_t>(dialog.m_nStartFrame);
    params.EndingMin = static_cast<uint8_t>(dialog.m_nEndMin);
    params.EndingSec = static_cast<uint8_t>(dialog.m_nEndSec);
    params.EndingFrm = static_cast<uint8_t>(dialog.m_nEndFrame);
    params.StartingSect = dialog.m_nStartSector;
    params.EndingSect = dialog.m_nEndSector;
    params.PlayFirstSec = dialog.m_nFirstSeconds;
    params.PlayLastSec = dialog.m_nLastSeconds;
    params.PlayOnlyFirst = dialog.m_bOnlyLast;
    params.PlayOnlyLast = dialog.m_bOnlyFirst;
    params.PlayInLoopMode = dialog.m_bLoopMode;
}

bool RangeIsValid(uint32_t first, uint32_t last)
{
    if (first > last || first > MAX_READ_SECTOR || last > MAX_READ_SECTOR) {
        MessageBox(kRangeMessage, platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

// The whole-track confirmation and, for a data track, the question whether to go on.
bool ConfirmTrack(const CReadAudioDlg& dialog, const TrackRecord& track)
{
    double bytes = (static_cast<double>(track.endSector) - track.startSector + 1) * RAW_SECTOR_SIZE;
    char text[512];
    std::snprintf(text, sizeof text, "This will copy the whole track %u\n'%s' %s.",
                  static_cast<unsigned>(dialog.m_nSelectedTrack + 1), dialog.m_szTrackTitle,
                  progress_text::ByteSizeText(bytes).c_str());
    if (MessageBox(text, platform::MB_OKCANCEL | platform::MB_ICONINFORMATION) != platform::IDOK)
        return false;
    if (track.nonAudio != 1)
        return true;
    PlayQuestionSound();
    return MessageBox("You've chosen a CD-ROM data track\nto be copied as digiatal audio.\n"
                      "Do you want to continue anyway?",
                      platform::MB_YESNO | platform::MB_ICONQUESTION | platform::MB_DEFBUTTON2) == platform::IDYES;
}

void RunRead(CRipwellDoc* document, const AppSettings& settings, QWidget* parent, uint32_t first, uint32_t last,
             ReadMode mode, const std::string& title)
{
    CProgressDlg progress(parent);
    progress.m_options.drive = static_cast<char>(settings.DefaultCDROMDrive);
    progress.m_options.jitterCorrection = settings.DoJitterCorrection != 0;
    progress.m_options.overlappingSectors = settings.OverlappingSectors;
    progress.m_options.secureMode = settings.SecureMode != 0 && mode == READ_MODE_RAW;
    if (progress.m_options.secureMode) {
        std::string model;
        GetDriveModel(progress.m_options.drive, &model);
        progress.m_options.secure = SecureReadOptionsFor(settings, model);
    }
    progress.m_nFirstSector = first;
    progress.m_nLastSector = last;
    progress.m_nReadMode = mode;
    progress.m_pDocument = document;
    progress.m_strTitle = title;
    progress.exec();
    ReportReadStatus(document, progress.m_nStatus, progress.m_bHaveReport ? &progress.m_report : nullptr);
    document->UpdateAllViews();
}

} // namespace

void ReportReadStatus(CRipwellDoc* document, uint16_t status, const SecureReadReport* report)
{
    switch (status) {
    case 0:
        document->SetModifiedFlag(true);
        if (report && report->AllAgreed()) {
            MessageBox(SecureReadMessage(*report), platform::MB_OK | platform::MB_ICONINFORMATION);
        } else if (report) {
            PlayErrorSound();
            MessageBox(SecureReadMessage(*report), platform::MB_OK | platform::MB_ICONEXCLAMATION);
        }
        break;
    case res::READ_CANCELLED:
        MessageBox("Operation was cancelled.", platform::MB_OK | platform::MB_ICONINFORMATION);
        break;
    case res::READ_NO_DOCUMENT_MEMORY:
        PlayErrorSound();
        MessageBox("Not enough memory!\nThe CD data you want to read may be\ntoo large or your hard disk does not "
                   "have\nenough swap space to accommodate it.",
                   platform::MB_OK | platform::MB_ICONEXCLAMATION);
        break;
    case res::READ_NO_BUFFER_MEMORY:
        PlayErrorSound();
        MessageBox("Not enough memory!\nCould not allocate an internal buffer.",
                   platform::MB_OK | platform::MB_ICONEXCLAMATION);
        break;
    default: ShowDriveError(status); break;
    }
}

void OnReadCdda(CRipwellDoc* document, AppSettings& settings, QWidget* parent)
{
    CReadAudioDlg dialog(parent);
    dialog.m_chDrive = static_cast<char>(settings.DefaultCDROMDrive);
    ReadAudioParams& params = settings.ReadAudio;
    if (params.DialogTabPage > 2)
        params.DialogTabPage = 0;
    CopyParamsIn(params, dialog);

    while (dialog.DoModal() == res::IDOK) {
        uint32_t first = 0;
        uint32_t last = 0;
        std::string title = "Untitled";
        if (dialog.m_nTabPage == 0) {
            if (dialog.m_nSelectedTrack < 0 || dialog.m_nSelectedTrack >= MAX_TRACKS) {
                MessageBox("You must choose a track first.", platform::MB_OK | platform::MB_ICONINFORMATION);
                continue;
            }
            const TrackRecord& track = dialog.m_Tracks[static_cast<std::size_t>(dialog.m_nSelectedTrack)];
            if (!ConfirmTrack(dialog, track))
                continue;
            first = track.startSector;
            last = track.endSector;
            title = dialog.m_szTrackTitle;
        } else if (dialog.m_nTabPage == 1) {
            first = MsfToSector(static_cast<uint8_t>(dialog.m_nStartMin), static_cast<uint8_t>(dialog.m_nStartSec),
                                static_cast<uint8_t>(dialog.m_nStartFrame));
            last = MsfToSector(static_cast<uint8_t>(dialog.m_nEndMin), static_cast<uint8_t>(dialog.m_nEndSec),
                               static_cast<uint8_t>(dialog.m_nEndFrame));
        } else if (dialog.m_nTabPage == 2) {
            first = dialog.m_nStartSector;
            last = dialog.m_nEndSector;
        } else {
            MessageBox("Impossible tab selected.", platform::MB_OK | platform::MB_ICONEXCLAMATION);
            return;
        }
        if (!RangeIsValid(first, last))
            continue;
        if (document->SaveModified())
            RunRead(document, settings, parent, first, last, READ_MODE_RAW, title);
        break;
    }
    CopyParamsOut(dialog, params);
}

void OnReadCdrom(CRipwellDoc* document, const AppSettings& settings, QWidget* parent)
{
    CReadCookedDlg dialog(parent);
    dialog.m_nFirstSector = 16;
    dialog.m_nLastSector = 256;
    for (;;) {
        if (dialog.DoModal() != res::IDOK)
            return;
        if (RangeIsValid(dialog.m_nFirstSector, dialog.m_nLastSector))
            break;
    }
    if (!document->SaveModified())
        return;
    RunRead(document, settings, parent, dialog.m_nFirstSector, dialog.m_nLastSector, READ_MODE_COOKED, "Untitled");
}
