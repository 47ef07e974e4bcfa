// CRipwellDoc: the single document. It owns one block that holds a 44-byte wave header slot
// directly in front of the data bytes, so that header and data are always a complete wave image.
//
// A producer (paste, the extraction worker, a load) fills it like this: OnNewDocument (empties
// it), allocate the block with platform::AllocateDataBlock, AdoptBlock, SetModifiedFlag,
// UpdateAllViews.
#pragma once

#include <cstdint>
#include <string>

#include "document/wave_header.h"
#include "platform/framework/archive.h"
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
    // The bytes the data view shows: the header slot first when the view shows the wave header.
    const uint8_t* GetDisplayStart(bool showWaveHeader) const;
    int64_t GetDisplayLength(bool showWaveHeader) const;

    // Takes over a block of platform::AllocateDataBlock whose 44-byte header slot starts at
    // header, with dataLength data bytes right after it: sets the pointers, the length and the
    // sound flag, then the format (which writes the header slot). The document must be empty.
    // Returns the result of SetWaveFormat.
    bool AdoptBlock(uint8_t* block, uint8_t* header, uint32_t dataLength, bool isSound, WaveFormatCode code);

    // StopSound; release the block; pointers null, length 0, not a sound, format 8.
    void DeleteContents() override;
    // DeleteContents, clear the path name and the modified flag. The title is the caller's.
    bool OnNewDocument() override;
    // Loads the file; false when it could not be opened or loaded (the reason has been shown).
    // On success the caller sets the path name, which gives the title and the recent-file entry.
    bool OnOpenDocument(const std::string& path) override;
    // Writes the document to path; the file is replaced only when all of it was written.
    bool OnSaveDocument(const std::string& path) override;
    // Save (path = the document's) and Save As (empty path); replace renames the document.
    bool DoSave(const std::string& path, bool replace = true) override;
    // SaveModified, the save question, comes from framework::CDocument.

    // Loads the document from the archive's file, or stores it there.
    void LoadStore(framework::CArchive& ar);

    // The block, owned: from platform::AllocateDataBlock, released with ReleaseDataBlock.
    uint8_t* m_pBlock = nullptr;
    uint8_t* m_pHeader = nullptr;
    uint8_t* m_pData = nullptr;
    uint32_t m_nDataLength = 0;
    WaveFormatCode m_nWaveFormat = WAVE_FORMAT_22050_8_MONO;
    bool m_bIsSound = false;
    bool m_bLoadFailed = false;

private:
    void Load(framework::CArchive& ar);
    void LoadRawData(framework::CArchive& ar, uint64_t length);
    void LoadWaveFile(framework::CArchive& ar, uint64_t length);
    // Reads the whole file into destination; false (document emptied) on a read error,
    // which the caller of LoadStore reports.
    bool ReadWholeFile(framework::CArchive& ar, uint8_t* destination, uint64_t length);
    void Store(framework::CArchive& ar);
    // Empties the document and shows why the load failed, after the error sound.
    void FailLoad(const std::string& text, uint32_t helpId);
};
