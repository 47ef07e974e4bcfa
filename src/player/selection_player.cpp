#include "player/selection_player.h"

#include <string>

#include "cdrom/address.h"
#include "platform/message_box.h"
#include "res/resource.h"

using namespace res::read_audio;

namespace {

constexpr uint32_t kMaxPartSeconds = 60;
constexpr uint32_t kMaxMinute = 99;
constexpr uint32_t kMaxSecond = 59;
constexpr uint32_t kMaxFrame = 74;
constexpr uint32_t kSecondsPerMinute = 60;
constexpr int kSliderEnd = 100;
// How far the slider runs on per tick as an activity sign while no range is known.
constexpr int kActivityStep = 2;
constexpr const char* kStartHere = "Start here";
constexpr const char* kEndHere = "End here";

// Frames from 00:00:00, for comparing positions. Unlike the sector number this does not wrap
// for positions before 00:02:00, so such a position still lies before every later one.
int64_t Frames(MsfPosition position)
{
    return int64_t(position.minute) * FRAMES_PER_MINUTE + int64_t(position.second) * FRAMES_PER_SECOND + position.frame;
}

uint32_t SectorOf(MsfPosition position) { return MsfToSector(position.minute, position.second, position.frame); }

MsfPosition PositionOfSector(uint32_t sector)
{
    MsfPosition position;
    SectorToMsf(sector, &position.minute, &position.second, &position.frame);
    return position;
}

MsfPosition Unpacked(uint32_t packed)
{
    return {platform::MCI_MSF_MINUTE(packed), platform::MCI_MSF_SECOND(packed), platform::MCI_MSF_FRAME(packed)};
}

// The position some seconds later, the frame kept.
MsfPosition SecondsLater(MsfPosition position, uint32_t seconds)
{
    uint32_t second = position.second + seconds;
    uint32_t minute = position.minute;
    if (second >= kSecondsPerMinute) {
        second -= kSecondsPerMinute;
        ++minute;
    }
    return {static_cast<uint8_t>(minute), static_cast<uint8_t>(second), position.frame};
}

// The position some seconds earlier, the frame kept; false when that lies before 00:00:00.
bool SecondsEarlier(MsfPosition position, uint32_t seconds, MsfPosition& earlier)
{
    int second = int(position.second) - int(seconds);
    int minute = position.minute;
    if (second < 0) {
        second += kSecondsPerMinute;
        --minute;
    }
    if (minute < 0)
        return false;
    earlier = {static_cast<uint8_t>(minute), static_cast<uint8_t>(second), position.frame};
    return true;
}

} // namespace

CSelectionPlayer::CSelectionPlayer(platform::DialogItems& dialog, CCDAudio& audio, CSelectionDisplay& display)
    : m_dialog(dialog),
      m_audio(audio),
      m_display(display)
{
}

void CSelectionPlayer::OnOpening()
{
    m_bIdleShown = 0;
    m_bDragging = 0;
    m_nPlayStart = 0;
    m_nPlayEnd = 0;
}

uint32_t CSelectionPlayer::LimitedField(int id, uint32_t limit)
{
    const uint32_t value = FieldValue(m_dialog.GetItemText(id));
    if (value <= limit)
        return value;
    m_dialog.SetItemUInt(id, limit);
    return limit;
}

// Nothing follows the play by itself: neither loop nor first-and-last continuation.
void CSelectionPlayer::StopFollowing()
{
    m_dialog.CheckButton(IDC_LOOP_MODE, false);
    m_bFirstPartPlayed = 0;
}

void CSelectionPlayer::ResetMarkButton(bool enabled)
{
    m_bEndMarkNext = 0;
    m_dialog.SetItemText(IDC_MARK, kStartHere);
    m_dialog.EnableItem(IDC_MARK, enabled);
}

