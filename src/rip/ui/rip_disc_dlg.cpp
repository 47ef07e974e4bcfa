#include "rip/ui/rip_disc_dlg.h"

#include "ui_rip_disc_dlg.h"

#include <QFileDialog>
#include <QMetaObject>
#include <QPushButton>

#include <cstdio>

#include "base/sounds.h"
#include "platform/drives.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "rip/accuraterip.h"
#include "rip/musicbrainz.h"

namespace {

constexpr int kNumberColumn = 0;
constexpr int kTitleColumn = 1;
constexpr int kArtistColumn = 2;
constexpr int kLengthColumn = 3;
constexpr uint32_t kSectorsPerSecond = 75;

QString FromStd(const std::string& text) { return QString::fromStdString(text); }
std::string ToStd(const QString& text) { return text.toStdString(); }

void ShowMessage(int stringId, const std::string& first = {}, const std::string& second = {})
{
    PlayErrorSound();
    platform::MessageBox(res::FormatMessageText(res::LoadString(stringId), first, second),
                         platform::MB_OK | platform::MB_ICONWARNING);
}

} // namespace

std::string TrackLengthText(uint32_t sectors)
{
    unsigned minutes = sectors / (60 * kSectorsPerSecond);
    unsigned seconds = sectors / kSectorsPerSecond % 60;
    if (sectors % kSectorsPerSecond > kSectorsPerSecond / 2 && ++seconds == 60) {
        seconds = 0;
        ++minutes;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%u:%02u", minutes, seconds);
    return text;
}

CRipDiscDlg::CRipDiscDlg(const AppSettings& settings, QWidget* parent)
    : QDialog(parent),
      m_settings(settings),
      m_ui(std::make_unique<Ui::RipDiscDlg>())
{
    m_ui->setupUi(this);
    m_ui->trackList->setColumnWidth(kNumberColumn, 60);
    m_ui->trackList->setColumnWidth(kTitleColumn, 220);
    m_ui->trackList->setColumnWidth(kArtistColumn, 120);

    // Every CD-ROM drive of the machine, the settings' one chosen.
    const uint32_t drives = platform::GetLogicalDrives();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const char root[] = {letter, ':', '\\', 0};
        if ((drives >> (letter - 'A') & 1) && platform::GetDriveTypeA(root) == platform::DRIVE_CDROM)
            m_ui->driveCombo->addItem(QString(QChar(letter)) + ':', QVariant(int(letter)));
    }
    const int current = m_ui->driveCombo->findData(QVariant(int(settings.DefaultCDROMDrive)));
    m_ui->driveCombo->setCurrentIndex(current >= 0 ? current : 0);

    connect(m_ui->driveCombo, &QComboBox::currentIndexChanged, this,
            [this] { LoadDisc(static_cast<char>(m_ui->driveCombo->currentData().toInt())); });
    connect(m_ui->ripButton, &QPushButton::clicked, this, &CRipDiscDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CRipDiscDlg::reject);
    connect(m_ui->browseButton, &QPushButton::clicked, this, &CRipDiscDlg::OnBrowse);
    connect(m_ui->musicBrainzButton, &QPushButton::clicked, this, &CRipDiscDlg::OnLookUp);
    connect(m_ui->patternEdit, &QLineEdit::textChanged, this, &CRipDiscDlg::UpdateExample);
    connect(m_ui->albumEdit, &QLineEdit::textChanged, this, &CRipDiscDlg::UpdateExample);
    connect(m_ui->albumArtistEdit, &QLineEdit::textChanged, this, &CRipDiscDlg::UpdateExample);
    connect(m_ui->flacButton, &QRadioButton::toggled, this, [this](bool flac) {
        m_ui->levelSpin->setEnabled(flac);
        UpdateExample();
    });
    connect(m_ui->trackList, &QTreeWidget::itemChanged, this, [this] {
        if (!m_bFilling)
            UpdateExample();
    });

    m_ui->folderEdit->setText(FromStd(settings.RipFolder.empty() ? DefaultRipFolder() : settings.RipFolder));
    m_ui->patternEdit->setText(FromStd(settings.RipFileNamePattern));
    (settings.RipFormat == 1 ? m_ui->waveButton : m_ui->flacButton)->setChecked(true);
    m_ui->levelSpin->setValue(static_cast<int>(std::min(settings.RipFlacLevel, MAX_FLAC_LEVEL)));
    m_ui->levelSpin->setEnabled(settings.RipFormat != 1);
    if (m_ui->driveCombo->count() > 0)
        LoadDisc(static_cast<char>(m_ui->driveCombo->currentData().toInt()));
}

CRipDiscDlg::~CRipDiscDlg()
{
    m_lookupCancel.store(1);
    if (m_lookup.joinable())
        m_lookup.join();
}

void CRipDiscDlg::LoadDisc(char drive)
{
    m_bHaveDisc = false;
    m_layout = platform::DiscLayout{};
    std::string reason;
    if (!platform::ReadDiscLayout(drive, &m_layout, &reason)) {
        m_ui->discStatusText->setText(FromStd(reason));
        m_metadataRead = DiscMetadata{};
    } else {
        m_bHaveDisc = true;
        m_metadataRead = ReadDiscMetadata(m_layout);
        const AccurateRipIds ids = ComputeAccurateRipIds(m_layout);
        char id[16];
        std::snprintf(id, sizeof id, "%08X", ids.freedbId);
        m_ui->discStatusText->setText(FromStd(res::FormatMessageText(res::LoadString(res::IDS_RIP_DISC_STATUS),
                                                                     std::to_string(m_layout.tracks.size()), id)));
    }
    m_choices = InitialRipChoices(m_settings, drive, m_layout, m_metadataRead);
    m_ui->albumEdit->setText(FromStd(m_choices.album));
    m_ui->albumArtistEdit->setText(FromStd(m_choices.albumArtist));
    m_ui->dateEdit->setText(FromStd(m_choices.date));
    m_ui->secureCheck->setChecked(m_choices.secure);
    m_ui->offsetSpin->setValue(m_choices.readOffset);
    FillTrackList();
    m_ui->ripButton->setEnabled(m_bHaveDisc);
    m_ui->musicBrainzButton->setEnabled(m_bHaveDisc);
}

