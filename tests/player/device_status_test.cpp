// What the device status dialog shows, gathered through the real device layer and CD audio
// driver from disc images written by mkdisc, and through the scripted MCI service for the
// driver's failures: the values, "n/a" where one cannot be had, and the order of the questions.
#include "player/device_status.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/cdrom/disc.h"
#include "platform/mci/cd_audio_unit.h"
#include "res/resource.h"
#include "support/disc_builder.h"
#include "support/scripted_desktop.h"
#include "support/scripted_drive.h"
#include "support/scripted_drive_table.h"
#include "support/scripted_mci.h"
#include "support/temp_dir.h"

using namespace platform;

namespace {

using Kind = DriveEntry::Kind;
using Fields = std::map<int, std::string>;

// The fields as shown, and the order in which they were shown.
struct Shown {
    Fields fields;
    std::vector<int> order;
};

Shown Gather(char letter, std::vector<std::string>* log = nullptr)
{
    Shown shown;
    GatherDeviceStatus(letter, [&](int control, const std::string& text) {
        EXPECT_EQ(shown.fields.count(control), 0u) << "shown twice: " << control;
        shown.fields[control] = text;
        shown.order.push_back(control);
        if (log)
            log->push_back("field " + std::to_string(control) + " " + text);
    });
    return shown;
}

// The identity and length the dialog must show for an image, from its table of contents.
void ExpectedFromImage(const std::string& sheet, std::string* identity, std::string* length)
{
    std::string reason;
    auto disc = cdrom::OpenDisc(sheet, cdrom::SourceKind::ImageFile, &reason);
    ASSERT_TRUE(disc) << reason;
    const cdrom::TableOfContents& toc = disc->Toc();
    char text[40];
    std::snprintf(text, sizeof text, "%X", DiscIdentity(toc));
    *identity = text;
    const uint32_t frames = toc.leadOut - toc.tracks.front().start;
    std::snprintf(text, sizeof text, "%u min %02u sec %02u frm", frames / 4500, frames % 4500 / 75, frames % 75);
    *length = text;
}

} // namespace

TEST(DeviceStatus, TotalTimeIsMinutesSecondsAndFramesOfThePackedLength)
{
    auto packed = [](uint32_t minute, uint32_t second, uint32_t frame) { return minute | second << 8 | frame << 16; };
    EXPECT_EQ(FormatTotalTime(packed(74, 33, 12)), "74 min 33 sec 12 frm");
    EXPECT_EQ(FormatTotalTime(packed(0, 5, 3)), "0 min 05 sec 03 frm");
    EXPECT_EQ(FormatTotalTime(packed(255, 59, 74)), "255 min 59 sec 74 frm");
    EXPECT_EQ(FormatTotalTime(packed(1, 2, 3) | 0xAB000000u), "1 min 02 sec 03 frm"); // the top byte is not part of it
    EXPECT_EQ(FormatTotalTime(0), "n/a");
}

