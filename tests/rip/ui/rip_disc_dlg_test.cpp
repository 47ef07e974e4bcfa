// The Rip Disc dialog over a disc image in a virtual drive: what it shows of the disc and the
// settings, the file name the pattern gives, and what Rip refuses.
#include "rip/ui/rip_disc_dlg.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "base/app_settings.h"
#include "platform/ui/dialog_data.h"
#include "res/resource.h"
#include "support/disc_builder.h"
#include "support/scoped_environment.h"
#include "support/scripted_desktop.h"
#include "support/scripted_drive_table.h"
#include "support/temp_dir.h"

namespace {

class RipDiscDlgTest : public testing::Test {
protected:
    void SetUp() override
    {
        mkdisc::DiscPlan plan = AudioDiscPlan({300, 450}, mkdisc::AudioContent::Music, {30});
        std::string reason;
        ASSERT_TRUE(AddDataTrack(&plan, m_dir.path().string(), {{"readme.txt", "data"}}, 150, &reason)) << reason;
        ASSERT_TRUE(
            BuildDisc(std::move(plan), mkdisc::Layout::SingleBin, m_dir.path().string(), "disc", &m_disc, &reason))
            << reason;
        m_drives.Set({{'C', platform::DriveEntry::Kind::FixedDisk, "/"},
                      {'E', platform::DriveEntry::Kind::DiscImage, m_disc.sheet}});
        m_settings.DefaultCDROMDrive = 'E';
        m_settings.RipFolder = (m_dir.path() / "music").string();
    }

    QTreeWidget* Tracks(const QWidget& dialog) const
    {
        return GetDlgControl<QTreeWidget>(&dialog, res::rip_disc::IDC_TRACK_LIST);
    }

    TempDir m_dir;
    ScopedEnvironment m_config{"XDG_CONFIG_HOME", m_dir.path().c_str()};
    ScriptedDriveTable m_drives;
    ScriptedDesktop m_desktop;
    BuiltDisc m_disc;
    AppSettings m_settings;
};

} // namespace

TEST_F(RipDiscDlgTest, ShowsTheDiscTheSettingsAndTheFileNameThePatternGives)
{
    m_settings.SecureMode = 1;
    m_settings.ReadOffset = 48; // the image's drive names no model: the general offset
    m_settings.RipFileNamePattern = "%n %r - %t";
    CRipDiscDlg dialog(m_settings);
    ASSERT_TRUE(dialog.HasDisc());

    QTreeWidget* tracks = Tracks(dialog);
    ASSERT_NE(tracks, nullptr);
    ASSERT_EQ(tracks->topLevelItemCount(), 3);
    EXPECT_EQ(tracks->topLevelItem(0)->checkState(0), Qt::Checked);
    EXPECT_EQ(tracks->topLevelItem(1)->text(1), "Track 02");
    EXPECT_EQ(tracks->topLevelItem(0)->text(3), "0:04");                // 300 sectors and track 2's 30-sector gap
    EXPECT_FALSE(tracks->topLevelItem(2)->flags() & Qt::ItemIsEnabled); // the data track
    EXPECT_TRUE(GetDlgControl<QCheckBox>(&dialog, res::rip_disc::IDC_SECURE)->isChecked());
    EXPECT_EQ(GetDlgControl<QSpinBox>(&dialog, res::rip_disc::IDC_READ_OFFSET)->value(), 48);

    // Characters a file system refuses are replaced in the example as in the files.
    GetDlgControl<QLineEdit>(&dialog, res::rip_disc::IDC_ALBUM_ARTIST)->setText("AC/DC");
    tracks->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    tracks->topLevelItem(1)->setText(1, "What? \"Now\"");
    EXPECT_EQ(GetDlgItemText(&dialog, res::rip_disc::IDC_EXAMPLE), "02 AC_DC - What_ _Now_.flac");

    dialog.accept();
    EXPECT_TRUE(m_desktop.Boxes().empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(dialog.m_choices.rows.size(), 3u);
    EXPECT_FALSE(dialog.m_choices.rows[0].checked);
    EXPECT_EQ(dialog.m_choices.rows[1].title, "What? \"Now\"");
    EXPECT_FALSE(dialog.m_choices.rows[2].checked);
    EXPECT_TRUE(dialog.m_choices.secure);
    EXPECT_EQ(dialog.m_choices.readOffset, 48);
    EXPECT_EQ(dialog.m_choices.folder, m_settings.RipFolder);
}

TEST_F(RipDiscDlgTest, RipIsRefusedWithoutATrackOrAFolderAndWithoutADisc)
{
    CRipDiscDlg dialog(m_settings);
    QTreeWidget* tracks = Tracks(dialog);
    ASSERT_NE(tracks, nullptr);
    for (int i = 0; i < 2; ++i)
        tracks->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
    dialog.accept();
    ASSERT_EQ(m_desktop.Boxes().size(), 1u);
    EXPECT_EQ(m_desktop.Boxes()[0].text, "Check at least one audio track to rip.");
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    tracks->topLevelItem(1)->setCheckState(0, Qt::Checked);
    GetDlgControl<QLineEdit>(&dialog, res::rip_disc::IDC_FOLDER)->setText("  ");
    dialog.accept();
    ASSERT_EQ(m_desktop.Boxes().size(), 2u);
    EXPECT_EQ(m_desktop.Boxes()[1].text, "Choose the folder the files are written to.");
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    // The image goes away: the dialog says why and offers no Rip.
    m_drives.Set({{'C', platform::DriveEntry::Kind::FixedDisk, "/"},
                  {'E', platform::DriveEntry::Kind::DiscImage, (m_dir.path() / "gone.cue").string()}});
    dialog.LoadDisc('E');
    EXPECT_FALSE(dialog.HasDisc());
    EXPECT_FALSE(GetDlgItemText(&dialog, res::rip_disc::IDC_DISC_STATUS).isEmpty());
    EXPECT_EQ(tracks->topLevelItemCount(), 0);
}
