#include "player/ui/read_audio_dlg.h"

#include <cstring>
#include <functional>

#include <QBitmap>
#include <QCheckBox>
#include <QDialog>
#include <QHeaderView>
#include <QMenu>
#include <QPixmap>
#include <QSlider>
#include <QTimerEvent>
#include <QTreeWidget>

#include "cdrom/address.h"
#include "platform/message_box.h"
#include "platform/ui/dialog_data.h"
#include "platform/ui/up_down.h"
#include "res/resource.h"
#include "ui_read_audio_dlg.h"

static void InitProgramResources()
{
    Q_INIT_RESOURCE(ripwell);
}

namespace {

constexpr int kTimerPeriodMs = 200;
constexpr uint32_t kModePlay = platform::MCI_MODE_PLAY;

// The dialog window: OK and Cancel (button, Enter, Escape, close box) go to the dialog object.
class ReadAudioWindow : public QDialog {
public:
    ReadAudioWindow(QWidget* parent, std::function<void()> ok, std::function<void()> cancel)
        : QDialog(parent), m_ok(std::move(ok)), m_cancel(std::move(cancel))
    {
    }
    void accept() override { m_ok(); }
    void reject() override { m_cancel(); }
    void EndDialog(int result) { QDialog::done(result); }

private:
    std::function<void()> m_ok;
    std::function<void()> m_cancel;
};

struct SpinRange {
    int id;
    int buddy;
    int lower;
    int upper;
    bool wrap;
};

constexpr SpinRange kSpinRanges[] = {
    {res::IDC_1054, res::IDC_1018, 0, 99, true}, {res::IDC_1055, res::IDC_1019, 0, 59, true},
    {res::IDC_1056, res::IDC_1020, 0, 74, true}, {res::IDC_1057, res::IDC_1021, 0, 99, true},
    {res::IDC_1058, res::IDC_1022, 0, 59, true}, {res::IDC_1059, res::IDC_1023, 0, 74, true},
    {res::IDC_1064, res::IDC_1036, 1, 60, false}, {res::IDC_1065, res::IDC_1037, 1, 60, false},
};

// The controls of each tab page.
constexpr int kPage0Controls[] = {res::IDC_1034};
constexpr int kPage1Controls[] = {res::IDC_1046, res::IDC_1047, res::IDC_1048, res::IDC_1049, res::IDC_1050,
                                  res::IDC_1018, res::IDC_1019, res::IDC_1020, res::IDC_1021, res::IDC_1022,
                                  res::IDC_1023, res::IDC_1054, res::IDC_1055, res::IDC_1056, res::IDC_1057,
                                  res::IDC_1058, res::IDC_1059};
constexpr int kPage2Controls[] = {res::IDC_1010, res::IDC_1011, res::IDC_1028, res::IDC_1029};

QString DisplayTimeText(uint8_t minute, uint8_t second, uint8_t frame)
{
    return QString::fromStdString(DisplayTime(minute, second, frame));
}

// A field read as a decimal number the way the selection display reads it: at most 31
// characters, leading digits, 0 when there are none.
uint32_t FieldNumber(const QWidget* dialog, int id)
{
    QString text = GetDlgItemText(dialog, id).left(31).trimmed();
    uint32_t value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + static_cast<uint32_t>(c.unicode() - u'0');
    }
    return value;
}

} // namespace

CReadAudioDlg::CReadAudioDlg(QWidget* parent)
    : m_pParent(parent)
{
    InitProgramResources();
    ResetTrackTable(m_Tracks);
    // Bitmap 140 holds two 16-pixel images on white, which is the transparent colour.
    QPixmap strip(QStringLiteral(":/bitmaps/%1.png").arg(res::IDB_TRACK_IMAGES));
    if (!strip.isNull()) {
        strip.setMask(strip.createMaskFromColor(Qt::white));
        m_TrackImages[0] = QIcon(strip.copy(0, 0, 16, 16));
        m_TrackImages[1] = QIcon(strip.copy(16, 0, 16, 16));
    }
}

CReadAudioDlg::~CReadAudioDlg() = default;

bool CReadAudioDlg::IsDeviceOpen() const
{
    return m_Audio.DeviceId() != 0;
}

QTreeWidget* CReadAudioDlg::TrackList() const
{
    return m_ui ? m_ui->trackList : nullptr;
}

int CReadAudioDlg::DoModal()
{
    auto* window = new ReadAudioWindow(m_pParent, [this] { OnOK(); }, [this] { OnCancel(); });
    m_pWnd = window;
    m_ui = std::make_unique<Ui::ReadAudioDlg>();
    m_ui->setupUi(window);
    connect(m_ui->startButton, &QPushButton::clicked, window, &QDialog::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, window, &QDialog::reject);
    OnInitDialog();
    int result = window->exec();
    OnDestroy();
    m_ui.reset();
    m_pWnd = nullptr;
    delete window;
    return result == res::IDOK ? res::IDOK : res::IDCANCEL;
}

