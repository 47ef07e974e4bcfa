// The selection of the "Read CD digital audio" dialog as its labels show it: the tab pages and
// the controls each one shows, the chosen track of the list, and the six labels under the Play
// and Stop buttons (start and end time and sector of the choice; playing time and sector are
// the player's). Works on the dialog's controls by number, so it needs no window.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dialog_items.h"
#include "player/cd_audio.h"
#include "player/track_table.h"

// The tab pages of the dialog.
inline constexpr int PAGE_CD_TRACK = 0;
inline constexpr int PAGE_RED_BOOK = 1;
inline constexpr int PAGE_HIGH_SIERRA = 2;

// A field's number as the dialog reads it on its own: at most 31 characters, leading blanks,
// one sign and the digits up to the first other character, in 32 bits with wrap-around (so
// "-5" is 4294967291 and a text without digits 0).
uint32_t FieldValue(const std::string& text);

class CSelectionDisplay {
public:
    // selectedTrack is the dialog's m_nSelectedTrack, kept up to date here.
    CSelectionDisplay(platform::DialogItems& dialog, CCDAudio& audio, const TrackTable& tracks, int32_t& selectedTrack);

    bool IsDeviceOpen() const { return m_audio.DeviceId() != 0; }
    int CurrentPage();
    int SelectedRowCount();
    int32_t SelectedTrack() const { return m_selectedTrack; }
    // The record of the selected track, or nullptr when none is selected.
    const TrackRecord* SelectedRecord() const;

    // m_nSelectedTrack = the first selected row of the list, or -1.
    void FindSelectedTrack();
    // Selects the page as a click on its tab would.
    void SelectTabPage(int page);
    // The tab control's page changed: shows that page's controls and its selection.
    void OnTabChanged();
    // Fills the four selection labels for a page. Without force nothing changes while the
    // drive plays: the labels keep the range that Play showed.
    void UpdateSelectionDisplay(int page, bool force);
    // A left click in the list: shows the clicked track unless the drive plays.
    void OnTrackClicked();

private:
    void ShowTrack(const TrackRecord& track);
    void ShowPageControls(int page);

    platform::DialogItems& m_dialog;
    CCDAudio& m_audio;
    const TrackTable& m_tracks;
    int32_t& m_selectedTrack;
};
