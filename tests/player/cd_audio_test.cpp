#include "player/cd_audio.h"

#include <cstring>

#include <gtest/gtest.h>

#include "res/resource.h"
#include "support/scripted_desktop.h"
#include "support/scripted_mci.h"

using namespace platform;

namespace {

constexpr MCIDEVICEID kDevice = 7;

class CdAudioTest : public testing::Test {
protected:
    CdAudioTest() { mci.SetNextDeviceId(kDevice); }

    // An object with its device open; the requests of the open are cleared.
    void OpenDevice(CCDAudio& audio)
    {
        ASSERT_TRUE(audio.Open('E'));
        mci.ClearRequests();
    }

    ScriptedDesktop desktop;
    ScriptedMci mci;
};

TEST_F(CdAudioTest, OpenSendsElementAndTypeIdThenSetsMsfFirst)
{
    CCDAudio audio;
    EXPECT_EQ(audio.DeviceId(), 0u);
    ASSERT_TRUE(audio.Open('E'));
    EXPECT_EQ(audio.DeviceId(), kDevice);

    const auto& requests = mci.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].device, 0u);
    EXPECT_EQ(requests[0].message, 0x0803u);
    EXPECT_EQ(requests[0].flags, 0x3302u);
    EXPECT_EQ(requests[0].deviceTypeId, 516u);
    EXPECT_EQ(requests[0].elementName, "E:");
    EXPECT_EQ(requests[1].device, kDevice);
    EXPECT_EQ(requests[1].message, 0x080Du);
    EXPECT_EQ(requests[1].flags, 0x402u);
    EXPECT_EQ(requests[1].timeFormat, MCI_FORMAT_MSF);
    EXPECT_TRUE(desktop.Boxes().empty());

    // The destructor closes the device.
    mci.ClearRequests();
    {
        CCDAudio other('F');
        EXPECT_EQ(mci.Requests().at(0).elementName, "F:");
    }
    ASSERT_EQ(mci.Requests().size(), 3u);
    EXPECT_EQ(mci.Requests()[2].message, 0x0804u);
    EXPECT_EQ(mci.Requests()[2].flags, 0x2u);
    EXPECT_EQ(mci.Requests()[2].device, kDevice);
}

TEST_F(CdAudioTest, FailedOpenIsReportedAndLeavesNoDeviceBehind)
{
    mci.AnswerOnce(MCI_OPEN, MciAnswer{MCIERR_DEVICE_OPEN});
    mci.SetErrorText(MCIERR_DEVICE_OPEN, "Busy.");
    CCDAudio audio;
    EXPECT_FALSE(audio.Open('E'));
    EXPECT_EQ(audio.DeviceId(), 0u);
    ASSERT_EQ(desktop.Boxes().size(), 1u);
    EXPECT_EQ(desktop.Boxes()[0].text, "Busy.");
    EXPECT_EQ(mci.Requests().size(), 1u);

    // A time format the device refuses: the new device is closed again, the error reported.
    mci.ClearRequests();
    mci.AnswerOnce(MCI_SET, MciAnswer{MCIERR_BAD_TIME_FORMAT});
    EXPECT_FALSE(audio.Open('E'));
    EXPECT_EQ(audio.DeviceId(), 0u);
    ASSERT_EQ(mci.Requests().size(), 3u);
    EXPECT_EQ(mci.Requests()[2].message, MCI_CLOSE);
    EXPECT_EQ(mci.Requests()[2].device, kDevice);
    EXPECT_EQ(desktop.Boxes().size(), 2u);
}

TEST_F(CdAudioTest, CloseSendsNothingWithoutDeviceAndKeepsTheIdentifierOnError)
{
    CCDAudio audio;
    EXPECT_TRUE(audio.Close());
    EXPECT_TRUE(mci.Requests().empty());

    OpenDevice(audio);
    mci.AnswerOnce(MCI_CLOSE, MciAnswer{MCIERR_HARDWARE});
    EXPECT_FALSE(audio.Close());
    EXPECT_EQ(audio.DeviceId(), kDevice);
    EXPECT_EQ(desktop.Boxes().size(), 1u);
    EXPECT_TRUE(audio.Close());
    EXPECT_EQ(audio.DeviceId(), 0u);
    EXPECT_EQ(mci.Requests().size(), 2u);
}

