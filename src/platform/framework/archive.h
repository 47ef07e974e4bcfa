// CArchive: the open file a document loads from or stores into. It remembers the first
// file error, which the framework reports once the document is done with the file.
#pragma once

#include "platform/file.h"

#include <cstdint>
#include <string>

namespace framework {

class CArchive {
public:
    explicit CArchive(platform::ReadableFile& file) : m_pReadFile(&file) {}
    explicit CArchive(platform::WritableFile& file) : m_pWriteFile(&file) {}

    bool IsStoring() const { return m_pWriteFile != nullptr; }
    bool IsLoading() const { return m_pReadFile != nullptr; }
    const std::string& GetFilePath() const
    {
        return m_pReadFile ? m_pReadFile->GetFilePath() : m_pWriteFile->GetFilePath();
    }
    // Length of the file being loaded; 0 when storing.
    uint64_t GetLength() const { return m_pReadFile ? m_pReadFile->GetLength() : 0; }

    // Reads up to count bytes from the start of the file; returns how many arrived.
    uint64_t ReadAll(uint8_t* destination, uint64_t count)
    {
        uint64_t got = 0;
        if (m_pReadFile && m_error == platform::FileError::None)
            Remember(m_pReadFile->ReadAll(destination, count, &got));
        return got;
    }
    void Write(const void* data, std::size_t count)
    {
        if (m_pWriteFile && m_error == platform::FileError::None)
            Remember(m_pWriteFile->Write(data, count));
    }

    platform::FileError GetError() const { return m_error; }

private:
    void Remember(platform::FileError error)
    {
        if (m_error == platform::FileError::None)
            m_error = error;
    }

    platform::ReadableFile* m_pReadFile = nullptr;
    platform::WritableFile* m_pWriteFile = nullptr;
    platform::FileError m_error = platform::FileError::None;
};

} // namespace framework
