// CRipwellDoc: the single document. It owns one block that holds a 44-byte wave header slot
// directly in front of the data bytes, so that header and data are always a complete wave image.
#pragma once

#include <cstdint>
#include <string>

#include "document/wave_header.h"
#include "platform/framework/document.h"

class CRipwellDoc : public framework::CDocument {
public:
    CRipwellDoc() = default;
    ~CRipwellDoc() override;
    CRipwellDoc(const CRipwellDoc&) = delete;
    CRipwellDoc& operator=(const CRipwellDoc&) = delete;

    // Stores code (always); writes the header slot when there is one and returns the result
    // of BuildWaveHeader, else true.
    bool SetWaveFormat(WaveFormatCode code);
    // m_nDataLength + 44 when the header slot is set, else 0.
    uint32_t GetWaveImageLength() const;
    // The bytes the data view shows: the header slot first when ShowWaveHeader is on.
    const uint8_t* GetDisplayStart() const;
    int32_t GetDisplayLength() const;

    // StopSound; release the block; pointers null, length 0, not a sound, format 8.
    virtual void DeleteContents();
    // DeleteContents, clear the path name and the modified flag. The title is the caller's.
    virtual bool OnNewDocument();
    virtual bool OnOpenDocument(const std::string& path);
    virtual bool OnSaveDocument(const std::string& path);
    // Save (path = the document's) and Save As (empty path); replace renames the document.
    virtual bool DoSave(const std::string& path, bool replace = true);
    // Asks "Save changes to %1?" when modified; false when the user cancelled or saving failed.
    virtual bool SaveModified();

    // The block, owned. Allocated with new uint8_t[] (released with delete[]).
    uint8_t* m_pBlock = nullptr;
    uint8_t* m_pHeader = nullptr;
    uint8_t* m_pData = nullptr;
    uint32_t m_nDataLength = 0;
    WaveFormatCode m_nWaveFormat = WAVE_FORMAT_22050_8_MONO;
    bool m_bIsSound = false;
    bool m_bLoadFailed = false;
};
