// The small CD player of the "Read CD digital audio" dialog. It plays the dialog's current
// choice (the chosen track, the Red Book range or the sector range) on the drive itself,
// optionally only its first or last seconds or both, optionally in a loop, and follows the
// drive on the dialog's 200 ms timer: playing time and sector in two labels, a slider along the
// range that the user may drag to jump, and a mark button that takes the playing position as
// the start and then the end of a Red Book range.
//
// Nothing here reads data from the disc: the drive plays by itself and is only polled. Works
// on the dialog's controls by number, so it needs no window; the dialog forwards its buttons,
// its timer and its slider here.
#pragma once

#include <cstdint>

#include "platform/dialog_items.h"
#include "player/cd_audio.h"
#include "player/selection_display.h"

// A position on the disc as minute, second and frame.
struct MsfPosition {
    uint8_t minute = 0;
    uint8_t second = 0;
    uint8_t frame = 0;
};

class CSelectionPlayer {
public:
    CSelectionPlayer(platform::DialogItems& dialog, CCDAudio& audio, CSelectionDisplay& display);

    // The dialog window opens: no range known, the idle state not shown yet, no drag.
    void OnOpening();

    // Play button, "Play" of the "Track" menu, and the timer for continuation and loop.
    void OnPlay();
    void OnStop();
    // The mark button: "Start here", then "End here".
    void OnMark();
    // "Pick up times" of the "Track" menu: the selected track's times into the range fields.
    void OnPickUpTimes();
    // Every tick of the dialog's timer.
    void OnPlayerTimer();
    // A scroll notification of the slider (platform::TB_... code).
    void OnSliderScroll(int code);

    // Starts the drive from one position to another, only while the dialog is the active window.
    bool PlayRange(MsfPosition from, MsfPosition to);
    // Moves the slider to a playing sector along the range.
    void UpdateSlider(uint32_t sector);

    uint32_t PlayStart() const { return m_nPlayStart; }
    uint32_t PlayEnd() const { return m_nPlayEnd; }
    bool FirstPartPlayed() const { return m_bFirstPartPlayed != 0; }
    bool EndMarkNext() const { return m_bEndMarkNext != 0; }
    bool IdleShown() const { return m_bIdleShown != 0; }
    bool Dragging() const { return m_bDragging != 0; }

private:
    bool SelectionOfPage(int page, MsfPosition& start, MsfPosition& end);
    uint32_t LimitedField(int id, uint32_t limit);
    void StopFollowing();
    void ResetMarkButton(bool enabled);
    void WritePosition(uint32_t packed, int minuteId, int secondId, int frameId, int sectorId);

    platform::DialogItems& m_dialog;
    CCDAudio& m_audio;
    CSelectionDisplay& m_display;

    uint32_t m_nPlayStart = 0;      // start sector of the range being played; 0: none known
    uint32_t m_nPlayEnd = 0;        // end sector of that range; 0: none known
    int32_t m_bFirstPartPlayed = 0; // first and last: the last part is still to come
    int32_t m_bEndMarkNext = 0;     // the mark button sets the end mark next
    int32_t m_bIdleShown = 0;       // the stopped state is shown in the labels and the slider
    int32_t m_bDragging = 0;        // the user moves the slider; the timer leaves it alone
};
