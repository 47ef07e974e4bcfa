// The "CD Track" page of the "Read CD digital audio" dialog: the track table filled from the
// device, the titles kept in CDPLAYER.INI (shared with the system's CD player), in-place
// renaming, the two context menus and the door commands.
#include <cstdio>
#include <cstring>

#include <QAbstractItemView>
#include <QCursor>
#include <QDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include "platform/profile.h"
#include "platform/ui/dialog_data.h"
#include "player/ui/read_audio_dlg.h"
#include "res/resource.h"
#include "ui_read_audio_dlg.h"

namespace {

constexpr const char* kTitleFile = "CDPLAYER.INI";
// A default no title file holds: a text key that comes back as this is missing.
constexpr const char* kMissingText = "HJXZMBOYSDPA";
constexpr int32_t kMissingNumber = 2147483647;

bool TextKeyMissing(const char* section, const char* key, uint32_t size)
{
    char buffer[256];
    platform::GetPrivateProfileStringA(section, key, kMissingText, buffer, size, kTitleFile);
    return std::strcmp(buffer, kMissingText) == 0;
}

bool IntKeyMissing(const char* section, const char* key)
{
    return platform::GetPrivateProfileIntA(section, key, kMissingNumber, kTitleFile) ==
           static_cast<uint32_t>(kMissingNumber);
}

// Commits an edited label as a request: the label itself changes only when the title was stored.
class TitleEditDelegate : public QStyledItemDelegate {
public:
    TitleEditDelegate(QObject* parent, std::function<void(int, const QString&)> renamed)
        : QStyledItemDelegate(parent), m_renamed(std::move(renamed))
    {
    }
    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        QString text = editor->property("text").toString();
        m_renamed(index.row(), text);
    }

private:
    std::function<void(int, const QString&)> m_renamed;
};

} // namespace

void CReadAudioDlg::ConnectRenameEditor()
{
    QTreeWidget* list = TrackList();
    list->setItemDelegateForColumn(0, new TitleEditDelegate(list, [this](int row, const QString& text) {
        EndRename(row, &text);
    }));
}

void CReadAudioDlg::RefreshTrackList()
{
    QTreeWidget* list = TrackList();
    list->clear();
    ResetTrackTable(m_Tracks);
    m_bHaveDiscId = false;
    if (!IsDeviceOpen())
        return;
    m_Audio.Close();
    m_Audio.Open(m_chDrive);
    if (!IsDeviceOpen())
        return;
    bool haveId = m_Audio.GetMediaIdentity(m_szDiscId, sizeof m_szDiscId);
    if (m_Audio.IsMediaPresent() == 0)
        return;
    uint32_t count = m_Audio.GetNumberOfTracks();
    if (count == 0)
        return;
    if (count > static_cast<uint32_t>(MAX_TRACKS))
        count = MAX_TRACKS;
    for (uint32_t track = 1; track <= count; ++track) {
        uint32_t start = m_Audio.GetTrackPosition(track);
        uint32_t length = m_Audio.GetTrackLength(track);
        FillTrackRecord(m_Tracks[track - 1], start, length, m_Audio.IsAudioTrack(track));
    }
    m_bHaveDiscId = haveId;
    InsertTrackRows(static_cast<int>(count), haveId);
}

