// Fills a document the way a producer does: one block from the document's block memory, the
// header slot in front of the bytes, adopted in one operation (a sound gets format 15, other
// data format 8).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "document/ripwell_doc.h"
#include "platform/block_memory.h"

inline void FillDocument(CRipwellDoc& doc, const void* bytes, std::size_t length, bool sound = false)
{
    doc.OnNewDocument();
    uint8_t* block = platform::AllocateDataBlock(WAVE_HEADER_SIZE + length);
    if (length > 0)
        std::memcpy(block + WAVE_HEADER_SIZE, bytes, length);
    doc.AdoptBlock(block, block, static_cast<uint32_t>(length), sound,
                   sound ? WAVE_FORMAT_44100_16_STEREO : WAVE_FORMAT_22050_8_MONO);
}

inline void FillDocument(CRipwellDoc& doc, const std::vector<uint8_t>& bytes, bool sound = false)
{
    FillDocument(doc, bytes.data(), bytes.size(), sound);
}
