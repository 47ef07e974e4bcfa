#include "player/selection_display.h"

#include <cctype>

#include "cdrom/address.h"
#include "res/resource.h"

using namespace res::read_audio;

namespace {

constexpr std::size_t kFieldChars = 31;
const std::string kUnknown = "???";

// The controls of each tab page; the two groups below the tab control are always shown.
constexpr int kTrackPageControls[] = {IDC_TRACK_LIST};
constexpr int kRedBookPageControls[] = {
    IDC_START_LABEL,    IDC_END_LABEL,        IDC_MIN_LABEL,    IDC_SEC_LABEL,    IDC_FRAME_LABEL,   IDC_START_MIN,
    IDC_START_SEC,      IDC_START_FRAME,      IDC_END_MIN,      IDC_END_SEC,      IDC_END_FRAME,     IDC_START_MIN_SPIN,
    IDC_START_SEC_SPIN, IDC_START_FRAME_SPIN, IDC_END_MIN_SPIN, IDC_END_SEC_SPIN, IDC_END_FRAME_SPIN};
constexpr int kHighSierraPageControls[] = {IDC_START_SECTOR_LABEL, IDC_END_SECTOR_LABEL, IDC_START_SECTOR,
                                           IDC_END_SECTOR};

} // namespace

uint32_t FieldValue(const std::string& text)
{
    const std::string field = text.substr(0, kFieldChars);
    std::size_t at = 0;
    while (at < field.size() && std::isspace(static_cast<unsigned char>(field[at])))
        ++at;
    bool negative = false;
    if (at < field.size() && (field[at] == '+' || field[at] == '-')) {
        negative = field[at] == '-';
        ++at;
    }
    uint32_t value = 0;
    for (; at < field.size() && field[at] >= '0' && field[at] <= '9'; ++at)
        value = value * 10 + static_cast<uint32_t>(field[at] - '0');
    return negative ? 0u - value : value;
}

CSelectionDisplay::CSelectionDisplay(platform::DialogItems& dialog, CCDAudio& audio, const TrackTable& tracks,
                                     int32_t& selectedTrack)
    : m_dialog(dialog),
      m_audio(audio),
      m_tracks(tracks),
      m_selectedTrack(selectedTrack)
{
}

int CSelectionDisplay::CurrentPage() { return m_dialog.GetCurrentTab(IDC_PAGE_TABS); }

int CSelectionDisplay::SelectedRowCount() { return m_dialog.GetListSelectedCount(IDC_TRACK_LIST); }

const TrackRecord* CSelectionDisplay::SelectedRecord() const
{
    if (m_selectedTrack < 0 || m_selectedTrack >= MAX_TRACKS)
        return nullptr;
    return &m_tracks[static_cast<std::size_t>(m_selectedTrack)];
}

void CSelectionDisplay::FindSelectedTrack()
{
    m_selectedTrack = -1;
    const int rows = m_dialog.GetListRowCount(IDC_TRACK_LIST);
    for (int row = 0; row < rows; ++row) {
        if (m_dialog.IsListRowSelected(IDC_TRACK_LIST, row)) {
            m_selectedTrack = row;
            return;
        }
    }
}

void CSelectionDisplay::SelectTabPage(int page)
{
    m_dialog.SetCurrentTab(IDC_PAGE_TABS, page);
    OnTabChanged();
}

void CSelectionDisplay::ShowPageControls(int page)
{
    for (int id : kTrackPageControls)
        m_dialog.ShowItem(id, page == PAGE_CD_TRACK);
    for (int id : kRedBookPageControls)
        m_dialog.ShowItem(id, page == PAGE_RED_BOOK);
    for (int id : kHighSierraPageControls)
        m_dialog.ShowItem(id, page == PAGE_HIGH_SIERRA);
}

void CSelectionDisplay::OnTabChanged()
{
    const int page = CurrentPage();
    ShowPageControls(page);
    UpdateSelectionDisplay(page, false);
}

void CSelectionDisplay::ShowTrack(const TrackRecord& track)
{
    m_dialog.SetItemText(IDC_SELECTION_START_TIME, DisplayTime(track.startMinute, track.startSecond, track.startFrame));
    m_dialog.SetItemText(IDC_SELECTION_END_TIME, DisplayTime(track.endMinute, track.endSecond, track.endFrame));
    m_dialog.SetItemUInt(IDC_SELECTION_START_SECTOR, track.startSector);
    m_dialog.SetItemUInt(IDC_SELECTION_END_SECTOR, track.endSector);
}

void CSelectionDisplay::UpdateSelectionDisplay(int page, bool force)
{
    if (!force && m_audio.GetMode() == platform::MCI_MODE_PLAY)
        return;
    if (page == PAGE_CD_TRACK) {
        if (SelectedRowCount() == 1) {
            FindSelectedTrack();
            if (const TrackRecord* track = SelectedRecord())
                ShowTrack(*track);
            return;
        }
        for (int id :
             {IDC_SELECTION_START_TIME, IDC_SELECTION_END_TIME, IDC_SELECTION_START_SECTOR, IDC_SELECTION_END_SECTOR})
            m_dialog.SetItemText(id, kUnknown);
    } else if (page == PAGE_RED_BOOK) {
        auto field = [this](int id) { return static_cast<uint8_t>(FieldValue(m_dialog.GetItemText(id))); };
        const uint8_t startMin = field(IDC_START_MIN), startSec = field(IDC_START_SEC);
        const uint8_t startFrame = field(IDC_START_FRAME);
        const uint8_t endMin = field(IDC_END_MIN), endSec = field(IDC_END_SEC), endFrame = field(IDC_END_FRAME);
        m_dialog.SetItemText(IDC_SELECTION_START_TIME, DisplayTime(startMin, startSec, startFrame));
        m_dialog.SetItemText(IDC_SELECTION_END_TIME, DisplayTime(endMin, endSec, endFrame));
        m_dialog.SetItemUInt(IDC_SELECTION_START_SECTOR, MsfToSector(startMin, startSec, startFrame));
        m_dialog.SetItemUInt(IDC_SELECTION_END_SECTOR, MsfToSector(endMin, endSec, endFrame));
    } else if (page == PAGE_HIGH_SIERRA) {
        const std::string start = m_dialog.GetItemText(IDC_START_SECTOR).substr(0, kFieldChars);
        const std::string end = m_dialog.GetItemText(IDC_END_SECTOR).substr(0, kFieldChars);
        m_dialog.SetItemText(IDC_SELECTION_START_SECTOR, start);
        m_dialog.SetItemText(IDC_SELECTION_END_SECTOR, end);
        uint8_t minute = 0, second = 0, frame = 0;
        SectorToMsf(FieldValue(start), &minute, &second, &frame);
        m_dialog.SetItemText(IDC_SELECTION_START_TIME, DisplayTime(minute, second, frame));
        SectorToMsf(FieldValue(end), &minute, &second, &frame);
        m_dialog.SetItemText(IDC_SELECTION_END_TIME, DisplayTime(minute, second, frame));
    }
}

void CSelectionDisplay::OnTrackClicked()
{
    if (!IsDeviceOpen() || m_audio.GetMode() == platform::MCI_MODE_PLAY)
        return;
    FindSelectedTrack();
    if (const TrackRecord* track = SelectedRecord())
        ShowTrack(*track);
}