TEST_F(CdAudioTest, QueriesSendTheirItemsAndReadTheAnswers)
{
    CCDAudio audio;
    OpenDevice(audio);
    mci.AnswerStatus(MCI_STATUS_MODE, MciAnswer{0, MCI_MODE_PLAY});
    mci.AnswerStatus(MCI_STATUS_NUMBER_OF_TRACKS, MciAnswer{0, 12});
    mci.AnswerStatus(MCI_STATUS_POSITION, 3, MciAnswer{0, MCI_MAKE_MSF(10, 4, 33)});
    mci.AnswerStatus(MCI_STATUS_POSITION, MciAnswer{0, MCI_MAKE_MSF(1, 2, 3)});
    mci.AnswerStatus(MCI_STATUS_LENGTH, 3, MciAnswer{0, MCI_MAKE_MSF(4, 0, 74)});
    mci.AnswerStatus(MCI_CDA_STATUS_TYPE_TRACK, 3, MciAnswer{0, MCI_CDA_TRACK_AUDIO});
    mci.AnswerStatus(MCI_CDA_STATUS_TYPE_TRACK, 4, MciAnswer{0, MCI_CDA_TRACK_OTHER});

    EXPECT_EQ(audio.GetMode(), MCI_MODE_PLAY);
    EXPECT_EQ(audio.GetNumberOfTracks(), 12u);
    EXPECT_EQ(audio.GetTrackPosition(3), MCI_MAKE_MSF(10, 4, 33));
    EXPECT_EQ(audio.GetPosition(), MCI_MAKE_MSF(1, 2, 3));
    EXPECT_EQ(audio.GetTrackLength(3), MCI_MAKE_MSF(4, 0, 74));
    EXPECT_TRUE(audio.IsAudioTrack(3));
    EXPECT_FALSE(audio.IsAudioTrack(4));

    const auto requests = mci.RequestsOf(MCI_STATUS);
    ASSERT_EQ(requests.size(), 7u);
    EXPECT_EQ(requests[0].flags, 0x102u);
    EXPECT_EQ(requests[0].item, 4u);
    EXPECT_EQ(requests[1].item, 3u);
    EXPECT_EQ(requests[2].flags, 0x112u);
    EXPECT_EQ(requests[2].item, 2u);
    EXPECT_EQ(requests[2].track, 3u);
    EXPECT_EQ(requests[3].flags, 0x102u);
    EXPECT_EQ(requests[4].flags, 0x112u);
    EXPECT_EQ(requests[4].item, 1u);
    EXPECT_EQ(requests[5].item, 0x4001u);
    for (const MciRequest& request : requests)
        EXPECT_EQ(request.device, kDevice);
}

TEST_F(CdAudioTest, FailingDeviceGivesTheFallbackValuesReportedOnlyWhereDue)
{
    CCDAudio audio;
    OpenDevice(audio);
    mci.FailAll(MCIERR_DEVICE_NOT_READY);
    mci.SetErrorText(MCIERR_DEVICE_NOT_READY, "Not ready.");

    EXPECT_EQ(audio.GetMode(), 524u);
    EXPECT_EQ(audio.GetPosition(), 0x200u);
    EXPECT_EQ(audio.IsReady(), 0u);
    EXPECT_EQ(audio.GetLength(), 0u);
    EXPECT_EQ(audio.GetTrackPosition(1), 0u);
    EXPECT_EQ(audio.GetTrackLength(1), 0u);
    EXPECT_FALSE(audio.IsAudioTrack(1));
    char upc[50] = "unchanged";
    EXPECT_FALSE(audio.GetMediaUPC(upc, sizeof upc));
    EXPECT_FALSE(audio.SeekTo(0, 100));
    EXPECT_TRUE(desktop.Boxes().empty()) << "silent operations showed a message";

    EXPECT_EQ(audio.IsMediaPresent(), 0u);
    EXPECT_EQ(audio.GetNumberOfTracks(), 0u);
    char id[81];
    EXPECT_FALSE(audio.GetMediaIdentity(id, sizeof id));
    EXPECT_FALSE(audio.Play(0, 2, 0, 1, 0, 0));
    audio.Stop();
    EXPECT_FALSE(audio.OpenDoor());
    EXPECT_FALSE(audio.CloseDoor());
    const auto boxes = desktop.Boxes();
    ASSERT_EQ(boxes.size(), 7u);
    for (const DesktopEvent& box : boxes) {
        EXPECT_EQ(box.text, "Not ready.");
        EXPECT_EQ(box.Buttons(), MB_OK);
        EXPECT_EQ(box.Icon(), MB_ICONEXCLAMATION);
    }
    mci.FailAll(0);
}