void CReadAudioDlg::InsertTrackRows(int count, bool haveId)
{
    QTreeWidget* list = TrackList();
    for (int i = 0; i < count; ++i) {
        const TrackRecord& track = m_Tracks[static_cast<std::size_t>(i)];
        char title[256] = {};
        bool missing = true;
        if (haveId) {
            char key[16];
            std::snprintf(key, sizeof key, "%d", i);
            platform::GetPrivateProfileStringA(m_szDiscId, key, kMissingText, title, sizeof title, kTitleFile);
            missing = std::strcmp(title, kMissingText) == 0;
        }
        if (missing)
            std::snprintf(title, sizeof title, "Track %02u", static_cast<unsigned>(i + 1));
        auto* row = new QTreeWidgetItem(list);
        row->setText(0, QString::fromLocal8Bit(title));
        row->setIcon(0, m_TrackImages[track.nonAudio ? 1 : 0]);
        row->setFlags(row->flags() | Qt::ItemIsEditable);
        row->setText(1, QString::fromStdString(DisplayTime(track.lengthMinute, track.lengthSecond, track.lengthFrame)));
        row->setText(2, QString::number(track.startSector));
        row->setText(3, QString::number(track.endSector));
        for (int column = 1; column < 4; ++column)
            row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
}

void CReadAudioDlg::BeginRename()
{
    QTreeWidget* list = TrackList();
    if (m_nSelectedTrack < 0 || m_nSelectedTrack >= list->topLevelItemCount())
        return;
    list->editItem(list->topLevelItem(m_nSelectedTrack), 0);
}

void CReadAudioDlg::EndRename(int row, const QString* text)
{
    if (!text)
        return;
    // Without the disc's identity there is no section to keep the title in.
    if (!m_bHaveDiscId)
        return;
    const char* section = m_szDiscId;
    if (IntKeyMissing(section, "EntryType"))
        platform::WritePrivateProfileStringA(section, "EntryType", "1", kTitleFile);
    if (TextKeyMissing(section, "artist", 81))
        platform::WritePrivateProfileStringA(section, "artist", "New Artist", kTitleFile);
    if (TextKeyMissing(section, "title", 81))
        platform::WritePrivateProfileStringA(section, "title", "New Title", kTitleFile);
    if (IntKeyMissing(section, "numtracks")) {
        char number[16];
        std::snprintf(number, sizeof number, "%u", m_Audio.GetNumberOfTracks());
        platform::WritePrivateProfileStringA(section, "numtracks", number, kTitleFile);
    }
    char key[16];
    std::snprintf(key, sizeof key, "%d", row);
    QByteArray title = text->toLocal8Bit();
    if (!platform::WritePrivateProfileStringA(section, key, title.constData(), kTitleFile))
        return;
    if (QTreeWidgetItem* item = TrackList()->topLevelItem(row))
        item->setText(0, *text);
}

QMenu* CReadAudioDlg::PrepareListMenu()
{
    if (SelectedRowCount() == 1) {
        FindSelectedTrack();
        return m_pTrackMenu;
    }
    bool doorOpen = m_Audio.GetMode() == platform::MCI_MODE_OPEN;
    for (QAction* action : m_pListMenu->actions()) {
        if (action->data().toInt() == res::ID_LIST_OPEN_DOOR)
            action->setEnabled(!doorOpen);
        else if (action->data().toInt() == res::ID_LIST_CLOSE_DOOR)
            action->setEnabled(doorOpen);
    }
    return m_pListMenu;
}

void CReadAudioDlg::ShowListMenu()
{
    QMenu* menu = PrepareListMenu();
    QAction* chosen = menu->exec(QCursor::pos());
    if (chosen && m_pWnd)
        OnCommand(chosen->data().toInt());
}

void CReadAudioDlg::OpenDriveDoor()
{
    if (IsDeviceOpen())
        m_Audio.OpenDoor();
}

void CReadAudioDlg::CloseDriveDoor()
{
    if (IsDeviceOpen())
        m_Audio.CloseDoor();
}

void CReadAudioDlg::OnTrackClicked()
{
    if (!IsDeviceOpen() || m_Audio.GetMode() == platform::MCI_MODE_PLAY)
        return;
    FindSelectedTrack();
    if (m_nSelectedTrack >= 0)
        ShowTrackSelection(m_Tracks[static_cast<std::size_t>(m_nSelectedTrack)]);
}

void CReadAudioDlg::OnCommand(int id)
{
    switch (id) {
    case res::ID_TRACK_PLAY: OnPlay(); break;
    case res::ID_TRACK_PICK_UP_TIMES: OnPickUpTimes(); break;
    case res::ID_TRACK_RENAME: BeginRename(); break;
    case res::ID_TRACK_PROPERTIES: OnTrackProperties(); break;
    case res::ID_TRACK_GRAB: m_pWnd->accept(); break;
    case res::ID_LIST_REFRESH: RefreshTrackList(); break;
    case res::ID_LIST_OPEN_DOOR: OpenDriveDoor(); break;
    case res::ID_LIST_CLOSE_DOOR: CloseDriveDoor(); break;
    default: break;
    }
}

bool CReadAudioDlg::eventFilter(QObject* watched, QEvent* event)
{
    QTreeWidget* list = TrackList();
    const bool press = event->type() == QEvent::MouseButtonPress;
    const bool release = event->type() == QEvent::MouseButtonRelease;
    if (list && watched == list->viewport() && (press || release)) {
        // Only now is the event known to be a mouse event.
        auto* mouse = static_cast<QMouseEvent*>(event);
        // A press outside every row clears the selection, as in a report-view list.
        if (press && !list->itemAt(mouse->position().toPoint()))
            list->clearSelection();
        if (release && mouse->button() == Qt::LeftButton)
            OnTrackClicked();
    }
    return QObject::eventFilter(watched, event);
}
