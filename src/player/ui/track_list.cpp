// The "CD Track" page of the "Read CD digital audio" dialog: the list filled from the track
// table, in-place renaming of a title, the two context menus, the door commands and the track
// properties box.
#include <QAbstractItemView>
#include <QCursor>
#include <QDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include "player/disc_titles.h"
#include "player/ui/read_audio_dlg.h"
#include "player/ui/track_properties_dlg.h"
#include "res/resource.h"
#include "ui_read_audio_dlg.h"

namespace {

// Draws the rows without the frame Qt puts round the current cell: the selected row is marked
// by its colour alone, and no frame stays behind after the edit of a title. An edited title is
// committed as a request: the label changes only when the title was stored.
class TrackListDelegate : public QStyledItemDelegate {
public:
    TrackListDelegate(QObject* parent, std::function<void(int, const QString&)> renamed)
        : QStyledItemDelegate(parent),
          m_renamed(std::move(renamed))
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem plain(option);
        plain.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, plain, index);
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        m_editor = editor;
        return editor;
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override
    {
        if (editor == m_editor)
            m_editor = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        m_renamed(index.row(), editor->property("text").toString());
    }

    // Commits and closes an editor that is still open.
    void Finish()
    {
        QWidget* editor = m_editor;
        if (!editor)
            return;
        m_editor = nullptr;
        emit commitData(editor);
        emit closeEditor(editor, QAbstractItemDelegate::NoHint);
    }

private:
    std::function<void(int, const QString&)> m_renamed;
    mutable QPointer<QWidget> m_editor;
};

} // namespace

void CReadAudioDlg::ConnectRenameEditor()
{
    QTreeWidget* list = TrackList();
    list->setItemDelegate(new TrackListDelegate(list, [this](int row, const QString& text) { EndRename(row, &text); }));
}

void CReadAudioDlg::FinishRename()
{
    if (QTreeWidget* list = TrackList())
        if (auto* delegate = dynamic_cast<TrackListDelegate*>(list->itemDelegate()))
            delegate->Finish();
}

void CReadAudioDlg::RefreshTrackList()
{
    QTreeWidget* list = TrackList();
    list->clear();
    const uint32_t count = ReadTrackTable(m_Audio, m_chDrive, m_Tracks, m_szDiscId, m_bHaveDiscId);
    for (const TrackRow& track : TrackRows(m_Tracks, count, m_szDiscId, m_bHaveDiscId)) {
        auto* row = new QTreeWidgetItem(list);
        row->setText(0, QString::fromLocal8Bit(track.title.c_str()));
        row->setIcon(0, m_TrackImages[track.image]);
        row->setFlags(row->flags() | Qt::ItemIsEditable);
        row->setText(1, QString::fromStdString(track.length));
        row->setText(2, QString::fromStdString(track.startSector));
        row->setText(3, QString::fromStdString(track.endSector));
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
    if (!StoreTrackTitle(m_szDiscId, row, text->toLocal8Bit().toStdString(), m_Audio))
        return;
    if (QTreeWidgetItem* item = TrackList()->topLevelItem(row))
        item->setText(0, *text);
}

QMenu* CReadAudioDlg::PrepareListMenu()
{
    if (m_display.SelectedRowCount() == 1) {
        m_display.FindSelectedTrack();
        return m_pTrackMenu;
    }
    const bool doorOpen = m_Audio.GetMode() == platform::MCI_MODE_OPEN;
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

void CReadAudioDlg::OnTrackProperties()
{
    QTreeWidget* list = TrackList();
    if (m_nSelectedTrack < 0 || m_nSelectedTrack >= list->topLevelItemCount() || m_nSelectedTrack >= MAX_TRACKS)
        return;
    const QString title = list->topLevelItem(m_nSelectedTrack)->text(0);
    CTrackPropertiesDlg properties(m_pWnd);
    properties.Fill(m_Tracks[static_cast<std::size_t>(m_nSelectedTrack)], m_nSelectedTrack,
                    title.toLocal8Bit().toStdString());
    properties.DoModal();
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