void CReadAudioDlg::OnInitDialog()
{
    UpdateData(false);
    m_ui->onlyLastCheck->setChecked(m_bOnlyLast != 0);
    m_ui->onlyFirstCheck->setChecked(m_bOnlyFirst != 0);
    m_ui->loopModeCheck->setChecked(m_bLoopMode != 0);
    m_bIdleShown = 0;

    m_pTrackMenu = new QMenu(QStringLiteral("Track"), m_pWnd);
    for (auto [text, id] : {std::pair{"Play", res::ID_TRACK_PLAY}, {"Pick up times", res::ID_TRACK_PICK_UP_TIMES},
                            {nullptr, 0}, {"Rename", res::ID_TRACK_RENAME},
                            {"Properties...", res::ID_TRACK_PROPERTIES}, {nullptr, 0}, {"Grab", res::ID_TRACK_GRAB}}) {
        if (!text) {
            m_pTrackMenu->addSeparator();
            continue;
        }
        m_pTrackMenu->addAction(QString::fromUtf8(text))->setData(id);
    }
    m_pListMenu = new QMenu(QStringLiteral("List"), m_pWnd);
    m_pListMenu->addAction(QStringLiteral("Refresh"))->setData(res::ID_LIST_REFRESH);
    m_pListMenu->addSeparator();
    m_pListMenu->addAction(QStringLiteral("Open Door"))->setData(res::ID_LIST_OPEN_DOOR);
    m_pListMenu->addAction(QStringLiteral("Close Door"))->setData(res::ID_LIST_CLOSE_DOOR);

    m_Audio.Open(m_chDrive);  // a failure has been reported; the dialog opens all the same

    m_ui->positionSlider->setRange(0, 100);
    m_bDragging = 0;
    m_nPlayStart = 0;
    m_nPlayEnd = 0;
    for (const SpinRange& range : kSpinRanges) {
        auto* spin = GetDlgControl<CUpDownButton>(m_pWnd, range.id);
        spin->SetBuddy(GetDlgControl<QLineEdit>(m_pWnd, range.buddy));
        spin->SetRange(range.lower, range.upper);
        spin->SetWrap(range.wrap);
    }
    m_PlayPicture = QIcon(QStringLiteral(":/bitmaps/%1.png").arg(res::IDB_PLAY));
    m_StopPicture = QIcon(QStringLiteral(":/bitmaps/%1.png").arg(res::IDB_STOP));
    m_ui->playButton->setIcon(m_PlayPicture);
    m_ui->stopButton->setIcon(m_StopPicture);

    m_nTimer = startTimer(kTimerPeriodMs);
    if (m_nTimer == 0)
        platform::MessageBox("Could not set up the Windows timer.\nThe CD Player functions will not work OK.\n"
                             "Try closing other running applications\nto free up a timer resource.",
                             platform::MB_OK | platform::MB_ICONEXCLAMATION);

    QTreeWidget* list = TrackList();
    list->setColumnCount(4);
    list->setHeaderLabels({QStringLiteral("Track"), QStringLiteral("Length"), QStringLiteral("Start Sector"),
                           QStringLiteral("End Sector")});
    // The widths are twice the pixel widths of the original layout, to stay readable.
    const int widths[] = {200, 80, 96, 96};
    for (int column = 0; column < 4; ++column)
        list->setColumnWidth(column, widths[column]);
    for (int column = 1; column < 4; ++column)
        list->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    list->setIconSize(QSize(16, 16));

    m_ui->tabControl->addTab(QStringLiteral("CD Track"));
    m_ui->tabControl->addTab(QStringLiteral("Red Book"));
    m_ui->tabControl->addTab(QStringLiteral("High Sierra"));
    connect(m_ui->tabControl, &QTabBar::currentChanged, this, [this] { OnTabChanged(); });

    connect(list, &QTreeWidget::itemDoubleClicked, this, [this] { OnDoubleClick(); });
    connect(list, &QWidget::customContextMenuRequested, this, [this] { ShowListMenu(); });
    list->viewport()->installEventFilter(this);
    connect(m_ui->playButton, &QPushButton::clicked, this, [this] { OnPlay(); });
    connect(m_ui->stopButton, &QPushButton::clicked, this, [this] { OnStop(); });
    connect(m_ui->markButton, &QPushButton::clicked, this, [this] { OnMark(); });
    ConnectRenameEditor();

    RefreshTrackList();
    // Shown again after a refused choice, the dialog keeps the track that was chosen.
    if (m_nSelectedTrack >= 0 && m_nSelectedTrack < list->topLevelItemCount())
        list->topLevelItem(m_nSelectedTrack)->setSelected(true);
    SelectTabPage(m_nTabPage);
}