TEST(DeviceStatus, ADataDiscImageShowsEveryValueAndAnAudioOnlyImageHasNoVolume)
{
    TempDir folder;
    std::string reason;
    mkdisc::DiscPlan dataPlan = AudioDiscPlan({300, 225}, mkdisc::AudioContent::Counter, {75});
    dataPlan.catalog = "4006381333931";
    ASSERT_TRUE(AddDataTrack(&dataPlan, folder.path().string(), {{"README.TXT", "status\n"}}, 150, &reason)) << reason;
    BuiltDisc data, audio, noCatalog;
    ASSERT_TRUE(BuildDisc(dataPlan, mkdisc::Layout::SingleBin, folder.path().string(), "data", &data, &reason))
        << reason;
    mkdisc::DiscPlan audioPlan = AudioDiscPlan({4500 * 2 + 75 * 7 + 3, 1000});
    audioPlan.catalog = "0724384960650";
    ASSERT_TRUE(BuildDisc(audioPlan, mkdisc::Layout::SingleBin, folder.path().string(), "audio", &audio, &reason))
        << reason;
    ASSERT_TRUE(BuildDisc(AudioDiscPlan({500}), mkdisc::Layout::CdrdaoToc, folder.path().string(), "plain", &noCatalog,
                          &reason))
        << reason;
    ScriptedDriveTable drives({{'C', Kind::FixedDisk, "/"},
                               {'E', Kind::DiscImage, data.sheet},
                               {'F', Kind::DiscImage, audio.sheet},
                               {'G', Kind::DiscImage, noCatalog.sheet}});
    ScriptedDesktop desktop;

    std::string identity, length;
    ASSERT_NO_FATAL_FAILURE(ExpectedFromImage(data.sheet, &identity, &length));
    const Shown onData = Gather('E');
    EXPECT_EQ(onData.order,
              (std::vector<int>{res::IDC_1036, res::IDC_1037, res::IDC_1038, res::IDC_1039, res::IDC_1040}));
    EXPECT_EQ(onData.fields.at(res::IDC_1038), identity);
    EXPECT_EQ(onData.fields.at(res::IDC_1038).find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(onData.fields.at(res::IDC_1039), "4006381333931");
    EXPECT_EQ(onData.fields.at(res::IDC_1036).find_first_not_of("0123456789"), std::string::npos);
    EXPECT_FALSE(onData.fields.at(res::IDC_1036).empty());
    EXPECT_EQ(onData.fields.at(res::IDC_1037), std::to_string(dataPlan.volume.size() / 2048));
    EXPECT_EQ(onData.fields.at(res::IDC_1040), length);

    ASSERT_NO_FATAL_FAILURE(ExpectedFromImage(audio.sheet, &identity, &length));
    const Shown onAudio = Gather('F');
    EXPECT_EQ(onAudio.fields.at(res::IDC_1037), "n/a");
    EXPECT_EQ(onAudio.fields.at(res::IDC_1038), identity);
    EXPECT_EQ(onAudio.fields.at(res::IDC_1039), "0724384960650");
    EXPECT_EQ(onAudio.fields.at(res::IDC_1040), "2 min 20 sec 28 frm"); // 9528 + 1000 sectors
    EXPECT_EQ(length, "2 min 20 sec 28 frm");
    EXPECT_NE(onAudio.fields.at(res::IDC_1036), "n/a");

    // A disc without a catalogue number: the driver has no UPC, and says nothing about it.
    const Shown onPlain = Gather('G');
    EXPECT_EQ(onPlain.fields.at(res::IDC_1039), "n/a");
    EXPECT_NE(onPlain.fields.at(res::IDC_1038), "n/a");
    EXPECT_EQ(onPlain.fields.at(res::IDC_1040), "0 min 06 sec 50 frm");
    EXPECT_TRUE(desktop.Transcript().empty());
}

TEST(DeviceStatus, ALetterWithNoDriveShowsNAEverywhereAfterTheMciMessage)
{
    ScriptedDriveTable drives({{'C', Kind::FixedDisk, "/"}});
    ScriptedDesktop desktop;
    std::vector<std::string> log;
    desktop.OnBox([&](const DesktopEvent& box) {
        log.push_back("box " + box.text);
        return 0;
    });
    const Shown shown = Gather('Q', &log);
    EXPECT_EQ(log,
              (std::vector<std::string>{"field 1036 n/a", "field 1037 n/a", "box Invalid drive.", "field 1038 n/a",
                                        "field 1039 n/a", "field 1040 n/a"}));
    EXPECT_EQ(desktop.Transcript(), (std::vector<std::string>{"sound T1000", "box Invalid drive."}));

    // No drive letter at all gives the same.
    log.clear();
    Gather(0, &log);
    EXPECT_EQ(log[2], "box Invalid drive.");
    EXPECT_EQ(log.size(), 6u);
}

TEST(DeviceStatus, TheMciQuestionsComeAfterTheDeviceOnesWithFiftyByteBuffersAndTheDeviceIsClosed)
{
    ScriptedDriveTable drives(ScriptedDriveTable::WithCdroms("D")); // an image that is not there: no volume
    ScriptedDrive drive('D', 1000);
    drive.SetMediaChangeCount(3);
    ScriptedMci mci;
    ScriptedDesktop desktop;
    mci.SetNextDeviceId(7);
    mci.AnswerOnce(MCI_INFO, {0, 0, "3735928559"});                                       // identity
    mci.AnswerOnce(MCI_INFO, {0, 0, "012345678901234567890123456789012345678901234567"}); // UPC
    mci.AnswerStatus(MCI_STATUS_LENGTH, {0, 74u | 33u << 8 | 12u << 16, ""});
    const Shown shown = Gather('D');
    EXPECT_EQ(shown.fields.at(res::IDC_1036), "3");
    EXPECT_EQ(shown.fields.at(res::IDC_1037), "n/a");
    EXPECT_EQ(shown.fields.at(res::IDC_1038), "DEADBEEF");
    EXPECT_EQ(shown.fields.at(res::IDC_1039), "012345678901234567890123456789012345678901234567");
    EXPECT_EQ(shown.fields.at(res::IDC_1040), "74 min 33 sec 12 frm");
    ASSERT_FALSE(drive.Requests().empty());
    EXPECT_EQ(drive.Requests().front().kind, ScriptedDrive::Request::Kind::CheckVerify);

    std::vector<uint32_t> messages;
    for (const MciRequest& request : mci.Requests())
        messages.push_back(request.message);
    EXPECT_EQ(messages, (std::vector<uint32_t>{MCI_OPEN, MCI_SET, MCI_INFO, MCI_INFO, MCI_STATUS, MCI_CLOSE}));
    const std::vector<MciRequest> infos = mci.RequestsOf(MCI_INFO);
    EXPECT_EQ(infos[0].flags, MCI_INFO_MEDIA_IDENTITY | MCI_WAIT);
    EXPECT_EQ(infos[1].flags, MCI_INFO_MEDIA_UPC | MCI_WAIT);
    EXPECT_EQ(infos[0].returnSize, 50u);
    EXPECT_EQ(infos[1].returnSize, 50u);
    EXPECT_EQ(mci.Requests().back().device, 7u);
    EXPECT_TRUE(desktop.Transcript().empty());
}

TEST(DeviceStatus, AFailedIdentityIsReportedWhileAFailedUpcOrAZeroLengthIsSilent)
{
    ScriptedDriveTable drives(ScriptedDriveTable::WithCdroms("D"));
    ScriptedDrive drive('D', 1000);
    drive.SetMediaChangeCount(0, false); // no disc: the media check fails
    ScriptedMci mci;
    ScriptedDesktop desktop;
    mci.AnswerOnce(MCI_INFO, {MCIERR_DEVICE_NOT_READY, 0, ""});
    mci.AnswerOnce(MCI_INFO, {MCIERR_DEVICE_NOT_READY, 0, ""});
    mci.SetErrorText(MCIERR_DEVICE_NOT_READY, "The device is not ready.");
    mci.AnswerStatus(MCI_STATUS_LENGTH, {MCIERR_DEVICE_NOT_READY, 0, ""});
    const Shown shown = Gather('D');
    for (int control : {res::IDC_1036, res::IDC_1037, res::IDC_1038, res::IDC_1039, res::IDC_1040})
        EXPECT_EQ(shown.fields.at(control), "n/a") << control;
    // The drive's image does not exist, so the MCI error carries why, as every drive error of an
    // unreadable image does.
    EXPECT_EQ(
        desktop.Transcript(),
        std::vector<std::string>{
            "box The device is not ready.\n\nThe disc image /images/D.cue cannot be read: there is no such file"});

    // A length of 0 from a driver that answers at all is "n/a" too.
    mci.AnswerStatus(MCI_STATUS_LENGTH, {0, 0, ""});
    EXPECT_EQ(Gather('D').fields.at(res::IDC_1040), "n/a");
}
