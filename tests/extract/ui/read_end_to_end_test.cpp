// From the menu to a file on disk: the read commands of the main frame run on a disc image in
// a virtual drive, through the real dialogs, the real drive table and device reads, and the
// document's Save As. What lands in the file is compared with the bytes the image holds.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QTabBar>
#include <QTreeWidget>

#include <gtest/gtest.h>
#include <sndfile.h>

#include "base/app_settings.h"
#include "app/ui/main_frame.h"
#include "cdrom/address.h"
#include "document/ui/ripwell_view.h"
#include "document/ripwell_doc.h"
#include "platform/framework/command_routing.h"
#include "platform/mci/mci.h"
#include "platform/ui/command_actions.h"
#include "platform/ui/dialog_data.h"
#include "player/cd_audio.h"
#include "res/resource.h"
#include "support/disc_builder.h"
#include "support/scoped_environment.h"
#include "support/scripted_desktop.h"
#include "support/scripted_file_dialogs.h"
#include "support/scripted_mci.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_script.h"

using namespace platform;

namespace {

constexpr uint32_t kRawSector = 2352;
constexpr uint32_t kCookedSector = 2048;

// The canonical header of CD audio (44100 Hz, 16 bits, stereo) in front of dataBytes bytes,
// written out field by field.
std::vector<uint8_t> CdAudioHeader(uint32_t dataBytes)
{
    std::vector<uint8_t> header;
    auto text = [&](const char* four) { header.insert(header.end(), four, four + 4); };
    auto number = [&](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            header.push_back(static_cast<uint8_t>(value >> (8 * i)));
    };
    text("RIFF");
    number(36 + dataBytes, 4);
    text("WAVE");
    text("fmt ");
    number(16, 4);
    number(1, 2);      // PCM
    number(2, 2);      // channels
    number(44100, 4);  // samples a second
    number(176400, 4); // bytes a second
    number(4, 2);      // bytes a sample frame
    number(16, 2);     // bits a sample
    text("data");
    number(dataBytes, 4);
    return header;
}

std::vector<uint8_t> FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Records the size text of every "Working..." dialog as it is shown, and how many desktop
// events had come before it.
class ProgressWatcher : public QObject {
public:
    explicit ProgressWatcher(const ScriptedDesktop& desktop) : m_desktop(desktop) { qApp->installEventFilter(this); }
    ~ProgressWatcher() override { qApp->removeEventFilter(this); }
    const std::vector<QString>& SizeTexts() const { return m_sizes; }
    size_t EventsBeforeLastRead() const { return m_eventsBefore; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (event->type() == QEvent::Show && dialog && dialog->windowTitle() == "Working...") {
            auto* size = GetDlgControl<QLabel>(dialog, res::progress::IDC_RANGE_SIZE);
            m_sizes.push_back(size ? size->text() : QString("(no size label)"));
            m_eventsBefore = m_desktop.Events().size();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const ScriptedDesktop& m_desktop;
    std::vector<QString> m_sizes;
    size_t m_eventsBefore = 0;
};

uint32_t PackedPosition(uint32_t sector)
{
    uint8_t minute = 0, second = 0, frame = 0;
    SectorToMsf(sector, &minute, &second, &frame);
    return MCI_MAKE_MSF(minute, second, frame);
}

uint32_t PackedLength(uint32_t sectors)
{
    return MCI_MAKE_MSF(static_cast<uint8_t>(sectors / 4500), static_cast<uint8_t>(sectors / 75 % 60),
                        static_cast<uint8_t>(sectors % 75));
}

// Two audio tracks (900 sectors; 700 after a pregap of 150) and a data track after a pregap of
// 150, in the layout of the test's parameter, in drive E:. The main frame shows an empty
// document; settings, title file and drive table live in the test's folder.
class ReadEndToEndTest : public ::testing::TestWithParam<mkdisc::Layout> {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(m_dir.path() / "config");
        std::filesystem::create_directories(m_dir.path() / "disc");
        std::string reason;
        mkdisc::DiscPlan plan = AudioDiscPlan({900, 700}, mkdisc::AudioContent::Counter, {150});
        ASSERT_TRUE(AddDataTrack(&plan, m_dir.file("scratch"), {{"README.TXT", "Read me.\n"}}, 150, &reason)) << reason;
        ASSERT_TRUE(BuildDisc(plan, GetParam(), m_dir.file("disc"), "mixed", &m_disc, &reason)) << reason;
        m_drives.emplace("RIPWELL_DRIVES", ("E=" + m_disc.sheet).c_str());

        m_settings.DefaultCDROMDrive = 'E';
        m_doc.OnNewDocument();
        m_doc.SetTitle("Untitled");
        ASSERT_TRUE(m_frame.Create(&m_doc, m_settings, &m_app));
        m_frame.show();
    }

    // Chooses a menu entry as the user does.
    void Choose(const char* menu, int command)
    {
        QMenu* found = m_frame.Menu(menu);
        ASSERT_NE(found, nullptr) << menu;
        for (QAction* action : found->actions()) {
            if (framework::CommandActions::CommandOf(action) == command) {
                action->trigger();
                return;
            }
        }
        FAIL() << "no entry " << command << " in " << menu;
    }

    // File > Save As, answered with the name; the name the dialog proposed.
    std::string SaveAs(const std::string& name)
    {
        m_dialogs.ChooseNext(m_dir.file(name));
        const size_t before = m_dialogs.Requests().size();
        Choose("File", res::ID_FILE_SAVE_AS);
        if (m_dialogs.Requests().size() != before + 1)
            return "(no save dialog)";
        return m_dialogs.Requests().back().fileName;
    }

    // The saved file is the canonical CD audio header and the raw sectors first..last.
    void ExpectWaveFileOf(const std::string& name, uint32_t first, uint32_t last)
    {
        const uint32_t dataBytes = (last - first + 1) * kRawSector;
        std::vector<uint8_t> expected = CdAudioHeader(dataBytes);
        std::vector<uint8_t> sectors = m_disc.Expected(first, last - first + 1);
        expected.insert(expected.end(), sectors.begin(), sectors.end());
        std::vector<uint8_t> saved = FileBytes(m_dir.file(name));
        ASSERT_EQ(saved.size(), expected.size());
        EXPECT_TRUE(std::equal(saved.begin(), saved.begin() + 44, expected.begin())) << "header";
        EXPECT_TRUE(saved == expected) << "data";

        // Another reader takes it as CD audio of the same length.
        SF_INFO info{};
        SNDFILE* file = sf_open(m_dir.file(name).c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
        EXPECT_EQ(info.samplerate, 44100);
        EXPECT_EQ(info.channels, 2);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        EXPECT_EQ(info.frames, static_cast<sf_count_t>(dataBytes / 4));
        sf_close(file);
    }

    // Reads the whole track at the row from the track list and saves it; the list must show the
    // disc's three tracks.
    void ReadTrackAndSave(int row, const std::string& fileName)
    {
        m_settings.ReadAudio.DialogTabPage = 0;
        int rows = -1;
        DialogScript script({[&](QWidget* window) {
            auto* list = GetDlgControl<QTreeWidget>(window, res::read_audio::IDC_TRACK_LIST);
            rows = list->topLevelItemCount();
            if (rows > row)
                list->topLevelItem(row)->setSelected(true);
            PressButton(window, res::IDOK);
        }});
        m_desktop.AnswerNext(IDOK); // the whole-track confirmation
        Choose("Tools", res::ID_READ_CDDA);
        ASSERT_EQ(rows, 3);
        SaveAs(fileName);
    }

    // The texts of the boxes shown since the last read began: none after a read that worked.
    std::vector<std::string> BoxesSinceTheRead() const
    {
        std::vector<std::string> texts;
        const auto& events = m_desktop.Events();
        for (size_t i = m_progress.EventsBeforeLastRead(); i < events.size(); ++i)
            if (events[i].IsBox())
                texts.push_back(events[i].text);
        return texts;
    }

    uint32_t TrackStart(int track) const { return mkdisc::TrackStart(m_disc.plan, track); }

    TempDir m_dir;
    ScopedEnvironment m_config{"XDG_CONFIG_HOME", (m_dir.path() / "config").c_str()};
    std::optional<ScopedEnvironment> m_drives;
    AppSettings m_settings;
    BuiltDisc m_disc;
    ScriptedDesktop m_desktop;
    ScriptedFileDialogs m_dialogs;
    ProgressWatcher m_progress{m_desktop};
    CRipwellDoc m_doc;
    framework::CommandMap m_app;
    CMainFrame m_frame;
};

} // namespace

TEST_P(ReadEndToEndTest, SectorRangeOfTheHighSierraPageIsSavedAsWave)
{
    // Fresh settings open page 2 with 600 and 1350, a range across track 1, the pregap of
    // track 2 and into it.
    m_settings.ReadAudio.DialogTabPage = 2;
    QString shown;
    DialogScript script({[&](QWidget* window) {
        shown = GetDlgItemText(window, res::read_audio::IDC_START_SECTOR) + "-" +
            GetDlgItemText(window, res::read_audio::IDC_END_SECTOR);
        PressButton(window, res::IDOK);
    }});
    Choose("Tools", res::ID_READ_CDDA);
    EXPECT_EQ(script.Shown(), 1);
    EXPECT_EQ(shown, "600-1350");
    ASSERT_EQ(m_progress.SizeTexts().size(), 1u);
    EXPECT_EQ(m_progress.SizeTexts()[0], "(1.7 MB)");
    EXPECT_EQ(m_doc.m_nDataLength, 1766352u);
    EXPECT_TRUE(m_doc.m_bIsSound);
    EXPECT_EQ(m_doc.GetTitle(), "Untitled");
    EXPECT_TRUE(m_doc.IsModified());
    // The view shows the data from its first byte: sample 600 x 588 of the disc, in track 1.
    EXPECT_TRUE(m_frame.View()->VisibleLineText(0).startsWith("00000000  20 62 05 01 21 62 05 01 "))
        << m_frame.View()->VisibleLineText(0).toStdString();

    EXPECT_EQ(SaveAs("range.wav"), "Untitled.wav");
    ExpectWaveFileOf("range.wav", 600, 1350);
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_EQ(m_doc.GetPathName(), m_dir.file("range.wav"));
    EXPECT_EQ(BoxesSinceTheRead(), std::vector<std::string>{});

    // first = last reads one sector, and the next Save As replaces the file.
    DialogScript again({[&](QWidget* window) {
        SetField(window, res::read_audio::IDC_START_SECTOR, "1899");
        SetField(window, res::read_audio::IDC_END_SECTOR, "1899");
        PressButton(window, res::IDOK);
    }});
    Choose("Tools", res::ID_READ_CDDA);
    EXPECT_EQ(m_progress.SizeTexts().back(), "(2.3 KB)");
    EXPECT_EQ(m_doc.m_nDataLength, kRawSector);
    EXPECT_EQ(BoxesSinceTheRead(), std::vector<std::string>{});
    SaveAs("range.wav");
    ExpectWaveFileOf("range.wav", 1899, 1899);
}

TEST_P(ReadEndToEndTest, WholeTrackFromTheListIsSavedAsWave)
{
    // A drive whose table of contents is that of the image, as the CD audio driver gives it.
    ScriptedMci mci;
    mci.Answer(MCI_INFO, {0, 0, "305419896"});
    mci.AnswerStatus(MCI_STATUS_MEDIA_PRESENT, {0, 1, ""});
    mci.AnswerStatus(MCI_STATUS_NUMBER_OF_TRACKS, {0, 3, ""});
    mci.AnswerStatus(MCI_STATUS_MODE, {0, MCI_MODE_STOP, ""});
    const uint32_t ends[] = {TrackStart(2), TrackStart(3), mkdisc::DiscSectors(m_disc.plan)};
    for (uint32_t track = 1; track <= 3; ++track) {
        const uint32_t start = TrackStart(static_cast<int>(track));
        mci.AnswerStatus(MCI_STATUS_POSITION, track, {0, PackedPosition(start), ""});
        mci.AnswerStatus(MCI_STATUS_LENGTH, track, {0, PackedLength(ends[track - 1] - start), ""});
        mci.AnswerStatus(MCI_CDA_STATUS_TYPE_TRACK, track,
                         {0, track == 3 ? MCI_CDA_TRACK_OTHER : MCI_CDA_TRACK_AUDIO, ""});
    }

    // Track 2 runs from its first sector after the pregap up to the data track's pregap.
    ReadTrackAndSave(1, "track.wav");
    ASSERT_FALSE(m_desktop.Boxes().empty());
    EXPECT_EQ(m_desktop.Boxes()[0].text, "This will copy the whole track 2\n'Track 02' (1.9 MB).");
    ASSERT_EQ(m_progress.SizeTexts().size(), 1u);
    EXPECT_EQ(m_progress.SizeTexts()[0], "(1.9 MB)");
    EXPECT_EQ(BoxesSinceTheRead(), std::vector<std::string>{});
    EXPECT_EQ(m_doc.GetTitle(), "track.wav");
    ExpectWaveFileOf("track.wav", 1050, 1899);
    EXPECT_EQ(m_dialogs.Requests().back().fileName, "Track 02.wav");
}

TEST_P(ReadEndToEndTest, WholeTrackOnTheImageDrivesOwnTableOfContents)
{
    // The CD audio driver of the image drive, without a double.
    CCDAudio probe;
    ASSERT_TRUE(probe.Open('E'));
    const bool discReported = probe.IsMediaPresent() != 0;
    probe.Close();
    if (!discReported)
        GTEST_SKIP() << "the CD audio unit of disc images reports no disc";
    m_desktop.Clear();

    ReadTrackAndSave(0, "first.wav");
    ASSERT_EQ(m_progress.SizeTexts().size(), 1u);
    ExpectWaveFileOf("first.wav", 0, TrackStart(2) - 1);
    ASSERT_FALSE(m_desktop.Boxes().empty());
    EXPECT_EQ(m_desktop.Boxes()[0].text.rfind("This will copy the whole track 1\n'Track 01' (", 0), 0u)
        << m_desktop.Boxes()[0].text;
}

TEST_P(ReadEndToEndTest, DataTrackReadCookedIsSavedAsRawFile)
{
    const uint32_t first = TrackStart(3);
    const uint32_t blocks = static_cast<uint32_t>(m_disc.plan.volume.size() / kCookedSector);
    const std::string range[] = {std::to_string(first), std::to_string(first + blocks - 1)};
    std::vector<QString> shown;
    DialogScript script({[&](QWidget* window) {
        shown.push_back(GetDlgItemText(window, res::read_cooked::IDC_FIRST_SECTOR) + "-" +
                        GetDlgItemText(window, res::read_cooked::IDC_LAST_SECTOR));
        SetField(window, res::read_cooked::IDC_FIRST_SECTOR, range[0].c_str());
        SetField(window, res::read_cooked::IDC_LAST_SECTOR, range[1].c_str());
        PressButton(window, res::IDOK);
    }});
    Choose("Tools", res::ID_READ_CDROM);
    EXPECT_EQ(m_doc.m_nDataLength, m_disc.plan.volume.size());
    EXPECT_FALSE(m_doc.m_bIsSound);
    EXPECT_TRUE(m_doc.IsModified());

    // Raw data is proposed without the wave extension and saved without a header.
    EXPECT_EQ(SaveAs("volume.iso"), "Untitled");
    EXPECT_TRUE(FileBytes(m_dir.file("volume.iso")) == m_disc.plan.volume);

    // The dialog opens with 16 and 256 again; Cancel leaves the document alone.
    DialogScript again({[&](QWidget* window) {
        shown.push_back(GetDlgItemText(window, res::read_cooked::IDC_FIRST_SECTOR) + "-" +
                        GetDlgItemText(window, res::read_cooked::IDC_LAST_SECTOR));
        PressButton(window, res::IDCANCEL);
    }});
    Choose("Tools", res::ID_READ_CDROM);
    EXPECT_EQ(shown, (std::vector<QString>{"16-256", "16-256"}));
    EXPECT_EQ(m_doc.m_nDataLength, m_disc.plan.volume.size());
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_TRUE(m_desktop.Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Layouts, ReadEndToEndTest,
                         ::testing::Values(mkdisc::Layout::SingleBin, mkdisc::Layout::BinPerTrack,
                                           mkdisc::Layout::WavePerTrack, mkdisc::Layout::FlacPerTrack,
                                           mkdisc::Layout::CdrdaoToc, mkdisc::Layout::Nero),
                         [](const ::testing::TestParamInfo<mkdisc::Layout>& layout) {
                             switch (layout.param) {
                             case mkdisc::Layout::SingleBin: return std::string("SingleBin");
                             case mkdisc::Layout::BinPerTrack: return std::string("BinPerTrack");
                             case mkdisc::Layout::WavePerTrack: return std::string("WavePerTrack");
                             case mkdisc::Layout::FlacPerTrack: return std::string("FlacPerTrack");
                             case mkdisc::Layout::CdrdaoToc: return std::string("CdrdaoToc");
                             case mkdisc::Layout::CdrdaoTocPerTrack: return std::string("CdrdaoTocPerTrack");
                             case mkdisc::Layout::Nero: return std::string("Nero");
                             }
                             return std::string("Unknown");
                         });
