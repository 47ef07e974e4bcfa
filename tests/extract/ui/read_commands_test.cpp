#include "extract/ui/read_commands.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QTimer>
#include <QLineEdit>
#include <QTabBar>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "base/app_settings.h"
#include "extract/crc32.h"
#include "platform/cdrom/cdrom_device.h"
#include "document/ripwell_doc.h"
#include "platform/ui/dialog_data.h"
#include "res/resource.h"
#include "support/scoped_environment.h"
#include "support/scripted_desktop.h"
#include "support/scripted_drive.h"
#include "support/scripted_mci.h"
#include "support/simulated_drive.h"
#include "support/disc_builder.h"
#include "support/ui/dialog_script.h"
#include "support/temp_dir.h"

using namespace platform;

namespace {

uint32_t Packed(uint8_t minute, uint8_t second, uint8_t frame) { return minute | (second << 8) | (frame << 16); }

class ReadCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_settings.DefaultCDROMDrive = 'D';
        m_settings.DoJitterCorrection = 0;
        m_mci.Answer(MCI_INFO, {0, 0, "12345"});
        m_mci.AnswerStatus(MCI_STATUS_MEDIA_PRESENT, {0, 1, ""});
        m_mci.AnswerStatus(MCI_STATUS_NUMBER_OF_TRACKS, {0, 2, ""});
        m_mci.AnswerStatus(MCI_STATUS_MODE, {0, MCI_MODE_STOP, ""});
        // Track 1: sectors 0..999 audio; track 2: 1000..1499 data.
        m_mci.AnswerStatus(MCI_STATUS_POSITION, 1, {0, Packed(0, 2, 0), ""});
        m_mci.AnswerStatus(MCI_STATUS_LENGTH, 1, {0, Packed(0, 13, 25), ""});
        m_mci.AnswerStatus(MCI_CDA_STATUS_TYPE_TRACK, 1, {0, MCI_CDA_TRACK_AUDIO, ""});
        m_mci.AnswerStatus(MCI_STATUS_POSITION, 2, {0, Packed(0, 15, 25), ""});
        m_mci.AnswerStatus(MCI_STATUS_LENGTH, 2, {0, Packed(0, 6, 50), ""});
        m_mci.AnswerStatus(MCI_CDA_STATUS_TYPE_TRACK, 2, {0, MCI_CDA_TRACK_OTHER, ""});
    }

    bool DocumentHolds(const std::vector<uint8_t>& bytes) const
    {
        return m_doc.m_nDataLength == bytes.size() && std::memcmp(m_doc.m_pData, bytes.data(), bytes.size()) == 0;
    }

    TempDir m_dir;
    ScopedEnvironment m_config{"XDG_CONFIG_HOME", m_dir.path().c_str()};
    AppSettings m_settings;
    ScriptedDesktop m_desktop;
    ScriptedMci m_mci;
    ScriptedDrive m_drive{'D', 1500};
    CRipwellDoc m_doc;
};

} // namespace

