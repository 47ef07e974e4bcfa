// The main frame's commands that reach other parts of the program. The frame sees the document,
// the settings and every subsystem's dialogs, so each command is wired here and the view needs
// to know none of them.
#include "app/ui/main_frame.h"

#include "app/external_apps.h"
#include "app/ui/options_command.h"
#include "base/app_settings.h"
#include "document/ui/ripwell_view.h"
#include "extract/ui/read_commands.h"
#include "player/ui/device_status_dlg.h"
#include "res/resource.h"
#include "rip/ui/rip_command.h"

void CMainFrame::RegisterProgramCommands()
{
    m_commands.On(res::ID_READ_CDDA, [this] { OnReadCdda(m_pDocument, *m_pSettings, this); });
    m_commands.On(res::ID_READ_CDROM, [this] { OnReadCdrom(m_pDocument, *m_pSettings, this); });
    m_commands.On(res::ID_RIP_DISC, [this] { OnRipDisc(*m_pSettings, this); });
    m_commands.On(res::ID_OPTIONS, [] {});
    m_commands.On(res::ID_CD_PLAYER, [] {});
    m_commands.On(res::ID_SOUND_RECORDER, [] {});
    m_commands.On(
        res::ID_SECURE_MODE, [this] { m_pSettings->SecureMode = m_pSettings->SecureMode ? 0 : 1; },
        [this](framework::CCmdUI& ui) { ui.SetCheck(m_pSettings->SecureMode != 0); });
    m_commands.On(res::ID_READ_OFFSET, [this] { OnReadOffset(*m_pSettings, this); });
    m_commands.On(res::ID_OPTIONS, [this] { OnOptions(*m_pSettings, m_pView, this); });
    // The shell works for the view's window, as the commands belong to the view.
    m_commands.On(res::ID_CD_PLAYER, [this] { OnCdPlayer(m_pView, m_pSettings->CDPlayer); });
    m_commands.On(res::ID_SOUND_RECORDER, [this] { OnSoundRecorder(m_pView, m_pSettings->SoundRecorder); });
    m_commands.On(res::ID_DEVICE_STATUS, [this] {
        CDeviceStatusDlg dialog(static_cast<char>(m_pSettings->DefaultCDROMDrive), this);
        dialog.DoModal();
    });
}