void CReadAudioDlg::OnDestroy()
{
    if (m_nTimer != 0) {
        killTimer(m_nTimer);
        m_nTimer = 0;
    }
    m_PlayPicture = QIcon();
    m_StopPicture = QIcon();
    m_bOnlyLast = m_ui->onlyLastCheck->isChecked() ? 1 : 0;
    m_bOnlyFirst = m_ui->onlyFirstCheck->isChecked() ? 1 : 0;
    m_bLoopMode = m_ui->loopModeCheck->isChecked() ? 1 : 0;
    if (m_Audio.GetMode() == kModePlay)
        m_Audio.Stop();
    m_Audio.Close();
    m_nTabPage = CurrentTabPage();
}

bool CReadAudioDlg::UpdateData(bool saveAndValidate)
{
    struct Field {
        int id;
        uint32_t* value;
        uint32_t upper;
    };
    const Field fields[] = {{res::IDC_1018, &m_nStartMin, 99},      {res::IDC_1019, &m_nStartSec, 59},
                            {res::IDC_1020, &m_nStartFrame, 74},    {res::IDC_1021, &m_nEndMin, 99},
                            {res::IDC_1022, &m_nEndSec, 59},        {res::IDC_1023, &m_nEndFrame, 74},
                            {res::IDC_1028, &m_nStartSector, MAX_READ_SECTOR},
                            {res::IDC_1029, &m_nEndSector, MAX_READ_SECTOR}};
    if (!saveAndValidate) {
        for (const Field& field : fields)
            SetDlgItemUInt(m_pWnd, field.id, *field.value);
        SetDlgItemUInt(m_pWnd, res::IDC_1036, m_nFirstSeconds);
        SetDlgItemUInt(m_pWnd, res::IDC_1037, m_nLastSeconds);
        return true;
    }
    // Taken into copies first, so that a failing field leaves every member as it was.
    uint32_t values[std::size(fields)];
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        values[i] = *fields[i].value;
        if (!DdxUInt(m_pWnd, fields[i].id, values[i], 0, fields[i].upper))
            return false;
    }
    uint8_t firstSeconds = m_nFirstSeconds;
    uint8_t lastSeconds = m_nLastSeconds;
    if (!DdxByte(m_pWnd, res::IDC_1036, firstSeconds, 1, 60) || !DdxByte(m_pWnd, res::IDC_1037, lastSeconds, 1, 60))
        return false;
    for (std::size_t i = 0; i < std::size(fields); ++i)
        *fields[i].value = values[i];
    m_nFirstSeconds = firstSeconds;
    m_nLastSeconds = lastSeconds;
    return true;
}

int CReadAudioDlg::CurrentTabPage() const
{
    return m_ui ? m_ui->tabControl->currentIndex() : m_nTabPage;
}

int CReadAudioDlg::SelectedRowCount() const
{
    QTreeWidget* list = TrackList();
    return list ? static_cast<int>(list->selectedItems().size()) : 0;
}

void CReadAudioDlg::SelectTabPage(int page)
{
    m_ui->tabControl->blockSignals(true);
    m_ui->tabControl->setCurrentIndex(page);
    m_ui->tabControl->blockSignals(false);
    OnTabChanged();
}

void CReadAudioDlg::OnTabChanged()
{
    int page = CurrentTabPage();
    auto show = [this](const auto& ids, bool visible) {
        for (int id : ids)
            if (QWidget* control = GetDlgItem(m_pWnd, id))
                control->setVisible(visible);
    };
    show(kPage0Controls, page == 0);
    show(kPage1Controls, page == 1);
    show(kPage2Controls, page == 2);
    UpdateSelectionDisplay(page, false);
}

void CReadAudioDlg::ShowTrackSelection(const TrackRecord& track)
{
    SetDlgItemText(m_pWnd, res::IDC_1012, DisplayTimeText(track.startMinute, track.startSecond, track.startFrame));
    SetDlgItemText(m_pWnd, res::IDC_1014, DisplayTimeText(track.endMinute, track.endSecond, track.endFrame));
    SetDlgItemUInt(m_pWnd, res::IDC_1015, track.startSector);
    SetDlgItemUInt(m_pWnd, res::IDC_1017, track.endSector);
}

