#include "document/hex_dump_layout.h"

#include <algorithm>
#include <cstdio>

namespace hexdump {

std::string BuildDumpLine(uint32_t offset, const uint8_t* bytes, int64_t count)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string line(LINE_LENGTH, ' ');
    char head[16];
    std::snprintf(head, sizeof head, "%8.8lX", static_cast<unsigned long>(offset));
    std::copy(head, head + 8, line.begin());
    for (int i = 0; i < BYTES_PER_LINE && i < count; ++i) {
        uint8_t b = bytes[i];
        line[10 + 3 * i] = kHex[b >> 4];
        line[11 + 3 * i] = kHex[b & 0xF];
        line[60 + i] = (b >= 0x20 && b <= 0x7E) ? static_cast<char>(b) : '.';
    }
    return line;
}

int LinesForLength(int64_t length)
{
    if (length <= 0)
        return 0;
    return static_cast<int>((length + BYTES_PER_LINE - 1) / BYTES_PER_LINE);
}

int VerticalExtent(int64_t length, int lineHeight)
{
    if (length <= 0)
        return 0;
    int64_t height = static_cast<int64_t>(lineHeight) * LinesForLength(length);
    return static_cast<int>(std::min<int64_t>(height, MAX_SCROLL_HEIGHT));
}

ScrollResult ApplyScroll(const ScrollState& state, ScrollAction action, int pos)
{
    const int total = state.totalLines;
    const int visible = state.visibleLines;
    const int diff = total - visible;
    // 64 bits so that paging past either end cannot overflow before the clamp.
    int64_t t = state.topLine;
    switch (action) {
    case ScrollAction::LineUp: t -= 1; break;
    case ScrollAction::LineDown: t += 1; break;
    case ScrollAction::PageUp: t -= visible; break;
    case ScrollAction::PageDown: t += visible; break;
    case ScrollAction::ThumbPosition:
    case ScrollAction::ThumbTrack:
        t = state.limit > 0 ? static_cast<int64_t>(static_cast<double>(diff) * pos / state.limit) : 0;
        break;
    case ScrollAction::Top: t = 0; break;
    case ScrollAction::Bottom: t = total; break;
    case ScrollAction::EndScroll: return {};
    }
    if (t < 0)
        t = 0;
    if (visible >= total)
        t = 0;
    else if (t > diff)
        t = diff;

    ScrollResult result;
    result.handled = true;
    result.topLine = static_cast<int>(t);
    if (visible < total) {
        double thumb = static_cast<double>(state.limit) * static_cast<double>(t) / diff;
        result.thumb = std::clamp(static_cast<int>(thumb), 0, std::max(state.limit, 0));
    }
    return result;
}

bool ScrollActionForKey(const ScrollState& state, DumpKey key, ScrollAction& action)
{
    const bool notAtTop = state.topLine != 0;
    const bool beforeLastPage = state.topLine < state.totalLines - state.visibleLines;
    switch (key) {
    case DumpKey::PageUp: action = ScrollAction::PageUp; return notAtTop;
    case DumpKey::PageDown: action = ScrollAction::PageDown; return beforeLastPage;
    case DumpKey::End: action = ScrollAction::Bottom; return beforeLastPage;
    case DumpKey::Home: action = ScrollAction::Top; return notAtTop;
    case DumpKey::Up: action = ScrollAction::LineUp; return notAtTop;
    case DumpKey::Down: action = ScrollAction::LineDown; return beforeLastPage;
    case DumpKey::Other: return false;
    }
    return false;
}

bool ScrollActionForWheel(int delta, ScrollAction& action)
{
    if (delta == -120) {
        action = ScrollAction::PageDown;
        return true;
    }
    if (delta == 120) {
        action = ScrollAction::PageUp;
        return true;
    }
    return false;
}

} // namespace hexdump