bool CSelectionPlayer::SelectionOfPage(int page, MsfPosition& start, MsfPosition& end)
{
    if (page == PAGE_RED_BOOK) {
        start.minute = static_cast<uint8_t>(LimitedField(IDC_START_MIN, kMaxMinute));
        start.second = static_cast<uint8_t>(LimitedField(IDC_START_SEC, kMaxSecond));
        start.frame = static_cast<uint8_t>(LimitedField(IDC_START_FRAME, kMaxFrame));
        end.minute = static_cast<uint8_t>(LimitedField(IDC_END_MIN, kMaxMinute));
        end.second = static_cast<uint8_t>(LimitedField(IDC_END_SEC, kMaxSecond));
        end.frame = static_cast<uint8_t>(LimitedField(IDC_END_FRAME, kMaxFrame));
        return true;
    }
    if (page == PAGE_HIGH_SIERRA) {
        start = PositionOfSector(LimitedField(IDC_START_SECTOR, MAX_READ_SECTOR));
        end = PositionOfSector(LimitedField(IDC_END_SECTOR, MAX_READ_SECTOR));
        return true;
    }
    if (page != PAGE_CD_TRACK)
        return false;
    const TrackRecord* track = m_display.SelectedRowCount() == 1 ? m_display.SelectedRecord() : nullptr;
    if (!track) {
        StopFollowing();
        platform::MessageBox("Please choose a CD track from the list.", platform::MB_OK | platform::MB_ICONINFORMATION);
        return false;
    }
    if (track->nonAudio != 0) {
        StopFollowing();
        platform::MessageBox("You cannot play a non-audio CD track as digital audio.",
                             platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return false;
    }
    start = {track->startMinute, track->startSecond, track->startFrame};
    end = {track->endMinute, track->endSecond, track->endFrame};
    return true;
}

void CSelectionPlayer::OnPlay()
{
    // 1. Without a device there is nothing to play.
    if (!m_display.IsDeviceOpen())
        return;

    // 2. The play mode: 0 neither box, 1 "Only first", 2 "Only last", 3 both.
    const bool onlyFirst = m_dialog.IsButtonChecked(IDC_ONLY_FIRST);
    const bool onlyLast = m_dialog.IsButtonChecked(IDC_ONLY_LAST);
    const int page = m_display.CurrentPage();

    // 3. The labels show the whole selection, and the chosen track is brought up to date.
    m_display.UpdateSelectionDisplay(page, true);

    // 4. The seconds of the two parts, at most a minute each.
    const uint32_t firstSeconds = onlyFirst ? LimitedField(IDC_FIRST_SECONDS, kMaxPartSeconds) : 0;
    const uint32_t lastSeconds = onlyLast ? LimitedField(IDC_LAST_SECONDS, kMaxPartSeconds) : 0;

    // 5. The selection of the page.
    MsfPosition start;
    MsfPosition end;
    if (!SelectionOfPage(page, start, end))
        return;

    // 6. The range the slider follows.
    m_nPlayStart = SectorOf(start);
    m_nPlayEnd = SectorOf(end);
    m_bIdleShown = 0;

    // 7. and 8. Play by mode.
    if (!onlyFirst && !onlyLast) {
        if (PlayRange(start, end)) {
            m_bFirstPartPlayed = 0;
            ResetMarkButton(true);
        }
        return;
    }
    MsfPosition first = SecondsLater(start, firstSeconds);
    const bool firstPastEnd = Frames(first) > Frames(end);
    if (firstPastEnd)
        first = end;
    MsfPosition last;
    const bool lastBeforeStart = !SecondsEarlier(end, lastSeconds, last) || Frames(start) > Frames(last);
    if (lastBeforeStart)
        last = start;

    if (onlyFirst && !onlyLast) {
        if (firstPastEnd)
            m_dialog.CheckButton(IDC_ONLY_FIRST, false);
        if (PlayRange(start, first)) {
            m_bFirstPartPlayed = 0;
            ResetMarkButton(true);
        }
        return;
    }
    if (onlyLast && !onlyFirst) {
        if (lastBeforeStart)
            m_dialog.CheckButton(IDC_ONLY_LAST, false);
        if (PlayRange(last, end)) {
            m_bFirstPartPlayed = 0;
            ResetMarkButton(true);
        }
        return;
    }
    // First and last: the first part, and at the next tick after its end the last part.
    if (Frames(first) < Frames(last)) {
        if (m_bFirstPartPlayed == 0) {
            if (PlayRange(start, first)) {
                m_bFirstPartPlayed = 1;
                ResetMarkButton(true);
            }
        } else if (PlayRange(last, end)) {
            m_bFirstPartPlayed = 0;
        }
        return;
    }
    // The two parts meet or overlap: the whole selection, once.
    m_dialog.CheckButton(IDC_ONLY_FIRST, false);
    m_dialog.CheckButton(IDC_ONLY_LAST, false);
    if (PlayRange(start, end)) {
        m_bFirstPartPlayed = 0;
        ResetMarkButton(true);
    }
}

bool CSelectionPlayer::PlayRange(MsfPosition from, MsfPosition to)
{
    if (!m_display.IsDeviceOpen())
        return false;
    // A play starts only while the user works in the dialog itself.
    if (m_dialog.IsActiveWindow() && m_audio.Play(from.minute, from.second, from.frame, to.minute, to.second, to.frame))
        return true;
    StopFollowing();
    m_bEndMarkNext = 0;
    return false;
}

void CSelectionPlayer::OnStop()
{
    if (m_display.IsDeviceOpen())
        m_audio.Stop();
    m_nPlayStart = 0;
    m_nPlayEnd = 0;
    m_bFirstPartPlayed = 0;
    ResetMarkButton(false);
}

void CSelectionPlayer::OnPlayerTimer()
{
    if (!m_display.IsDeviceOpen() || m_audio.IsReady() == 0)
        return;
    const uint32_t mode = m_audio.GetMode();
    if (mode == platform::MCI_MODE_OPEN)
        return;
    if (mode == platform::MCI_MODE_PLAY) {
        const MsfPosition playing = Unpacked(m_audio.GetPosition());
        const uint32_t sector = SectorOf(playing);
        m_dialog.SetItemText(IDC_PLAYING_TIME, DisplayTime(playing.minute, playing.second, playing.frame));
        m_dialog.SetItemUInt(IDC_PLAYING_SECTOR, sector);
        UpdateSlider(sector);
        m_bIdleShown = 0;
        return;
    }
    // Stopped, paused, seeking or not ready: what follows a play happens only while the user
    // works in the dialog.
    if (!m_dialog.IsActiveWindow())
        return;
    if (m_bFirstPartPlayed != 0) {
        OnPlay(); // the last part of a first-and-last selection
        return;
    }
    m_bEndMarkNext = 0;
    m_nPlayStart = 0;
    m_nPlayEnd = 0;
    if (m_bIdleShown == 0) {
        m_dialog.EnableItem(IDC_MARK, false);
        m_dialog.SetItemText(IDC_MARK, kStartHere);
        m_dialog.SetTrackbarPos(IDC_POSITION_SLIDER, 0);
        m_dialog.SetItemText(IDC_PLAYING_TIME, "");
        m_dialog.SetItemText(IDC_PLAYING_SECTOR, "");
        m_bIdleShown = 1;
    }
    if (m_dialog.IsButtonChecked(IDC_LOOP_MODE))
        OnPlay();
}

void CSelectionPlayer::UpdateSlider(uint32_t sector)
{
    if (m_bDragging != 0 || m_nPlayEnd < m_nPlayStart)
        return;
    if (m_nPlayStart == 0 && m_nPlayEnd == 0) {
        // Someone else started the drive: the slider runs round as an activity sign.
        int position = m_dialog.GetTrackbarPos(IDC_POSITION_SLIDER) + kActivityStep;
        if (position > kSliderEnd)
            position -= kSliderEnd;
        m_dialog.SetTrackbarPos(IDC_POSITION_SLIDER, position);
        return;
    }
    // Outside the range the slider stands at its ends; a range of one sector thus shows 0 on
    // its sector and 100 after it.
    uint32_t position = 0;
    if (sector >= m_nPlayEnd && sector > m_nPlayStart)
        position = kSliderEnd;
    else if (sector > m_nPlayStart)
        position = (sector * 100 - m_nPlayStart * 100) / (m_nPlayEnd - m_nPlayStart);
    m_dialog.SetTrackbarPos(IDC_POSITION_SLIDER, static_cast<int>(position));
}

void CSelectionPlayer::OnSliderScroll(int code)
{
    if (code != platform::TB_ENDTRACK) {
        m_bDragging = 1;
        return;
    }
    m_bDragging = 0;
    const auto position = static_cast<uint32_t>(m_dialog.GetTrackbarPos(IDC_POSITION_SLIDER));
    uint32_t target = m_nPlayStart + (m_nPlayEnd - m_nPlayStart) * position / 100;
    if (target < m_nPlayStart)
        target = m_nPlayStart;
    if (target <= m_nPlayEnd)
        m_audio.SeekTo(target, m_nPlayEnd);
}

void CSelectionPlayer::WritePosition(uint32_t packed, int minuteId, int secondId, int frameId, int sectorId)
{
    const MsfPosition position = Unpacked(packed);
    m_dialog.SetItemUInt(minuteId, position.minute);
    m_dialog.SetItemUInt(secondId, position.second);
    m_dialog.SetItemUInt(frameId, position.frame);
    m_dialog.SetItemUInt(sectorId, SectorOf(position));
}

void CSelectionPlayer::OnMark()
{
    if (!m_display.IsDeviceOpen() || m_audio.GetMode() != platform::MCI_MODE_PLAY)
        return;
    if (m_bEndMarkNext == 0) {
        WritePosition(m_audio.GetPosition(), IDC_START_MIN, IDC_START_SEC, IDC_START_FRAME, IDC_START_SECTOR);
        m_bEndMarkNext = 1;
        m_dialog.SetItemText(IDC_MARK, kEndHere);
        return;
    }
    const uint32_t position = m_audio.GetPosition();
    m_audio.Stop();
    WritePosition(position, IDC_END_MIN, IDC_END_SEC, IDC_END_FRAME, IDC_END_SECTOR);
    m_bFirstPartPlayed = 0;
    ResetMarkButton(false);
    if (m_display.CurrentPage() == PAGE_CD_TRACK)
        m_display.SelectTabPage(PAGE_RED_BOOK);
}

void CSelectionPlayer::OnPickUpTimes()
{
    const TrackRecord* track = m_display.SelectedRecord();
    if (!track)
        return;
    m_dialog.SetItemUInt(IDC_START_MIN, track->startMinute);
    m_dialog.SetItemUInt(IDC_START_SEC, track->startSecond);
    m_dialog.SetItemUInt(IDC_START_FRAME, track->startFrame);
    m_dialog.SetItemUInt(IDC_END_MIN, track->endMinute);
    m_dialog.SetItemUInt(IDC_END_SEC, track->endSecond);
    m_dialog.SetItemUInt(IDC_END_FRAME, track->endFrame);
    m_dialog.SetItemUInt(IDC_START_SECTOR, track->startSector);
    m_dialog.SetItemUInt(IDC_END_SECTOR, track->endSector);
    if (m_display.CurrentPage() == PAGE_CD_TRACK)
        m_display.SelectTabPage(PAGE_RED_BOOK);
}
