#include "platform/mci/mci.h"

#include <cstring>

#include <gtest/gtest.h>

#include "platform/mci/cd_audio_unit.h"
#include "support/scripted_drive_table.h"

using namespace platform;

namespace {

MCIERROR OpenCdAudio(const char* element, MCIDEVICEID& id, uint32_t extraFlags = MCI_OPEN_SHAREABLE)
{
    MCI_OPEN_PARMS open{};
    open.lpstrDeviceType = MciDeviceTypeId(MCI_DEVTYPE_CD_AUDIO);
    open.lpstrElementName = element;
    const MCIERROR error = mciSendCommandA(
        0, MCI_OPEN, MCI_WAIT | MCI_OPEN_ELEMENT | MCI_OPEN_TYPE_ID | MCI_OPEN_TYPE | extraFlags, &open);
    id = open.wDeviceID;
    return error;
}

TEST(CdAudioDriverTest, OpenRefusesWhatIsNoCdromDriveAndClosedDevicesAnswerInvalidId)
{
    ScriptedDriveTable drives(ScriptedDriveTable::WithCdroms("E"));
    MCIDEVICEID id = 0;
    EXPECT_EQ(OpenCdAudio("C:", id), MCIERR_INVALID_FILE);
    EXPECT_EQ(OpenCdAudio("Q:", id), MCIERR_INVALID_FILE);
    EXPECT_EQ(OpenCdAudio("", id), MCIERR_INVALID_FILE);
    EXPECT_EQ(OpenCdAudio(nullptr, id), MCIERR_INVALID_FILE);

    MCI_OPEN_PARMS wave{};
    wave.lpstrDeviceType = "waveaudio";
    wave.lpstrElementName = "E:";
    EXPECT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_ELEMENT | MCI_OPEN_TYPE, &wave),
              MCIERR_DEVICE_NOT_INSTALLED);
    EXPECT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_WAIT, nullptr), MCIERR_NULL_PARAMETER_BLOCK);

    ASSERT_EQ(OpenCdAudio("e:", id), 0u);
    EXPECT_NE(id, 0u);
    // Shareable opens share the drive; an exclusive one is refused while it is in use.
    MCIDEVICEID second = 0;
    ASSERT_EQ(OpenCdAudio("E:", second), 0u);
    EXPECT_NE(second, id);
    MCIDEVICEID exclusive = 0;
    EXPECT_EQ(OpenCdAudio("E:", exclusive, 0), MCIERR_MUST_USE_SHAREABLE);

    MCI_SET_PARMS set{};
    set.dwTimeFormat = 10;
    EXPECT_EQ(mciSendCommandA(id, MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, &set), MCIERR_BAD_TIME_FORMAT);
    EXPECT_EQ(mciSendCommandA(id, MCI_SET, MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED | MCI_WAIT, &set),
              MCIERR_FLAGS_NOT_COMPATIBLE);
    MCI_STATUS_PARMS status{};
    EXPECT_EQ(mciSendCommandA(id, MCI_STATUS, MCI_WAIT, &status), MCIERR_MISSING_PARAMETER);

    EXPECT_EQ(mciSendCommandA(second, MCI_CLOSE, MCI_WAIT, nullptr), 0u);
    EXPECT_EQ(mciSendCommandA(id, MCI_CLOSE, MCI_WAIT, nullptr), 0u);
    status.dwItem = MCI_STATUS_MODE;
    EXPECT_EQ(mciSendCommandA(id, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, &status), MCIERR_INVALID_DEVICE_ID);
    EXPECT_EQ(mciSendCommandA(0, MCI_STOP, MCI_WAIT, nullptr), MCIERR_INVALID_DEVICE_ID);
    EXPECT_EQ(mciSendCommandA(id, MCI_CLOSE, MCI_WAIT, nullptr), MCIERR_INVALID_DEVICE_ID);
}

TEST(CdAudioDriverTest, EveryErrorTheDriverGivesHasATextAndOthersNone)
{
    const MCIERROR codes[] = {MCIERR_INVALID_DEVICE_ID,    MCIERR_UNRECOGNIZED_COMMAND,   MCIERR_HARDWARE,
                              MCIERR_INVALID_DEVICE_NAME,  MCIERR_OUT_OF_MEMORY,          MCIERR_DEVICE_OPEN,
                              MCIERR_PARAM_OVERFLOW,       MCIERR_DRIVER_INTERNAL,        MCIERR_MISSING_PARAMETER,
                              MCIERR_UNSUPPORTED_FUNCTION, MCIERR_DEVICE_NOT_READY,       MCIERR_OUTOFRANGE,
                              MCIERR_FLAGS_NOT_COMPATIBLE, MCIERR_MUST_USE_SHAREABLE,     MCIERR_BAD_TIME_FORMAT,
                              MCIERR_INVALID_FILE,         MCIERR_NULL_PARAMETER_BLOCK,   MCIERR_NONAPPLICABLE_FUNCTION,
                              MCIERR_DEVICE_NOT_INSTALLED, MCIERR_WAVE_OUTPUTSUNSUITABLE, MCIERR_NO_IDENTITY};
    for (MCIERROR code : codes) {
        char text[256];
        ASSERT_TRUE(mciGetErrorStringA(code, text, sizeof text)) << code;
        EXPECT_GT(std::strlen(text), 10u) << code;
    }
    char text[256] = "old";
    EXPECT_FALSE(mciGetErrorStringA(0, text, sizeof text));
    EXPECT_STREQ(text, "");
    EXPECT_FALSE(mciGetErrorStringA(999, text, sizeof text));
    // A buffer too small gets as much as fits, terminated.
    char small[8];
    EXPECT_FALSE(mciGetErrorStringA(MCIERR_HARDWARE, small, sizeof small));
    EXPECT_EQ(std::strlen(small), 7u);
}

TEST(CdAudioDriverTest, DiscIdentityIsTheFreedbIdOfTheTableOfContents)
{
    // Three tracks at 00:02:00, 03:00:00 and 06:10:30, lead-out at 09:00:00.
    cdrom::TableOfContents toc;
    toc.tracks = {{.number = 1, .start = 0},
                  {.number = 2, .start = 3 * 4500 - 150},
                  {.number = 3, .start = 6 * 4500 + 10 * 75 + 30 - 150}};
    toc.leadOut = 9 * 4500 - 150;
    // Track seconds 2, 180, 370: digit sums 2 + 9 + 10 = 21; playing time 540 - 2 = 538 seconds.
    EXPECT_EQ(DiscIdentity(toc), (21u << 24) | (538u << 8) | 3u);
    EXPECT_EQ(toc.TrackIndexAt(0), 0);
    EXPECT_EQ(toc.TrackIndexAt(3 * 4500 - 151), 0);
    EXPECT_EQ(toc.TrackIndexAt(3 * 4500 - 150), 1);
    EXPECT_EQ(toc.TrackIndexAt(toc.leadOut), -1);
    EXPECT_EQ(toc.TrackEnd(2), toc.leadOut);
}

} // namespace
