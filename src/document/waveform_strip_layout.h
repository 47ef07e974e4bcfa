// The window-free geometry of the waveform strip above the hex dump: which data bytes the
// dump shows, where they lie in the strip, and which dump line a click in the strip asks for.
// Offsets here count data bytes (the header slot not included); the dump counts from the
// start of its display range, which holds the header slot first when the header is shown.
#pragma once

#include <cstdint>

#include "document/hex_dump_layout.h"

namespace waveform {

struct ByteRange {
    uint64_t first = 0;
    uint64_t end = 0; // one past the last byte
    bool operator==(const ByteRange&) const = default;
};

// The data bytes that the dump's lines topLine .. topLine + visibleLines - 1 show, when the
// display range has displayLength bytes of which the first headerBytes are the header slot.
ByteRange ShownDataBytes(int topLine, int visibleLines, int64_t displayLength, uint64_t headerBytes);

struct ColumnSpan {
    int x = 0;
    int width = 0;
};

// Where a range of the data lies in a strip of `width` columns: at least minimumWidth columns
// wide so that a range of a few bytes in a large document can still be seen, and inside the
// strip. Width 0 when there is no data or the range is empty.
ColumnSpan ColumnsOfBytes(const ByteRange& range, uint64_t dataLength, int width, int minimumWidth = 2);

// The data byte that column x of a strip of `width` columns stands for, at the start of its
// sample frame; x outside the strip counts as its nearest edge.
uint64_t DataOffsetAtColumn(int x, int width, uint64_t dataLength, uint32_t frameBytes);

// The dump line that shows a data byte.
int LineOfDataOffset(uint64_t dataOffset, uint64_t headerBytes);

// The dump scrolled so that `line` is its first line, clamped as every scroll action is
// (never past the last page), with the scroll bar position that stands for it.
hexdump::ScrollResult ScrollToLine(const hexdump::ScrollState& state, int line);

} // namespace waveform