TEST_F(ReadCommandsTest, SectorRangeIsReadAsRawAudioAndTheChoicesAreKept)
{
    m_settings.ReadAudio.DialogTabPage = 7; // out of range: opens on the first page
    m_settings.ReadAudio.PlayOnlyFirst = 1; // shown in the "Only last" box
    int openedOnPage = -1;
    bool onlyLastShown = false;
    DialogScript script({
        [&](QWidget* window) {
            auto* list = GetDlgControl<QTreeWidget>(window, res::read_audio::IDC_TRACK_LIST);
            openedOnPage = list->isVisibleTo(window) ? 0 : 1;
            onlyLastShown = GetDlgControl<QAbstractButton>(window, res::read_audio::IDC_ONLY_LAST)->isChecked();
            // Page 1 from 00:00:00 lies before sector 0 and is refused.
            GetDlgControl<QTabBar>(window, res::read_audio::IDC_PAGE_TABS)->setCurrentIndex(1);
            SetField(window, res::read_audio::IDC_START_MIN, "0");
            SetField(window, res::read_audio::IDC_START_SEC, "0");
            SetField(window, res::read_audio::IDC_START_FRAME, "0");
            PressButton(window, res::IDOK);
        },
        [&](QWidget* window) {
            GetDlgControl<QTabBar>(window, res::read_audio::IDC_PAGE_TABS)->setCurrentIndex(2);
            GetDlgControl<QAbstractButton>(window, res::read_audio::IDC_ONLY_LAST)->setChecked(false);
            GetDlgControl<QAbstractButton>(window, res::read_audio::IDC_ONLY_FIRST)->setChecked(true);
            PressButton(window, res::IDOK);
        },
    });
    OnReadCdda(&m_doc, m_settings, nullptr);
    EXPECT_EQ(script.Shown(), 2);
    EXPECT_EQ(openedOnPage, 0);
    EXPECT_TRUE(onlyLastShown);
    ASSERT_FALSE(m_desktop.Boxes().empty());
    EXPECT_EQ(m_desktop.Boxes()[0].text,
              "The start sector cannot be greater than the end sector.\nBoth values must not exceed 350000.");
    EXPECT_EQ(m_desktop.Boxes().size(), 1u);
    EXPECT_TRUE(DocumentHolds(m_drive.RawBytes(600, 751)));
    EXPECT_EQ(m_doc.m_nDataLength, 1766352u);
    EXPECT_EQ(m_doc.GetTitle(), "Untitled");
    EXPECT_TRUE(m_doc.IsModified());
    const ReadAudioParams& params = m_settings.ReadAudio;
    EXPECT_EQ(params.DialogTabPage, 2);
    EXPECT_EQ(params.StartingMin, 0);
    EXPECT_EQ(params.PlayOnlyFirst, 0); // the "Only last" box, now unchecked
    EXPECT_EQ(params.PlayOnlyLast, 1);  // the "Only first" box, now checked
}

TEST_F(ReadCommandsTest, WholeTrackIsConfirmedAndADataTrackAskedAbout)
{
    m_settings.ReadAudio.DialogTabPage = 0;
    bool dataTrackStillSelected = false;
    DialogScript script({
        [&](QWidget* window) { PressButton(window, res::IDOK); }, // no track chosen
        [&](QWidget* window) {
            GetDlgControl<QTreeWidget>(window, res::read_audio::IDC_TRACK_LIST)->topLevelItem(1)->setSelected(true);
            PressButton(window, res::IDOK);
        },
        [&](QWidget* window) {
            auto* list = GetDlgControl<QTreeWidget>(window, res::read_audio::IDC_TRACK_LIST);
            dataTrackStillSelected = list->topLevelItem(1)->isSelected();
            list->clearSelection();
            list->topLevelItem(0)->setSelected(true);
            PressButton(window, res::IDOK);
        },
    });
    m_desktop.AnswerNext(IDOK); // "You must choose a track first."
    m_desktop.AnswerNext(IDOK); // whole track 2
    m_desktop.AnswerNext(IDNO); // ... it is a data track
    m_desktop.AnswerNext(IDOK); // whole track 1
    OnReadCdda(&m_doc, m_settings, nullptr);
    EXPECT_EQ(script.Shown(), 3);
    EXPECT_TRUE(dataTrackStillSelected);
    std::vector<std::string> transcript = m_desktop.Transcript();
    ASSERT_GE(m_desktop.Boxes().size(), 4u);
    EXPECT_EQ(m_desktop.Boxes()[0].text, "You must choose a track first.");
    EXPECT_EQ(m_desktop.Boxes()[0].Icon(), MB_ICONINFORMATION);
    EXPECT_EQ(m_desktop.Boxes()[1].text, "This will copy the whole track 2\n'Track 02' (1.1 MB).");
    EXPECT_EQ(m_desktop.Boxes()[1].Buttons(), MB_OKCANCEL);
    EXPECT_EQ(m_desktop.Boxes()[2].DefaultButton(), MB_DEFBUTTON2);
    EXPECT_EQ(m_desktop.Boxes()[2].Icon(), MB_ICONQUESTION);
    EXPECT_EQ(m_desktop.Boxes()[3].text, "This will copy the whole track 1\n'Track 01' (2.2 MB).");
    EXPECT_TRUE(DocumentHolds(m_drive.RawBytes(0, 1000)));
    EXPECT_EQ(m_doc.GetTitle(), "Track 01");
}

