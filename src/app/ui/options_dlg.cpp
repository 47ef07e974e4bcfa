#include "app/ui/options_dlg.h"

#include <QColorDialog>
#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>

#include "cdrom/address.h"
#include "platform/drives.h"
#include "platform/ui/dialog_data.h"
#include "res/resource.h"
#include "ui_options_dlg.h"

namespace {

constexpr int kTabCommon = 0;
constexpr int kTabColors = 1;
constexpr int kTabApplications = 2;
constexpr int kOverlapSpinLower = 1;
constexpr int kOverlapSpinUpper = 100;
constexpr uint8_t kOverlapLower = 1;
constexpr uint8_t kOverlapUpper = 20;
constexpr const char* kDefaultCdPlayer = "CDPLAYER.EXE";
constexpr const char* kDefaultSoundRecorder = "SNDREC32.EXE";
// Room around the sample's nine lines, so that the dialog's own background shows round them.
constexpr int kSampleMargin = 12;

QColor ColorOf(uint32_t colorRef) { return QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF); }

uint32_t ColorRefOf(const QColor& color)
{
    return static_cast<uint32_t>(color.red()) | (static_cast<uint32_t>(color.green()) << 8) |
        (static_cast<uint32_t>(color.blue()) << 16);
}

QFont SampleFont() { return QFontDatabase::systemFont(QFontDatabase::FixedFont); }

// The font's character height and its external leading.
int SampleLineHeight(const QFontMetrics& metrics) { return metrics.height() + metrics.leading(); }

} // namespace

const char* const COLOR_SAMPLE_LINES[9] = {
    "54 68 65 20 71 ", "75 69 63 6B 20 ", "62 72 6F 77 6E ", "20 66 6F 78 20 ", "6A 75 6D 70 73 ",
    "20 6F 76 65 72 ", "20 74 68 65 20 ", "6C 61 7A 79 20 ", "64 6F 67 00 00 ",
};

uint32_t NearestDisplayColor(const QWidget* device, uint32_t colorRef)
{
    const int depth = device ? device->depth() : 24;
    uint32_t keep = 0xFFFFFF;
    if (depth == 16)
        keep = 0xF8FCF8; // five bits of red and blue, six of green
    else if (depth == 15)
        keep = 0xF8F8F8;
    return colorRef & keep;
}

COptionsDlg::COptionsDlg(QWidget* colorDevice, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::OptionsDlg>()),
      m_pColorDevice(colorDevice)
{
    m_ui->setupUi(this);
    setObjectName("COptionsDlg");
    setProperty("ripwellDialogId", res::IDD_OPTIONS);

    // The three groups lie in one place; a hidden group keeps its room, so the dialog keeps its
    // size whichever group shows.
    for (int tab = kTabCommon; tab <= kTabApplications; ++tab) {
        QSizePolicy policy = Group(tab)->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        Group(tab)->setSizePolicy(policy);
    }
    const QFontMetrics metrics(SampleFont());
    m_ui->colorSample->setFixedSize(metrics.horizontalAdvance(QString::fromLatin1(COLOR_SAMPLE_LINES[0])) +
                                        kSampleMargin,
                                    9 * SampleLineHeight(metrics) + kSampleMargin);
    m_ui->colorSample->installEventFilter(this);
    m_ui->overlapSpin->SetBuddy(m_ui->overlapEdit);

    connect(m_ui->tabControl, &QTabBar::currentChanged, this, &COptionsDlg::ShowGroup);
    connect(m_ui->jitterCheck, &QCheckBox::clicked, this, &COptionsDlg::OnJitterCorrection);
    connect(m_ui->foregroundButton, &QPushButton::clicked, this, &COptionsDlg::OnForeground);
    connect(m_ui->backgroundButton, &QPushButton::clicked, this, &COptionsDlg::OnBackground);
    connect(m_ui->resetButton, &QPushButton::clicked, this, &COptionsDlg::OnReset);
    connect(m_ui->okButton, &QPushButton::clicked, this, &COptionsDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &COptionsDlg::reject);
}

COptionsDlg::~COptionsDlg() = default;

QWidget* COptionsDlg::Group(int tab) const
{
    switch (tab) {
    case kTabCommon: return m_ui->commonGroup;
    case kTabColors: return m_ui->colorsGroup;
    case kTabApplications: return m_ui->applicationsGroup;
    default: return nullptr;
    }
}

int COptionsDlg::CurrentTab() const { return m_ui->tabControl->currentIndex(); }

int COptionsDlg::DoModal()
{
    // The fields go into the controls first, then the dialog sets itself up.
    m_ui->soundsOffCheck->setChecked(m_bSoundsOff);
    m_ui->waveHeaderCheck->setChecked(m_bShowWaveHeader);
    m_ui->jitterCheck->setChecked(m_bJitterCorrection);
    m_ui->saveOnExitCheck->setChecked(m_bSaveOnExit);
    m_ui->autoPlayCheck->setChecked(AutoPlayDisabled);
    m_ui->cdPlayerEdit->setText(QString::fromStdString(m_strCDPlayer));
    m_ui->soundRecorderEdit->setText(QString::fromStdString(m_strSoundRecorder));
    SetDlgItemUInt(this, res::IDC_1036, m_nOverlap);
    OnInitDialog();
    return exec() == res::IDOK ? res::IDOK : res::IDCANCEL;
}