TEST_F(CdAudioTest, MediaIdentityIsParsedLikeAtolAndRewrittenInHex)
{
    CCDAudio audio;
    OpenDevice(audio);
    const struct {
        const char* text;
        const char* hex;
    } cases[] = {
        {"0", "0"},           {"4294967295", "FFFFFFFF"}, {"4294967296", "0"}, {"3735928559", "DEADBEEF"},
        {"  \t+42abc", "2A"}, {"-1", "FFFFFFFF"},         {"x12", "0"},        {"", "0"},
    };
    for (const auto& c : cases) {
        mci.Answer(MCI_INFO, MciAnswer{0, 0, c.text});
        char buffer[81];
        std::memset(buffer, 'x', sizeof buffer);
        ASSERT_TRUE(audio.GetMediaIdentity(buffer, sizeof buffer));
        EXPECT_STREQ(buffer, c.hex) << "identity text \"" << c.text << "\"";
    }
    const auto requests = mci.RequestsOf(MCI_INFO);
    EXPECT_EQ(requests[0].flags, 0x802u);
    EXPECT_EQ(requests[0].returnSize, 81u);

    mci.Answer(MCI_INFO, MciAnswer{0, 0, "012345678905"});
    char upc[50];
    ASSERT_TRUE(audio.GetMediaUPC(upc, sizeof upc));
    EXPECT_STREQ(upc, "012345678905");
    EXPECT_EQ(mci.RequestsOf(MCI_INFO).back().flags, 0x402u);
}

TEST_F(CdAudioTest, PlayStopAndDoorsSendTheirFlags)
{
    CCDAudio audio;
    OpenDevice(audio);
    ASSERT_TRUE(audio.Play(0, 2, 0, 3, 5, 30));
    audio.Stop();
    ASSERT_TRUE(audio.OpenDoor());
    ASSERT_TRUE(audio.CloseDoor());
    const auto& requests = mci.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].message, 0x0806u);
    EXPECT_EQ(requests[0].flags, 0xCu);
    EXPECT_EQ(requests[0].from, 0x000200u);
    EXPECT_EQ(requests[0].to, 0x1E0503u);
    EXPECT_EQ(requests[1].message, 0x0808u);
    EXPECT_EQ(requests[1].flags, 0x2u);
    EXPECT_FALSE(requests[1].hasParams);
    EXPECT_EQ(requests[2].flags, 0x102u);
    EXPECT_EQ(requests[3].flags, 0x202u);
}

TEST_F(CdAudioTest, SeekWhilePlayingPlaysOnToTheOldEndWhileStoppedOnlySeeks)
{
    CCDAudio audio;
    OpenDevice(audio);
    mci.AnswerStatus(MCI_STATUS_MODE, MciAnswer{0, MCI_MODE_PLAY});
    ASSERT_TRUE(audio.SeekTo(2000, 3000));
    auto requests = mci.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].message, MCI_STATUS);
    EXPECT_EQ(requests[1].message, 0x0807u);
    EXPECT_EQ(requests[1].flags, 0xAu);
    EXPECT_EQ(requests[1].to, MCI_MAKE_MSF(0, 28, 50)); // sector 2000 = 00:28:50
    EXPECT_EQ(requests[2].message, MCI_PLAY);
    EXPECT_EQ(requests[2].from, MCI_MAKE_MSF(0, 28, 50));
    EXPECT_EQ(requests[2].to, MCI_MAKE_MSF(0, 42, 0)); // sector 3000 = 00:42:00

    mci.ClearRequests();
    mci.AnswerStatus(MCI_STATUS_MODE, MciAnswer{0, MCI_MODE_STOP});
    ASSERT_TRUE(audio.SeekTo(2000, 3000));
    EXPECT_EQ(mci.Requests().size(), 2u);
    EXPECT_TRUE(mci.RequestsOf(MCI_PLAY).empty());

    // A play that fails after the seek is reported, and the seek still counts.
    mci.AnswerStatus(MCI_STATUS_MODE, MciAnswer{0, MCI_MODE_PLAY});
    mci.AnswerOnce(MCI_PLAY, MciAnswer{MCIERR_HARDWARE});
    EXPECT_TRUE(audio.SeekTo(0, 10));
    EXPECT_EQ(desktop.Boxes().size(), 1u);
}

TEST_F(CdAudioTest, ErrorReportsInvalidFileAsInvalidDriveAndEmptyTextAsUnknown)
{
    mci.SetErrorText(MCIERR_INVALID_FILE, "driver text that must not be shown");
    CCDAudio::ReportMciError(MCIERR_INVALID_FILE);
    ASSERT_EQ(desktop.Events().size(), 2u);
    EXPECT_TRUE(desktop.Events()[0].IsSound(res::SOUND_ERROR));
    EXPECT_EQ(desktop.Events()[1].text, "Invalid drive.");
    EXPECT_EQ(desktop.Events()[1].Icon(), MB_ICONEXCLAMATION);

    desktop.Clear();
    CCDAudio::ReportMciError(MCIERR_HARDWARE);
    ASSERT_EQ(desktop.Events().size(), 1u) << "MCI texts come without the error sound";
    EXPECT_EQ(desktop.Events()[0].text, "Unknown MCI-error");
    EXPECT_EQ(desktop.Events()[0].Buttons(), MB_OK);
    EXPECT_EQ(desktop.Events()[0].Icon(), MB_ICONEXCLAMATION);
}

} // namespace
