#include "player/ui/read_audio_dlg.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include <QBitmap>
#include <QCheckBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QTreeWidget>

#include "cdrom/address.h"
#include "platform/message_box.h"
#include "platform/ui/dialog_data.h"
#include "platform/ui/up_down.h"
#include "platform/ui/window_timer.h"
#include "player/disc_titles.h"
#include "res/resource.h"
#include "ui_read_audio_dlg.h"

using namespace res::read_audio;

static void InitProgramResources() { Q_INIT_RESOURCE(ripwell); }

namespace {

static_assert(IDC_PLAY == res::ID_TRACK_PLAY, "the Play button and the menu's Play are one command");

constexpr uintptr_t kPlayerTimerId = 1;
constexpr uint32_t kPlayerTimerPeriodMs = 200;

// The dialog window: OK and Cancel (button, Enter, Escape, close box) go to the dialog object,
// and a click on the window's own background ends the editing of a title, as a click anywhere
// outside the edit field does.
class ReadAudioWindow : public QDialog {
public:
    ReadAudioWindow(QWidget* parent, std::function<void()> ok, std::function<void()> cancel,
                    std::function<void()> backgroundClick)
        : QDialog(parent),
          m_ok(std::move(ok)),
          m_cancel(std::move(cancel)),
          m_backgroundClick(std::move(backgroundClick))
    {
    }
    void accept() override { m_ok(); }
    void reject() override { m_cancel(); }
    void EndDialog(int result) { QDialog::done(result); }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        m_backgroundClick();
        QDialog::mousePressEvent(event);
    }

private:
    std::function<void()> m_ok;
    std::function<void()> m_cancel;
    std::function<void()> m_backgroundClick;
};

struct SpinRange {
    int id;
    int buddy;
    int lower;
    int upper;
    bool wrap;
};

constexpr SpinRange kSpinRanges[] = {
    {IDC_START_MIN_SPIN, IDC_START_MIN, 0, 99, true},
    {IDC_START_SEC_SPIN, IDC_START_SEC, 0, 59, true},
    {IDC_START_FRAME_SPIN, IDC_START_FRAME, 0, 74, true},
    {IDC_END_MIN_SPIN, IDC_END_MIN, 0, 99, true},
    {IDC_END_SEC_SPIN, IDC_END_SEC, 0, 59, true},
    {IDC_END_FRAME_SPIN, IDC_END_FRAME, 0, 74, true},
    {IDC_FIRST_SECONDS_SPIN, IDC_FIRST_SECONDS, 1, 60, false},
    {IDC_LAST_SECONDS_SPIN, IDC_LAST_SECONDS, 1, 60, false},
};

// The labels of the selection and of the playing position, which change their text while the
// dialog is open.
constexpr int kPositionLabels[] = {IDC_SELECTION_START_TIME,   IDC_PLAYING_TIME,   IDC_SELECTION_END_TIME,
                                   IDC_SELECTION_START_SECTOR, IDC_PLAYING_SECTOR, IDC_SELECTION_END_SECTOR};

void CopyTitle(char (&destination)[256], const QString& title)
{
    const std::string bytes = CutTitle(title.toLocal8Bit().toStdString(), sizeof destination - 1);
    std::memcpy(destination, bytes.data(), bytes.size());
    destination[bytes.size()] = '\0';
}

} // namespace

CReadAudioDlg::CReadAudioDlg(QWidget* parent) : m_pParent(parent)
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

QTreeWidget* CReadAudioDlg::TrackList() const { return m_ui ? m_ui->trackList : nullptr; }

int CReadAudioDlg::DoModal()
{
    auto* window = new ReadAudioWindow(
        m_pParent, [this] { OnOK(); }, [this] { OnCancel(); }, [this] { FinishRename(); });
    m_pWnd = window;
    m_ui = std::make_unique<Ui::ReadAudioDlg>();
    m_ui->setupUi(window);
    m_items.Attach(window);
    OnInitDialog();
    const int result = window->exec();
    OnDestroy();
    m_items.Attach(nullptr);
    m_ui.reset();
    m_pWnd = nullptr;
    delete window;
    return result == res::IDOK ? res::IDOK : res::IDCANCEL;
}