void COptionsDlg::OnInitDialog()
{
    // 1. and 2. The overlap controls follow the jitter correction box; the spin runs 1 to 100.
    OnJitterCorrection();
    m_ui->overlapSpin->SetRange(kOverlapSpinLower, kOverlapSpinUpper);
    // 3. The tabs, anew for every showing.
    {
        const QSignalBlocker quiet(m_ui->tabControl);
        while (m_ui->tabControl->count() > 0)
            m_ui->tabControl->removeTab(0);
        m_ui->tabControl->insertTab(kTabCommon, QStringLiteral("Common"));
        m_ui->tabControl->insertTab(kTabColors, QStringLiteral("Colors"));
        m_ui->tabControl->insertTab(kTabApplications, QStringLiteral("Applications"));
        m_ui->tabControl->setCurrentIndex(kTabCommon);
    }
    // 4. The CD-ROM drives.
    FillDriveList();
    // 5. The first group, as on a tab change.
    ShowGroup(CurrentTab());
}

void COptionsDlg::FillDriveList()
{
    QComboBox* list = m_ui->driveList;
    list->clear();
    // The stored letter may be in lower case; the list's letters are upper case.
    const char wanted = static_cast<char>(m_cDrive >= 'a' && m_cDrive <= 'z' ? m_cDrive - 'a' + 'A' : m_cDrive);
    int selection = 0;
    uint32_t drives = platform::GetLogicalDrives();
    for (char letter = 'A'; letter <= 'Z'; ++letter, drives >>= 1) {
        if ((drives & 1) == 0)
            continue;
        char rootPath[] = "?:\\";
        rootPath[0] = letter;
        if (platform::GetDriveTypeA(rootPath) != platform::DRIVE_CDROM)
            continue;
        list->addItem(QString(QChar(letter)) + u':');
        if (letter == wanted)
            selection = list->count() - 1;
    }
    list->setCurrentIndex(list->count() > 0 ? selection : -1);
}

void COptionsDlg::ShowGroup(int tab)
{
    for (int group = kTabCommon; group <= kTabApplications; ++group)
        Group(group)->setVisible(group == tab);
    if (tab == kTabColors)
        m_ui->colorSample->update();
}

void COptionsDlg::OnJitterCorrection()
{
    const bool enabled = m_ui->jitterCheck->isChecked();
    m_ui->overlapEdit->setEnabled(enabled);
    m_ui->overlapSpin->setEnabled(enabled);
}

bool COptionsDlg::ChooseColor(uint32_t* color)
{
    // No preset colour: the chooser starts at black, as it does when it is given none.
    QColorDialog chooser(Qt::black, this);
    chooser.setObjectName("ColorChooser");
    if (chooser.exec() != QDialog::Accepted)
        return false;
    *color = NearestDisplayColor(m_pColorDevice, ColorRefOf(chooser.selectedColor()));
    return true;
}

void COptionsDlg::OnForeground()
{
    if (ChooseColor(&m_crForeground))
        m_ui->colorSample->update();
}

void COptionsDlg::OnBackground()
{
    if (ChooseColor(&m_crBackground))
        m_ui->colorSample->update();
}

void COptionsDlg::OnReset()
{
    m_strCDPlayer = kDefaultCdPlayer;
    m_ui->cdPlayerEdit->setText(QString::fromLatin1(kDefaultCdPlayer));
    m_strSoundRecorder = kDefaultSoundRecorder;
    m_ui->soundRecorderEdit->setText(QString::fromLatin1(kDefaultSoundRecorder));
    m_ui->autoPlayCheck->setChecked(false);
}

void COptionsDlg::accept()
{
    uint8_t overlap = m_nOverlap;
    if (!DdxByte(this, res::IDC_1036, overlap, kOverlapLower, kOverlapUpper))
        return;
    m_nOverlap = overlap;
    m_bSoundsOff = m_ui->soundsOffCheck->isChecked();
    m_bShowWaveHeader = m_ui->waveHeaderCheck->isChecked();
    m_bJitterCorrection = m_ui->jitterCheck->isChecked();
    m_bSaveOnExit = m_ui->saveOnExitCheck->isChecked();
    AutoPlayDisabled = m_ui->autoPlayCheck->isChecked();
    m_strCDPlayer = m_ui->cdPlayerEdit->text().toStdString();
    m_strSoundRecorder = m_ui->soundRecorderEdit->text().toStdString();
    done(res::IDOK);
}

void COptionsDlg::done(int result)
{
    const QString drive = m_ui->driveList->currentText();
    if (m_ui->driveList->currentIndex() >= 0 && !drive.isEmpty())
        m_cDrive = static_cast<uint8_t>(drive.at(0).toLatin1());
    else
        m_cDrive = static_cast<uint8_t>(FindFirstCdromDrive());
    QDialog::done(result);
}

bool COptionsDlg::eventFilter(QObject* watched, QEvent* event)
{
    // The frame is drawn after the sample, over its edge.
    if (watched == m_ui->colorSample && event->type() == QEvent::Paint && CurrentTab() == kTabColors)
        PaintColorSample(m_ui->colorSample);
    return QDialog::eventFilter(watched, event);
}

void COptionsDlg::PaintColorSample(QWidget* sample)
{
    QPainter painter(sample);
    painter.setFont(SampleFont());
    painter.setPen(ColorOf(m_crForeground));
    painter.setBackground(ColorOf(m_crBackground));
    painter.setBackgroundMode(Qt::OpaqueMode);
    const QFontMetrics metrics = painter.fontMetrics();
    const int lineHeight = SampleLineHeight(metrics);
    for (int line = 0; line < 9; ++line)
        painter.drawText(0, line * lineHeight + metrics.ascent(), QString::fromLatin1(COLOR_SAMPLE_LINES[line]));
}
