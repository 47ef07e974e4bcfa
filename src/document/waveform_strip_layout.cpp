#include "document/waveform_strip_layout.h"

#include <algorithm>

namespace waveform {

ByteRange ShownDataBytes(int topLine, int visibleLines, int64_t displayLength, uint64_t headerBytes)
{
    if (displayLength <= 0 || visibleLines <= 0 || topLine < 0)
        return {};
    const auto length = static_cast<uint64_t>(displayLength);
    const uint64_t first = std::min<uint64_t>(uint64_t(topLine) * hexdump::BYTES_PER_LINE, length);
    const uint64_t end =
        std::min<uint64_t>((uint64_t(topLine) + uint64_t(visibleLines)) * hexdump::BYTES_PER_LINE, length);
    const auto toData = [headerBytes](uint64_t offset) { return offset > headerBytes ? offset - headerBytes : 0; };
    return {toData(first), toData(end)};
}

ColumnSpan ColumnsOfBytes(const ByteRange& range, uint64_t dataLength, int width, int minimumWidth)
{
    if (dataLength == 0 || width <= 0 || range.end <= range.first)
        return {};
    const auto w = static_cast<uint64_t>(width);
    int x0 = static_cast<int>(std::min(range.first, dataLength) * w / dataLength);
    int x1 = static_cast<int>((std::min(range.end, dataLength) * w + dataLength - 1) / dataLength);
    const int wanted = std::min(minimumWidth, width);
    if (x1 - x0 < wanted) {
        x1 = x0 + wanted;
        if (x1 > width) {
            x1 = width;
            x0 = width - wanted;
        }
    }
    return {x0, x1 - x0};
}

uint64_t DataOffsetAtColumn(int x, int width, uint64_t dataLength, uint32_t frameBytes)
{
    if (width <= 0 || dataLength == 0)
        return 0;
    const auto column = static_cast<uint64_t>(std::clamp(x, 0, width - 1));
    uint64_t offset = column * dataLength / static_cast<uint64_t>(width);
    if (frameBytes > 1)
        offset -= offset % frameBytes;
    return offset;
}

int LineOfDataOffset(uint64_t dataOffset, uint64_t headerBytes)
{
    return static_cast<int>((dataOffset + headerBytes) / hexdump::BYTES_PER_LINE);
}

hexdump::ScrollResult ScrollToLine(const hexdump::ScrollState& state, int line)
{
    // The top action's clamping and thumb, then the line wanted instead of 0.
    hexdump::ScrollResult result = hexdump::ApplyScroll(state, hexdump::ScrollAction::Top);
    const int diff = state.totalLines - state.visibleLines;
    if (diff <= 0)
        return result;
    result.topLine = std::clamp(line, 0, diff);
    result.thumb = std::clamp(static_cast<int>(static_cast<double>(state.limit) * result.topLine / diff), 0,
                              std::max(0, state.limit));
    return result;
}

} // namespace waveform
