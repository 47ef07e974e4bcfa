// CReadAudioDlg: the modal "Read CD digital audio" dialog through which the Read CD-DA command
// learns what to read: a whole track from the disc's track list, a minute:second:frame range or
// a sector range, one per tab page. Below the pages it carries the small CD player.
//
// The object lives on the command's stack and may be shown several times; each showing builds
// the window afresh, so everything the window shows is set up again at every opening.
#pragma once

#include <cstdint>
#include <memory>

#include <QIcon>
#include <QObject>

#include "player/cd_audio.h"
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
    int32_t m_nTabPage = 0;           // 0 "CD Track", 1 "Red Book", 2 "High Sierra"
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

    // Internal.
    CCDAudio m_Audio;
    char m_szDiscId[81] = {};
    int m_nTimer = 0;
    int32_t m_bEndMarkNext = 0;
    int32_t m_bFirstPartPlayed = 0;
    int32_t m_bIdleShown = 0;
    uint32_t m_nPlayStart = 0;
    uint32_t m_nPlayEnd = 0;
    int32_t m_bDragging = 0;

    void FindSelectedTrack();
    void SelectTabPage(int page);
    void UpdateSelectionDisplay(int page, bool force);

    // The track list and the disc titles.
    void RefreshTrackList();
    void BeginRename();
    // text is null when the user cancelled the edit.
    void EndRename(int row, const QString* text);
    void ShowListMenu();
    // The menu a right click opens now, enabled as it would be shown.
    QMenu* PrepareListMenu();
    void OpenDriveDoor();
    void CloseDriveDoor();
    void OnTrackClicked();
    // A command of the dialog: its buttons and its two context menus.
    void OnCommand(int id);

    // The 200 ms tick of the player.
    void OnPlayerTimer();
    void OnPlay();
    void OnStop();
    void OnMark();
    void OnPickUpTimes();
    void OnTrackProperties();

    // The window while the dialog is shown, else nullptr.
    QDialog* Window() const { return m_pWnd; }

protected:
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool IsDeviceOpen() const;
    QTreeWidget* TrackList() const;
    int CurrentTabPage() const;
    int SelectedRowCount() const;
    void ShowTrackSelection(const TrackRecord& track);
    void OnInitDialog();
    void OnDestroy();
    bool UpdateData(bool saveAndValidate);
    void OnOK();
    void OnCancel();
    void OnTabChanged();
    void OnDoubleClick();
    void InsertTrackRows(int count, bool haveId);
    void ConnectRenameEditor();

    QWidget* m_pParent = nullptr;
    QDialog* m_pWnd = nullptr;
    std::unique_ptr<Ui::ReadAudioDlg> m_ui;
    QMenu* m_pTrackMenu = nullptr;
    QMenu* m_pListMenu = nullptr;
    QIcon m_TrackImages[2];
    QIcon m_PlayPicture;
    QIcon m_StopPicture;
    bool m_bHaveDiscId = false;
};