TEST_F(ReadCommandsTest, CdromReadOpensWith16And256AndReportsFailures)
{
    QString shown;
    DialogScript script({
        [&](QWidget* window) {
            shown = GetDlgItemText(window, res::read_cooked::IDC_FIRST_SECTOR) + "-" +
                GetDlgItemText(window, res::read_cooked::IDC_LAST_SECTOR);
            SetField(window, res::read_cooked::IDC_FIRST_SECTOR, "300");
            PressButton(window, res::IDOK); // 300 > 256: the range message, back to the dialog
        },
        [&](QWidget* window) {
            SetField(window, res::read_cooked::IDC_FIRST_SECTOR, "100");
            PressButton(window, res::IDOK);
        },
    });
    OnReadCdrom(&m_doc, m_settings, nullptr);
    EXPECT_EQ(shown, "16-256");
    EXPECT_TRUE(DocumentHolds(m_drive.CookedBytes(100, 157)));
    EXPECT_TRUE(m_doc.IsModified());

    // A failing drive: the error is reported, the document is left empty and unmodified.
    m_drive.FailReadAt(20);
    m_desktop.Clear();
    m_doc.SetModifiedFlag(false);
    DialogScript again({[&](QWidget* window) {
        shown = GetDlgItemText(window, res::read_cooked::IDC_FIRST_SECTOR) + "-" +
            GetDlgItemText(window, res::read_cooked::IDC_LAST_SECTOR);
        PressButton(window, res::IDOK);
    }});
    OnReadCdrom(&m_doc, m_settings, nullptr);
    EXPECT_EQ(shown, "16-256");
    EXPECT_EQ(m_doc.m_nDataLength, 0u);
    EXPECT_FALSE(m_doc.IsModified());
    ASSERT_FALSE(m_desktop.Boxes().empty());
    EXPECT_EQ(m_desktop.Boxes().back().text, "Read fault.");
    const auto& events = m_desktop.Events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_TRUE(events[events.size() - 2].IsSound(res::SOUND_ERROR));
}

