// The window-free half of the data view: how one line of the hex dump is built, and how the
// vertical scroll actions, the keys and the mouse wheel move the first line shown.
#pragma once

#include <cstdint>
#include <string>

namespace hexdump {

inline constexpr int BYTES_PER_LINE = 16;
inline constexpr int LINE_LENGTH = 76;       // characters of one line
inline constexpr int EXTENT_CHARACTERS = 77; // horizontal extent in character widths
inline constexpr int MAX_SCROLL_HEIGHT = 0x7FFF;

// One line for the bytes at `bytes`: only the first `count` of the 16 positions are bytes
// (count may exceed 16; the rest of the line is blank). `offset` is the line's offset in the
// display range.
std::string BuildDumpLine(uint32_t offset, const uint8_t* bytes, int64_t count);

// (length + 15) / 16, for a display length of any size.
int LinesForLength(int64_t length);

// The vertical extent in pixels: lineHeight × totalLines, capped at 32767; 0 for no data.
int VerticalExtent(int64_t length, int lineHeight);

enum class ScrollAction { LineUp, LineDown, PageUp, PageDown, ThumbPosition, ThumbTrack, Top, Bottom, EndScroll };

struct ScrollState {
    int topLine = 0;
    int totalLines = 0;
    int visibleLines = 0;
    int limit = 0; // the vertical scroll bar's largest position
};

struct ScrollResult {
    bool handled = false; // false: the action changes nothing, not even a repaint
    int topLine = 0;
    int thumb = 0;
};

// The new top line for an action (pos is the thumb position for the thumb actions), clamped,
// with the scroll bar position that stands for it.
ScrollResult ApplyScroll(const ScrollState& state, ScrollAction action, int pos = 0);

enum class DumpKey { PageUp, PageDown, End, Home, Up, Down, Other };

// The scroll action a key asks for, or false when the key does nothing at this position.
bool ScrollActionForKey(const ScrollState& state, DumpKey key, ScrollAction& action);

// A wheel delta of exactly -120 pages down, +120 pages up; anything else does nothing.
bool ScrollActionForWheel(int delta, ScrollAction& action);

} // namespace hexdump