void CRipDiscDlg::FillTrackList()
{
    m_bFilling = true;
    m_ui->trackList->clear();
    for (const RipTrackRow& row : m_choices.rows) {
        auto* item = new QTreeWidgetItem(m_ui->trackList);
        char number[8];
        std::snprintf(number, sizeof number, "%02u", row.number);
        item->setText(kNumberColumn, QString::fromUtf8(number));
        item->setText(kTitleColumn, FromStd(row.title));
        item->setText(kArtistColumn, FromStd(row.artist));
        item->setText(kLengthColumn, FromStd(TrackLengthText(row.sectors)));
        if (row.audio) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
            item->setCheckState(kNumberColumn, row.checked ? Qt::Checked : Qt::Unchecked);
        } else {
            // A data track is shown, but cannot be ripped as audio.
            item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
        }
    }
    m_bFilling = false;
    UpdateExample();
}

void CRipDiscDlg::CollectChoices()
{
    for (int i = 0; i < m_ui->trackList->topLevelItemCount() && i < static_cast<int>(m_choices.rows.size()); ++i) {
        const QTreeWidgetItem* item = m_ui->trackList->topLevelItem(i);
        RipTrackRow& row = m_choices.rows[i];
        row.checked = row.audio && item->checkState(kNumberColumn) == Qt::Checked;
        row.title = ToStd(item->text(kTitleColumn));
        row.artist = ToStd(item->text(kArtistColumn));
    }
    m_choices.drive = static_cast<char>(m_ui->driveCombo->currentData().toInt());
    m_choices.album = ToStd(m_ui->albumEdit->text());
    m_choices.albumArtist = ToStd(m_ui->albumArtistEdit->text());
    m_choices.date = ToStd(m_ui->dateEdit->text());
    m_choices.folder = ToStd(m_ui->folderEdit->text());
    m_choices.pattern = ToStd(m_ui->patternEdit->text());
    m_choices.format = m_ui->waveButton->isChecked() ? AudioFormat::Wave : AudioFormat::Flac;
    m_choices.flacLevel = static_cast<unsigned>(m_ui->levelSpin->value());
    m_choices.secure = m_ui->secureCheck->isChecked();
    m_choices.readOffset = m_ui->offsetSpin->value();
}

void CRipDiscDlg::UpdateExample()
{
    CollectChoices();
    m_ui->exampleText->setText(FromStd(ExampleFileName(m_choices)));
}

void CRipDiscDlg::accept()
{
    CollectChoices();
    switch (CheckRipChoices(m_choices)) {
    case RipChoiceProblem::NoTrack: ShowMessage(res::IDS_RIP_NO_TRACK); return;
    case RipChoiceProblem::NoFolder:
        ShowMessage(res::IDS_RIP_NO_FOLDER);
        m_ui->folderEdit->setFocus();
        return;
    case RipChoiceProblem::None: break;
    }
    QDialog::accept();
}

void CRipDiscDlg::OnBrowse()
{
    const QString folder =
        QFileDialog::getExistingDirectory(this, m_ui->labelFolder->text().remove('&'), m_ui->folderEdit->text());
    if (!folder.isEmpty())
        m_ui->folderEdit->setText(folder);
}

void CRipDiscDlg::OnLookUp()
{
    if (m_lookup.joinable())
        return; // one question at a time
    m_ui->musicBrainzButton->setEnabled(false);
    const std::string server = MusicBrainzServer(m_settings.MusicBrainzServer);
    const std::string discId = MusicBrainzDiscId(m_layout);
    m_lookup = std::thread([this, server, discId] {
        ReleaseInfo release;
        std::string reason;
        const bool found = LookUpMusicBrainzRelease(server, discId, &release, &reason, &m_lookupCancel);
        if (m_lookupCancel.load())
            return;
        QMetaObject::invokeMethod(
            this, [this, found, release, reason] { OnLookUpDone(found, release, reason); }, Qt::QueuedConnection);
    });
}

void CRipDiscDlg::OnLookUpDone(bool found, const ReleaseInfo& release, const std::string& reason)
{
    if (m_lookup.joinable())
        m_lookup.join();
    m_ui->musicBrainzButton->setEnabled(m_bHaveDisc);
    if (!found) {
        ShowMessage(res::IDS_RIP_LOOKUP_FAILED, reason);
        return;
    }
    CollectChoices();
    DiscMetadata metadata = MetadataOfChoices(m_choices);
    ApplyRelease(release, m_layout, &metadata);
    m_choices.album = metadata.album;
    m_choices.albumArtist = metadata.albumArtist;
    m_choices.date = metadata.date;
    for (size_t i = 0; i < m_choices.rows.size() && i < metadata.titles.size(); ++i) {
        m_choices.rows[i].title = metadata.titles[i];
        m_choices.rows[i].artist = metadata.artists[i];
    }
    m_ui->albumEdit->setText(FromStd(m_choices.album));
    m_ui->albumArtistEdit->setText(FromStd(m_choices.albumArtist));
    m_ui->dateEdit->setText(FromStd(m_choices.date));
    m_ui->secureCheck->setChecked(m_choices.secure);
    m_ui->offsetSpin->setValue(m_choices.readOffset);
    FillTrackList();
}