void CReadAudioDlg::OnInitDialog()
{
    UpdateData(false);
    m_items.CheckButton(IDC_ONLY_LAST, m_bOnlyLast != 0);
    m_items.CheckButton(IDC_ONLY_FIRST, m_bOnlyFirst != 0);
    m_items.CheckButton(IDC_LOOP_MODE, m_bLoopMode != 0);
    LoadMenus();
    m_Audio.Open(m_chDrive); // a failure has been reported; the dialog opens all the same
    m_ui->positionSlider->setRange(0, 100);
    m_player.OnOpening();
    SetUpControls();

    m_nTimer = platform::SetTimer(m_pWnd, kPlayerTimerId, kPlayerTimerPeriodMs, [this] { m_player.OnPlayerTimer(); });
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
    ConnectControls();

    RefreshTrackList();
    // Shown again after a refused choice, the dialog keeps the track that was chosen.
    if (m_nSelectedTrack >= 0 && m_nSelectedTrack < list->topLevelItemCount())
        list->topLevelItem(m_nSelectedTrack)->setSelected(true);
    SelectTabPage(m_nTabPage);
}

void CReadAudioDlg::LoadMenus()
{
    m_pTrackMenu = new QMenu(QStringLiteral("Track"), m_pWnd);
    for (auto [text, id] : {std::pair{"Play", res::ID_TRACK_PLAY},
                            {"Pick up times", res::ID_TRACK_PICK_UP_TIMES},
                            {nullptr, 0},
                            {"Rename", res::ID_TRACK_RENAME},
                            {"Properties...", res::ID_TRACK_PROPERTIES},
                            {nullptr, 0},
                            {"Grab", res::ID_TRACK_GRAB}}) {
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
}

void CReadAudioDlg::SetUpControls()
{
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

    // The labels and the mark button keep one width whatever they show ("???", a time, a
    // sector, nothing; "Start here" or "End here"), so that the two groups below the tab
    // control stay where they are.
    const QFontMetrics metrics = m_ui->selStartTime->fontMetrics();
    const int labelWidth = std::max({metrics.horizontalAdvance(QStringLiteral("0000000")),
                                     metrics.horizontalAdvance(QStringLiteral("???")),
                                     metrics.horizontalAdvance(QStringLiteral("00:00"))});
    for (int id : kPositionLabels) {
        QWidget* label = GetDlgItem(m_pWnd, id);
        label->setMinimumWidth(labelWidth);
        label->setSizePolicy(QSizePolicy::Ignored, label->sizePolicy().verticalPolicy());
    }
    QPushButton* mark = m_ui->markButton;
    const QString caption = mark->text();
    int markWidth = 0;
    for (const char* text : {"Start here", "End here"}) {
        mark->setText(QString::fromUtf8(text));
        markWidth = std::max(markWidth, mark->sizeHint().width());
    }
    mark->setText(caption);
    mark->setMinimumWidth(markWidth);
}

void CReadAudioDlg::ConnectControls()
{
    connect(m_ui->startButton, &QPushButton::clicked, m_pWnd, &QDialog::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, m_pWnd, &QDialog::reject);
    connect(m_ui->tabControl, &QTabBar::currentChanged, this, [this] {
        FinishRename();
        m_display.OnTabChanged();
    });
    for (QPushButton* button : {m_ui->playButton, m_ui->stopButton, m_ui->markButton}) {
        const int id = button->property("controlId").toInt();
        connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
    }

    // The slider's scroll notifications: moving it is tracking, letting it go is the end of
    // tracking; a step by key, page or wheel ends at once.
    QSlider* slider = m_ui->positionSlider;
    connect(slider, &QSlider::sliderPressed, this, [this] { m_player.OnSliderScroll(platform::TB_THUMBTRACK); });
    connect(slider, &QSlider::sliderMoved, this, [this] { m_player.OnSliderScroll(platform::TB_THUMBTRACK); });
    connect(slider, &QSlider::sliderReleased, this, [this] { m_player.OnSliderScroll(platform::TB_ENDTRACK); });
    connect(slider, &QSlider::actionTriggered, this, [this, slider] {
        if (slider->isSliderDown())
            return;
        m_player.OnSliderScroll(platform::TB_PAGEDOWN);
        // The step moves the slider after this notification; the end of tracking follows it.
        QTimer::singleShot(0, this, [this] {
            if (m_pWnd)
                m_player.OnSliderScroll(platform::TB_ENDTRACK);
        });
    });

    QTreeWidget* list = TrackList();
    connect(list, &QTreeWidget::itemDoubleClicked, this, [this] { OnDoubleClick(); });
    connect(list, &QWidget::customContextMenuRequested, this, [this] { ShowListMenu(); });
    list->viewport()->installEventFilter(this);
    ConnectRenameEditor();
}

void CReadAudioDlg::OnDestroy()
{
    FinishRename();
    if (m_nTimer != 0) {
        if (!platform::KillTimer(m_pWnd, m_nTimer))
            platform::MessageBox("Error killing the timer", platform::MB_OK | platform::MB_ICONEXCLAMATION);
        m_nTimer = 0;
    }
    m_PlayPicture = QIcon();
    m_StopPicture = QIcon();
    m_bOnlyLast = m_items.IsButtonChecked(IDC_ONLY_LAST) ? 1 : 0;
    m_bOnlyFirst = m_items.IsButtonChecked(IDC_ONLY_FIRST) ? 1 : 0;
    m_bLoopMode = m_items.IsButtonChecked(IDC_LOOP_MODE) ? 1 : 0;
    if (m_Audio.GetMode() == platform::MCI_MODE_PLAY)
        m_Audio.Stop();
    m_Audio.Close();
    m_nTabPage = m_display.CurrentPage();
}

bool CReadAudioDlg::UpdateData(bool saveAndValidate)
{
    struct Field {
        int id;
        uint32_t* value;
        uint32_t upper;
    };
    const Field fields[] = {{IDC_START_MIN, &m_nStartMin, 99},
                            {IDC_START_SEC, &m_nStartSec, 59},
                            {IDC_START_FRAME, &m_nStartFrame, 74},
                            {IDC_END_MIN, &m_nEndMin, 99},
                            {IDC_END_SEC, &m_nEndSec, 59},
                            {IDC_END_FRAME, &m_nEndFrame, 74},
                            {IDC_START_SECTOR, &m_nStartSector, MAX_READ_SECTOR},
                            {IDC_END_SECTOR, &m_nEndSector, MAX_READ_SECTOR}};
    if (!saveAndValidate) {
        for (const Field& field : fields)
            SetDlgItemUInt(m_pWnd, field.id, *field.value);
        SetDlgItemUInt(m_pWnd, IDC_FIRST_SECONDS, m_nFirstSeconds);
        SetDlgItemUInt(m_pWnd, IDC_LAST_SECONDS, m_nLastSeconds);
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
    if (!DdxByte(m_pWnd, IDC_FIRST_SECONDS, firstSeconds, 1, 60) ||
        !DdxByte(m_pWnd, IDC_LAST_SECONDS, lastSeconds, 1, 60))
        return false;
    for (std::size_t i = 0; i < std::size(fields); ++i)
        *fields[i].value = values[i];
    m_nFirstSeconds = firstSeconds;
    m_nLastSeconds = lastSeconds;
    return true;
}

void CReadAudioDlg::SelectTabPage(int page) { m_display.SelectTabPage(page); }

void CReadAudioDlg::OnTrackClicked() { m_display.OnTrackClicked(); }

void CReadAudioDlg::CopyTitleOfRow(int row) { CopyTitle(m_szTrackTitle, TrackList()->topLevelItem(row)->text(0)); }

void CReadAudioDlg::EndDialog(int result) { static_cast<ReadAudioWindow*>(m_pWnd)->EndDialog(result); }

void CReadAudioDlg::OnOK()
{
    m_nTabPage = m_display.CurrentPage();
    if (m_nTabPage == PAGE_CD_TRACK && m_display.SelectedRowCount() == 1) {
        m_display.FindSelectedTrack();
        if (m_nSelectedTrack >= 0)
            CopyTitleOfRow(m_nSelectedTrack);
    }
    if (!UpdateData(true))
        return;
    EndDialog(res::IDOK);
}

void CReadAudioDlg::OnDoubleClick()
{
    m_nTabPage = m_display.CurrentPage();
    if (m_display.SelectedRowCount() != 1)
        return;
    m_display.FindSelectedTrack();
    if (m_nSelectedTrack < 0)
        return;
    CopyTitleOfRow(m_nSelectedTrack);
    EndDialog(res::IDOK);
}

void CReadAudioDlg::OnCancel()
{
    if (!UpdateData(true))
        return;
    EndDialog(res::IDCANCEL);
}

void CReadAudioDlg::OnCommand(int id)
{
    switch (id) {
    case IDC_PLAY: m_player.OnPlay(); break; // also "Play" of the "Track" menu
    case IDC_STOP: m_player.OnStop(); break;
    case IDC_MARK: m_player.OnMark(); break;
    case res::ID_TRACK_PICK_UP_TIMES: m_player.OnPickUpTimes(); break;
    case res::ID_TRACK_RENAME: BeginRename(); break;
    case res::ID_TRACK_PROPERTIES: OnTrackProperties(); break;
    case res::ID_TRACK_GRAB: m_pWnd->accept(); break;
    case res::ID_LIST_REFRESH: RefreshTrackList(); break;
    case res::ID_LIST_OPEN_DOOR: OpenDriveDoor(); break;
    case res::ID_LIST_CLOSE_DOOR: CloseDriveDoor(); break;
    default: break;
    }
}