TEST_F(ReadCommandsTest, SecureReadsEndWithTheirChecksumsOrTheSuspiciousPositions)
{
    SimulatedDrive drive('D', 1500);
    drive.SetIdentity("PLEXTOR", "PX-W4824A", "1.07");
    drive.SetReadOffset(30);
    drive.SetOverread(false, true);
    m_settings.SecureMode = 1;
    m_settings.DoJitterCorrection = 1; // does not take part
    m_settings.ReadOffset = -12;       // for other drives
    m_settings.DriveReadOffsets = "PLEXTOR PX-W4824A=+30";
    const auto readSectors = [](uint32_t first, uint32_t last) {
        return DialogScript({[first, last](QWidget* window) {
            GetDlgControl<QTabBar>(window, res::read_audio::IDC_PAGE_TABS)->setCurrentIndex(2);
            SetField(window, res::read_audio::IDC_START_SECTOR, std::to_string(first).c_str());
            SetField(window, res::read_audio::IDC_END_SECTOR, std::to_string(last).c_str());
            PressButton(window, res::IDOK);
        }});
    };
    {
        DialogScript script = readSectors(600, 700);
        OnReadCdda(&m_doc, m_settings, nullptr);
    }
    // The drive's own offset was applied: the disc's samples, proven, and the checksums said.
    const std::vector<uint8_t> disc = drive.DiscBytes(600, 101);
    EXPECT_TRUE(DocumentHolds(disc));
    EXPECT_TRUE(m_doc.IsModified());
    char expected[128];
    const uint32_t crc = Crc32(disc.data(), disc.size());
    std::snprintf(expected, sizeof expected, "Everything went OK.\n\nTest CRC32: %08X\nCopy CRC32: %08X", crc, crc);
    ASSERT_EQ(m_desktop.Boxes().size(), 1u);
    EXPECT_EQ(m_desktop.Boxes()[0].text, expected);
    EXPECT_EQ(m_desktop.Boxes()[0].Icon(), MB_ICONINFORMATION);
    EXPECT_EQ(m_desktop.Transcript().back(), std::string("box ") + expected); // no sound before it

    // Sectors that never read the same twice: the error sound and a warning that lists them; the
    // data is kept.
    drive.SetScratches({650, 651}, 1, 3);
    m_doc.SetModifiedFlag(false);
    m_desktop.Clear();
    {
        DialogScript script = readSectors(600, 700);
        OnReadCdda(&m_doc, m_settings, nullptr);
    }
    EXPECT_EQ(m_doc.m_nDataLength, 101u * 2352);
    ASSERT_EQ(m_desktop.Boxes().size(), 1u);
    const DesktopEvent box = m_desktop.Boxes()[0];
    const std::vector<std::string> transcript = m_desktop.Transcript();
    ASSERT_GE(transcript.size(), 2u) << transcript.back();
    EXPECT_EQ(transcript[transcript.size() - 2], std::string("sound ") + res::SOUND_ERROR) << box.text;
    EXPECT_EQ(box.Icon(), MB_ICONEXCLAMATION);
    EXPECT_EQ(box.text.find("Everything went OK."), std::string::npos);
    EXPECT_NE(box.text.find("Suspicious positions:\n00:10:50 (sector 650)\n00:10:51 (sector 651)"), std::string::npos)
        << box.text;
    EXPECT_EQ(box.text.find("Test CRC32: "), box.text.find("\n\n") + 2);

    // With secure mode off, the same command reads as it always did: no message after a read.
    m_settings.SecureMode = 0;
    drive.SetScratches({}, 1, 1);
    m_doc.SetModifiedFlag(false);
    m_desktop.Clear();
    {
        DialogScript script = readSectors(600, 700);
        OnReadCdda(&m_doc, m_settings, nullptr);
    }
    EXPECT_TRUE(m_desktop.Boxes().empty());
    EXPECT_EQ(m_doc.m_nDataLength, 101u * 2352);
}

TEST_F(ReadCommandsTest, TheReadOffsetIsKeptForTheDrivesModelOrForAllOthers)
{
    SimulatedDrive drive('D', 1500);
    drive.SetIdentity("PIONEER", "DVD-RW  DVR-111D", "1.23");
    QString label;
    const auto answer = [&label](int value) {
        QTimer::singleShot(0, [&label, value] {
            auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            label = box->labelText();
            box->setIntValue(value);
            box->accept();
        });
    };
    answer(-1164);
    OnReadOffset(m_settings, nullptr);
    EXPECT_TRUE(label.contains("PIONEER DVD-RW  DVR-111D"));
    EXPECT_EQ(m_settings.DriveReadOffsets, "PIONEER DVD-RW  DVR-111D=-1164");
    EXPECT_EQ(m_settings.ReadOffset, 0);

    // A drive that names no model (a disc image) sets the value of all such drives.
    TempDir folder;
    BuiltDisc disc;
    std::string reason;
    ASSERT_TRUE(
        BuildDisc(AudioDiscPlan({300}), mkdisc::Layout::SingleBin, folder.path().string(), "disc", &disc, &reason));
    ScopedEnvironment drives("RIPWELL_DRIVES", ("E=" + disc.sheet).c_str());
    SetCdromDeviceService(nullptr);
    m_settings.DefaultCDROMDrive = 'E';
    answer(6000); // beyond the range: the box keeps it to 5000
    OnReadOffset(m_settings, nullptr);
    EXPECT_FALSE(label.contains("PIONEER"));
    EXPECT_EQ(m_settings.ReadOffset, 5000);
    EXPECT_EQ(m_settings.DriveReadOffsets, "PIONEER DVD-RW  DVR-111D=-1164");
}
