// CReadAudioDlg: the modal "Read CD digital audio" dialog through which the Read CD-DA command
// learns what to read: a whole track from the disc's track list, a minute:second:frame range or
// a sector range, one per tab page. Below the pages it carries the small CD player.
//
// The object lives on the command's stack and may be shown several times; each showing builds
// the window afresh, so everything the window shows is set up again at every opening. The
// window holds the widgets and forwards their events; what the labels show and what the player
// does is decided by CSelectionDisplay and CSelectionPlayer (player/), which reach the controls
// by number.
#pragma once

#include <cstdint>
#include <memory>

#include <QIcon>
#include <QObject>

#include "platform/ui/qt_dialog_items.h"
#include "player/cd_audio.h"
#include "player/selection_display.h"
#include "player/selection_player.h"
#include "player/track_reader.h"
#include "player/track_table.h"

class QDialog;
class QMenu;
class QTreeWidget;

namespace Ui {
class ReadAudioDlg;
}

class CReadAudioDlg : public QObject {
    Q_OBJECT
public:
    explicit CReadAudioDlg(QWidget* parent = nullptr);
    ~CReadAudioDlg() override;
    CReadAudioDlg(const CReadAudioDlg&) = delete;
    CReadAudioDlg& operator=(const CReadAudioDlg&) = delete;

    // Shows the dialog modally: 1 (Start, a double-click on a track, "Grab") or 2 (Cancel).
    int DoModal();

    // Exchanged with the caller.
    int32_t m_nTabPage = 0; // 0 "CD Track", 1 "Red Book", 2 "High Sierra"
    uint32_t m_nStartMin = 0;
    uint32_t m_nStartSec = 0;
    uint32_t m_nStartFrame = 0;
    uint32_t m_nEndMin = 0;
    uint32_t m_nEndSec = 0;
    uint32_t m_nEndFrame = 0;
    uint32_t m_nStartSector = 0;
    uint32_t m_nEndSector = 0;
    uint8_t m_nFirstSeconds = 0;
    uint8_t m_nLastSeconds = 0;
    int32_t m_bOnlyLast = 0;
    int32_t m_bOnlyFirst = 0;
    int32_t m_bLoopMode = 0;
    int32_t m_nSelectedTrack = -1;
    char m_szTrackTitle[256] = "Untitled";
    TrackTable m_Tracks;

    // The drive whose CD audio device the dialog opens; set by the caller.
    char m_chDrive = 0;

    // The window while the dialog is shown, else nullptr.
    QDialog* Window() const { return m_pWnd; }
    const CCDAudio& Audio() const { return m_Audio; }

    // Events the window forwards, callable as the window calls them.
    void SelectTabPage(int page);
    // A left click in the list.
    void OnTrackClicked();
    // The end of editing a title in place; text is null when the user cancelled the edit.
    void EndRename(int row, const QString* text);
    // The menu a right click in the list opens now, enabled as it is shown.
    QMenu* PrepareListMenu();
    // A command of the dialog: its Play, Stop and mark buttons and its two context menus.
    void OnCommand(int id);

private:
    bool IsDeviceOpen() const { return m_Audio.DeviceId() != 0; }
    QTreeWidget* TrackList() const;
    void OnInitDialog();
    void LoadMenus();
    void SetUpControls();
    void ConnectControls();
    void OnDestroy();
    bool UpdateData(bool saveAndValidate);
    void OnOK();
    void OnCancel();
    void OnDoubleClick();
    void EndDialog(int result);
    void CopyTitleOfRow(int row);

    // The track list and the disc titles.
    void RefreshTrackList();
    void ConnectRenameEditor();
    void BeginRename();
    // Ends an edit of a title that is still open, keeping the text typed so far.
    void FinishRename();
    void ShowListMenu();
    void OpenDriveDoor();
    void CloseDriveDoor();
    void OnTrackProperties();

    bool eventFilter(QObject* watched, QEvent* event) override;

    QWidget* m_pParent = nullptr;
    QDialog* m_pWnd = nullptr;
    std::unique_ptr<Ui::ReadAudioDlg> m_ui;

    CCDAudio m_Audio;
    char m_szDiscId[DISC_ID_SIZE] = {};
    bool m_bHaveDiscId = false;
    uintptr_t m_nTimer = 0;
    QMenu* m_pTrackMenu = nullptr;
    QMenu* m_pListMenu = nullptr;
    QIcon m_TrackImages[2];
    QIcon m_PlayPicture;
    QIcon m_StopPicture;

    QtDialogItems m_items;
    CSelectionDisplay m_display{m_items, m_Audio, m_Tracks, m_nSelectedTrack};
    CSelectionPlayer m_player{m_items, m_Audio, m_display};
};