void CReadAudioDlg::UpdateSelectionDisplay(int page, bool force)
{
    if (!force && m_Audio.GetMode() == kModePlay)
        return;
    if (page == 0) {
        if (SelectedRowCount() == 1) {
            FindSelectedTrack();
            if (m_nSelectedTrack >= 0 && m_nSelectedTrack < MAX_TRACKS)
                ShowTrackSelection(m_Tracks[static_cast<std::size_t>(m_nSelectedTrack)]);
        } else {
            for (int id : {res::IDC_1012, res::IDC_1014, res::IDC_1015, res::IDC_1017})
                SetDlgItemText(m_pWnd, id, QStringLiteral("???"));
        }
    } else if (page == 1) {
        auto byte = [this](int id) { return static_cast<uint8_t>(FieldNumber(m_pWnd, id)); };
        uint8_t startMin = byte(res::IDC_1018), startSec = byte(res::IDC_1019), startFrame = byte(res::IDC_1020);
        uint8_t endMin = byte(res::IDC_1021), endSec = byte(res::IDC_1022), endFrame = byte(res::IDC_1023);
        SetDlgItemText(m_pWnd, res::IDC_1012, DisplayTimeText(startMin, startSec, startFrame));
        SetDlgItemText(m_pWnd, res::IDC_1014, DisplayTimeText(endMin, endSec, endFrame));
        SetDlgItemUInt(m_pWnd, res::IDC_1015, MsfToSector(startMin, startSec, startFrame));
        SetDlgItemUInt(m_pWnd, res::IDC_1017, MsfToSector(endMin, endSec, endFrame));
    } else if (page == 2) {
        SetDlgItemText(m_pWnd, res::IDC_1015, GetDlgItemText(m_pWnd, res::IDC_1028).left(31));
        SetDlgItemText(m_pWnd, res::IDC_1017, GetDlgItemText(m_pWnd, res::IDC_1029).left(31));
        uint8_t minute = 0, second = 0, frame = 0;
        SectorToMsf(FieldNumber(m_pWnd, res::IDC_1028), &minute, &second, &frame);
        SetDlgItemText(m_pWnd, res::IDC_1012, DisplayTimeText(minute, second, frame));
        SectorToMsf(FieldNumber(m_pWnd, res::IDC_1029), &minute, &second, &frame);
        SetDlgItemText(m_pWnd, res::IDC_1014, DisplayTimeText(minute, second, frame));
    }
}

void CReadAudioDlg::FindSelectedTrack()
{
    m_nSelectedTrack = -1;
    QTreeWidget* list = TrackList();
    if (!list)
        return;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        if (list->topLevelItem(row)->isSelected()) {
            m_nSelectedTrack = row;
            return;
        }
    }
}

static void CopyTitle(char (&destination)[256], const QString& title)
{
    QByteArray bytes = title.toLocal8Bit().left(static_cast<int>(sizeof destination) - 1);
    std::memcpy(destination, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    destination[bytes.size()] = '\0';
}

void CReadAudioDlg::OnOK()
{
    m_nTabPage = CurrentTabPage();
    if (m_nTabPage == 0 && SelectedRowCount() == 1) {
        FindSelectedTrack();
        if (m_nSelectedTrack >= 0)
            CopyTitle(m_szTrackTitle, TrackList()->topLevelItem(m_nSelectedTrack)->text(0));
    }
    if (!UpdateData(true))
        return;
    static_cast<ReadAudioWindow*>(m_pWnd)->EndDialog(res::IDOK);
}

void CReadAudioDlg::OnDoubleClick()
{
    m_nTabPage = CurrentTabPage();
    if (SelectedRowCount() != 1)
        return;
    FindSelectedTrack();
    if (m_nSelectedTrack < 0)
        return;
    CopyTitle(m_szTrackTitle, TrackList()->topLevelItem(m_nSelectedTrack)->text(0));
    static_cast<ReadAudioWindow*>(m_pWnd)->EndDialog(res::IDOK);
}

void CReadAudioDlg::OnCancel()
{
    if (!UpdateData(true))
        return;
    static_cast<ReadAudioWindow*>(m_pWnd)->EndDialog(res::IDCANCEL);
}

void CReadAudioDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_nTimer)
        OnPlayerTimer();
    QObject::timerEvent(event);
}

// The selection player's behaviour comes with the player; the tick and its commands are wired
// here so that the controls and menu entries are in place.
void CReadAudioDlg::OnPlayerTimer() {}
void CReadAudioDlg::OnPlay() {}
void CReadAudioDlg::OnStop() {}
void CReadAudioDlg::OnMark() {}
void CReadAudioDlg::OnPickUpTimes() {}
void CReadAudioDlg::OnTrackProperties() {}
