#include "document/ripwell_doc.h"

#include "base/sounds.h"
#include "platform/block_memory.h"
#include "platform/file.h"
#include "platform/framework/file_dialogs.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "res/string_table.h"

#include <cstring>
#include <new>

namespace {

constexpr const char* kNoMemoryForData = "Not enough memory! The file you want\nto read may be too big or your hard\n"
                                         "disk doesn't have enough swap space.";
constexpr const char* kBadWaveFormat =
    "Cannot handle this wave format\nor wave file may be corrupt.\nPress F1 to see Help.";

// Files of 2 GiB or more are not loaded.
constexpr uint64_t MAX_FILE_LENGTH = uint64_t(1) << 31;
// A title is cut at the first of these before it is proposed as a file name.
constexpr const char* kCharactersNotInFileName = "#%;/\\";

bool EqualIgnoringCase(const std::string& a, const char* b)
{
    const std::size_t length = std::strlen(b);
    if (a.size() != length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// The last four characters are ".wav" in any case; a shorter name is compared whole.
bool EndsWithWaveExtension(const std::string& name)
{
    const std::size_t tail = name.size() < 4 ? name.size() : 4;
    return EqualIgnoringCase(name.substr(name.size() - tail), ".wav");
}

std::string StringText(int id) { return std::string(res::LoadString(id)); }

} // namespace

CRipwellDoc::~CRipwellDoc() { CRipwellDoc::DeleteContents(); }

bool CRipwellDoc::SetWaveFormat(WaveFormatCode code)
{
    m_nWaveFormat = code;
    if (!m_pHeader)
        return true;
    return BuildWaveHeader(m_pHeader, m_nDataLength, code);
}

uint32_t CRipwellDoc::GetWaveImageLength() const { return m_pHeader ? m_nDataLength + WAVE_HEADER_SIZE : 0; }

const uint8_t* CRipwellDoc::GetDisplayStart(bool showWaveHeader) const { return showWaveHeader ? m_pHeader : m_pData; }

int64_t CRipwellDoc::GetDisplayLength(bool showWaveHeader) const
{
    if (showWaveHeader)
        return int64_t{m_nDataLength} + (m_pData - m_pHeader);
    return m_nDataLength;
}

bool CRipwellDoc::AdoptBlock(uint8_t* block, uint8_t* header, uint32_t dataLength, bool isSound, WaveFormatCode code)
{
    // A producer that did not empty the document first must not leave the old block behind,
    // nor a sound that still reads it.
    if (m_pBlock && m_pBlock != block)
        DeleteContents();
    m_pBlock = block;
    m_pHeader = header;
    m_pData = header + WAVE_HEADER_SIZE;
    m_nDataLength = dataLength;
    m_bIsSound = isSound;
    return SetWaveFormat(code);
}

void CRipwellDoc::DeleteContents()
{
    // Playback reads the block asynchronously: stop it before the block goes.
    StopSound();
    platform::ReleaseDataBlock(m_pBlock);
    m_pBlock = nullptr;
    m_pHeader = nullptr;
    m_pData = nullptr;
    m_nDataLength = 0;
    m_bIsSound = false;
    m_nWaveFormat = WAVE_FORMAT_22050_8_MONO;
}

bool CRipwellDoc::OnNewDocument() { return framework::CDocument::OnNewDocument(); }

bool CRipwellDoc::OnOpenDocument(const std::string& path)
{
    platform::InputFile file;
    const platform::FileError openError = file.Open(path);
    if (openError != platform::FileError::None) {
        framework::ReportSaveLoadException(path, openError, res::AFX_IDP_FAILED_TO_OPEN_DOC);
        return false;
    }

    m_bLoadFailed = false;
    DeleteContents();
    framework::CArchive ar(file);
    if (file.GetLength() > 0)
        LoadStore(ar);
    SetModifiedFlag(false);

    if (ar.GetError() != platform::FileError::None) {
        // The file could not be read after the document was emptied: it stays empty.
        DeleteContents();
        ClearPathName();
        SetTitle(StringText(res::AFX_IDS_UNTITLED));
        UpdateAllViews();
        framework::ReportSaveLoadException(path, ar.GetError(), res::AFX_IDP_FAILED_TO_OPEN_DOC);
        return false;
    }
    if (m_bLoadFailed) {
        SetTitle(StringText(res::AFX_IDS_UNTITLED));
        return false;
    }
    return true;
}

bool CRipwellDoc::OnSaveDocument(const std::string& path)
{
    // The new contents go into a temporary file next to the target, which replaces the
    // target only once everything is written: a failed save leaves the old file as it was.
    // The rename needs only the folder's permission, so a file the user may not open for
    // writing (a read-only file) is refused first, as opening it for writing would be.
    platform::FileError error = framework::CheckFileWritable(path);
    if (error != platform::FileError::None) {
        framework::ReportSaveLoadException(path, error, res::AFX_IDP_FAILED_TO_SAVE_DOC);
        return false;
    }
    platform::AtomicFileWriter file;
    error = file.Open(path);
    if (error != platform::FileError::None) {
        framework::ReportSaveLoadException(path, error, res::AFX_IDP_FAILED_TO_SAVE_DOC);
        return false;
    }
    framework::CArchive ar(file);
    LoadStore(ar);
    error = ar.GetError();
    if (error == platform::FileError::None)
        error = file.Commit();
    if (error != platform::FileError::None) {
        file.Abort();
        framework::ReportSaveLoadException(path, error, res::AFX_IDP_FAILED_TO_SAVE_DOC);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

bool CRipwellDoc::DoSave(const std::string& path, bool replace)
{
    // 1. and 2. The given name, else the document's, else a proposal from the title.
    std::string newName = path;
    if (newName.empty()) {
        newName = m_strPathName;
        if (replace && newName.empty()) {
            newName = m_strTitle;
            const std::size_t bad = newName.find_first_of(kCharactersNotInFileName);
            if (bad != std::string::npos)
                newName.resize(bad);
            const std::string extension = framework::DocumentTemplateField(4);
            if (m_bIsSound && !extension.empty())
                newName += extension;
        }
        if (!framework::PromptSaveFileName(newName))
            return false;
    }

    // 3. Raw data is never saved under the wave extension.
    if (newName.size() > 4 && !m_bIsSound && EndsWithWaveExtension(newName))
        newName.resize(newName.size() - 4);

    // 4. A failed save has changed no file (see OnSaveDocument), so there is nothing to remove.
    {
        framework::CWaitCursor wait;
        if (!OnSaveDocument(newName))
            return false;
    }
    if (replace)
        SetPathName(newName);
    return true;
}

void CRipwellDoc::LoadStore(framework::CArchive& ar)
{
    if (ar.IsStoring())
        Store(ar);
    else
        Load(ar);
}

void CRipwellDoc::Load(framework::CArchive& ar)
{
    m_bLoadFailed = true;
    m_bIsSound = EndsWithWaveExtension(ar.GetFilePath());
    const uint64_t length = ar.GetLength();
    if (length >= MAX_FILE_LENGTH) {
        FailLoad(StringText(res::IDS_FILE_TOO_BIG), res::IDS_FILE_TOO_BIG);
        return;
    }
    if (m_bIsSound)
        LoadWaveFile(ar, length);
    else
        LoadRawData(ar, length);
}

void CRipwellDoc::LoadRawData(framework::CArchive& ar, uint64_t length)
{
    uint8_t* block = platform::AllocateDataBlock(length + WAVE_HEADER_SIZE);
    if (!block) {
        FailLoad(kNoMemoryForData, 0);
        return;
    }
    if (!ReadWholeFile(ar, block + WAVE_HEADER_SIZE, length)) {
        platform::ReleaseDataBlock(block);
        return;
    }
    AdoptBlock(block, block, static_cast<uint32_t>(length), m_bIsSound, WAVE_FORMAT_22050_8_MONO);
    m_bLoadFailed = false;
}

void CRipwellDoc::LoadWaveFile(framework::CArchive& ar, uint64_t length)
{
    if (length <= WAVE_HEADER_SIZE) {
        FailLoad(StringText(res::IDS_WAVE_TOO_SHORT), res::IDS_WAVE_TOO_SHORT);
        return;
    }
    uint8_t* block = platform::AllocateDataBlock(length);
    if (!block) {
        FailLoad(StringText(res::IDS_WAVE_NO_MEMORY), res::IDS_WAVE_NO_MEMORY);
        return;
    }
    if (!ReadWholeFile(ar, block, length)) {
        platform::ReleaseDataBlock(block);
        return;
    }

    const auto imageLength = static_cast<uint32_t>(length);
    uint32_t dataStart = 0;
    uint32_t dataLength = 0;
    WaveFormatCode code = 0;
    if (!ParseWaveHeader(block, imageLength, &dataStart, &dataLength, &code) ||
        uint64_t(dataStart) + dataLength > imageLength) {
        platform::ReleaseDataBlock(block);
        FailLoad(kBadWaveFormat, res::HELP_WAVE_FORMAT);
        return;
    }
    // The header slot is the 44 bytes in front of the data chunk's samples; the file's own
    // header bytes there are overwritten with the canonical header.
    AdoptBlock(block, block + dataStart - WAVE_HEADER_SIZE, dataLength, m_bIsSound, code);
    m_bLoadFailed = false;
}

bool CRipwellDoc::ReadWholeFile(framework::CArchive& ar, uint8_t* destination, uint64_t length)
{
    const uint64_t got = ar.ReadAll(destination, length);
    if (ar.GetError() != platform::FileError::None) {
        DeleteContents();
        return false;
    }
    // A file that shrank since it was opened: what did not arrive reads as zeros, never as
    // whatever the memory held before.
    if (got < length)
        std::memset(destination + got, 0, static_cast<std::size_t>(length - got));
    return true;
}

void CRipwellDoc::Store(framework::CArchive& ar)
{
    m_bLoadFailed = true;
    if (m_pHeader) {
        if (m_bIsSound)
            ar.Write(m_pHeader, std::size_t(m_nDataLength) + WAVE_HEADER_SIZE);
        else
            ar.Write(m_pData, m_nDataLength);
    }
    m_bLoadFailed = false;
}

void CRipwellDoc::FailLoad(const std::string& text, uint32_t helpId)
{
    OnNewDocument();
    PlayErrorSound();
    UpdateAllViews();
    platform::MessageBox(text, platform::MB_OK | platform::MB_ICONEXCLAMATION, helpId);
}
