#include "document/ui/clipboard_commands.h"

#include "document/clipboard_transfer.h"
#include "document/ripwell_doc.h"
#include "document/ui/clip_format_dlg.h"
#include "platform/clipboard.h"
#include "platform/framework/command_routing.h"
#include "platform/message_box.h"
#include "res/resource.h"

namespace {
constexpr const char* kNothingToCopy = "Nothing to copy";
constexpr const char* kNothingToPaste = "Nothing to paste";
} // namespace

void OnEditCopy(CRipwellDoc* document, QWidget* view)
{
    if (!document)
        return;
    if (document->GetWaveImageLength() == 0) {
        platform::MessageBox(kNothingToCopy, platform::MB_OK | platform::MB_ICONINFORMATION);
        return;
    }
    CClipFormatDlg dialog(view);
    dialog.m_bCopyMode = true;
    dialog.m_nFormat = ProposedCopyFormat(*document);
    if (dialog.DoModal() != res::IDOK)
        return;
    CopyToClipboard(*document, dialog.m_nFormat, view);
}

void OnEditPaste(CRipwellDoc* document, QWidget* view)
{
    if (!document)
        return;
    if (platform::CountClipboardFormats() == 0) {
        platform::MessageBox(kNothingToPaste, platform::MB_OK | platform::MB_ICONINFORMATION);
        return;
    }
    CClipFormatDlg dialog(view);
    dialog.m_bCopyMode = false;
    dialog.m_nFormat = platform::CF_WAVE;
    if (dialog.DoModal() != res::IDOK)
        return;
    PasteFromClipboard(*document, dialog.m_nFormat, view);
}

void OnEmptyClipboard(QWidget* view) { EmptyTheClipboard(view); }

void OnUpdateEditCopy(const CRipwellDoc* document, framework::CCmdUI& cmdUI)
{
    cmdUI.Enable(document && document->m_nDataLength > 0);
}

void OnUpdateEditPaste(framework::CCmdUI& cmdUI) { cmdUI.Enable(platform::CountClipboardFormats() > 0); }

void OnUpdateEmptyClipboard(framework::CCmdUI& cmdUI) { cmdUI.Enable(platform::CountClipboardFormats() > 0); }
