#include "rip/ui/rip_command.h"

#include "base/sounds.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "rip/rip_readers.h"
#include "rip/ui/rip_disc_dlg.h"
#include "rip/ui/rip_progress_dlg.h"
#include "rip/ui/rip_summary_dlg.h"

void OnRipDisc(AppSettings& settings, QWidget* parent)
{
    if (settings.DefaultCDROMDrive == 0) {
        PlayErrorSound();
        platform::MessageBox(std::string(res::LoadString(res::IDS_RIP_NO_DRIVE)),
                             platform::MB_OK | platform::MB_ICONWARNING);
        return;
    }
    CRipDiscDlg dialog(settings, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    StoreRipChoices(dialog.m_choices, settings);
    StoreDiscMetadata(dialog.m_layout, dialog.m_metadataRead, MetadataOfChoices(dialog.m_choices));

    const RipRequest request = RipRequestOfChoices(dialog.m_choices, dialog.m_layout, settings);
    std::string reason;
    std::unique_ptr<RangeReader> reader = MakeRipReader(request.drive, dialog.m_choices.secure, request.readOffset,
                                                        dialog.m_layout.leadOut, settings, &reason);
    if (!reader) {
        PlayErrorSound();
        platform::MessageBox(res::FormatMessageText(res::LoadString(res::IDS_RIP_FAILED), reason),
                             platform::MB_OK | platform::MB_ICONWARNING);
        return;
    }
    CRipProgressDlg progress(request, *reader, parent);
    progress.exec();
    const RipResult& result = progress.m_result;
    if (result.status == res::READ_CANCELLED) {
        platform::MessageBox(std::string(res::LoadString(res::IDS_RIP_CANCELLED)),
                             platform::MB_OK | platform::MB_ICONINFORMATION);
        return;
    }
    if (!result.error.empty()) {
        PlayErrorSound();
        platform::MessageBox(res::FormatMessageText(res::LoadString(res::IDS_RIP_FAILED), result.error),
                             platform::MB_OK | platform::MB_ICONWARNING);
        return;
    }
    CRipSummaryDlg summary(request, result, parent);
    summary.exec();
}
