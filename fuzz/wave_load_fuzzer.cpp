// Feeds arbitrary bytes to the wave header parser and to the document's file load, both as a
// ".wav" file and as a raw data file, and checks what came out against the bytes that went in:
// accepted exactly when the parse succeeds and the data chunk fits, the samples in place and
// unchanged, a canonical header slot in front of them, an empty document and one message
// after every refusal. AddressSanitizer catches any read or write outside the blocks.
#include "base/sounds.h"
#include "document/ripwell_doc.h"
#include "document/wave_header.h"
#include "fuzz_check.h"
#include "support/scripted_desktop.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

struct Harness {
    ScriptedDesktop desktop;
    std::string folder;
    std::string wavePath;
    std::string rawPath;
};

Harness* g_harness = nullptr;

void RemoveFolder()
{
    if (!g_harness)
        return;
    ::unlink(g_harness->wavePath.c_str());
    ::unlink(g_harness->rawPath.c_str());
    ::rmdir(g_harness->folder.c_str());
}

void CheckEmptyAfterRefusal(const CRipwellDoc& doc, const ScriptedDesktop& desktop)
{
    FUZZ_CHECK(doc.m_pBlock == nullptr && doc.m_pHeader == nullptr && doc.m_pData == nullptr);
    FUZZ_CHECK(doc.m_nDataLength == 0 && !doc.m_bIsSound && doc.m_nWaveFormat == WAVE_FORMAT_22050_8_MONO);
    FUZZ_CHECK(doc.GetTitle() == "Untitled" && doc.GetPathName().empty());
    FUZZ_CHECK(desktop.Boxes().size() == 1);
}

// The header slot in front of the samples is the canonical header of the document's format.
void CheckHeaderSlot(const CRipwellDoc& doc)
{
    uint8_t expected[WAVE_HEADER_SIZE];
    FUZZ_CHECK(BuildWaveHeader(expected, doc.m_nDataLength, doc.m_nWaveFormat));
    FUZZ_CHECK(std::memcmp(doc.m_pHeader, expected, WAVE_HEADER_SIZE) == 0);
    FUZZ_CHECK(doc.m_pData == doc.m_pHeader + WAVE_HEADER_SIZE);
    FUZZ_CHECK(doc.GetWaveImageLength() == doc.m_nDataLength + WAVE_HEADER_SIZE);
}

void FuzzParse(const uint8_t* data, size_t size, bool* parsed, uint32_t* dataStart, uint32_t* dataLength,
               WaveFormatCode* code)
{
    *parsed = ParseWaveHeader(data, static_cast<uint32_t>(size), dataStart, dataLength, code);
    if (!*parsed)
        return;
    // The data chunk header lies inside the image and after RIFF/WAVE and a full fmt chunk.
    FUZZ_CHECK(*dataStart >= WAVE_HEADER_SIZE && *dataStart <= size);
    FUZZ_CHECK(*code >= 0 && *code <= 15);
    FUZZ_CHECK(*dataLength <= 0x46464952u);
    FUZZ_CHECK(std::memcmp(data + *dataStart - 8, "data", 4) == 0);

    // What the parse found, written back as a canonical header, parses to the same values.
    uint8_t header[WAVE_HEADER_SIZE];
    FUZZ_CHECK(BuildWaveHeader(header, *dataLength, *code));
    uint32_t start2 = 0;
    uint32_t length2 = 0;
    WaveFormatCode code2 = -1;
    FUZZ_CHECK(ParseWaveHeader(header, WAVE_HEADER_SIZE, &start2, &length2, &code2));
    FUZZ_CHECK(start2 == WAVE_HEADER_SIZE && length2 == *dataLength && code2 == *code);
}

void FuzzWaveFile(const uint8_t* data, size_t size, bool parsed, uint32_t dataStart, uint32_t dataLength,
                  WaveFormatCode code)
{
    ScriptedDesktop& desktop = g_harness->desktop;
    desktop.Clear();
    WriteFuzzInput(g_harness->wavePath, data, size);
    CRipwellDoc doc;
    const bool opened = doc.OnOpenDocument(g_harness->wavePath);

    if (size == 0) {
        // An empty file is an empty document under the file's name.
        FUZZ_CHECK(opened && doc.m_pBlock == nullptr && desktop.Boxes().empty());
        return;
    }
    const bool acceptable = size > WAVE_HEADER_SIZE && parsed && uint64_t(dataStart) + dataLength <= size;
    FUZZ_CHECK(opened == acceptable);
    if (!opened) {
        CheckEmptyAfterRefusal(doc, desktop);
        return;
    }
    FUZZ_CHECK(desktop.Boxes().empty());
    FUZZ_CHECK(doc.m_bIsSound && doc.m_nWaveFormat == code && doc.m_nDataLength == dataLength);
    FUZZ_CHECK(doc.m_pData == doc.m_pBlock + dataStart);
    FUZZ_CHECK(std::memcmp(doc.m_pData, data + dataStart, dataLength) == 0);
    CheckHeaderSlot(doc);

    // The view's range with and without the header slot.
    FUZZ_CHECK(doc.GetDisplayStart(true) == doc.m_pHeader);
    FUZZ_CHECK(uint64_t(doc.GetDisplayLength(true)) == uint64_t(dataLength) + WAVE_HEADER_SIZE);
    FUZZ_CHECK(doc.GetDisplayStart(false) == doc.m_pData && uint64_t(doc.GetDisplayLength(false)) == dataLength);
}

void FuzzRawFile(const uint8_t* data, size_t size)
{
    ScriptedDesktop& desktop = g_harness->desktop;
    desktop.Clear();
    WriteFuzzInput(g_harness->rawPath, data, size);
    CRipwellDoc doc;
    FUZZ_CHECK(doc.OnOpenDocument(g_harness->rawPath));
    FUZZ_CHECK(desktop.Boxes().empty());
    if (size == 0) {
        FUZZ_CHECK(doc.m_pBlock == nullptr);
        return;
    }
    FUZZ_CHECK(!doc.m_bIsSound && doc.m_nWaveFormat == WAVE_FORMAT_22050_8_MONO && doc.m_nDataLength == size);
    FUZZ_CHECK(doc.m_pHeader == doc.m_pBlock);
    FUZZ_CHECK(std::memcmp(doc.m_pData, data, size) == 0);
    CheckHeaderSlot(doc);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_harness = new Harness;
    SetDialogSoundsEnabled(false);
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/ripwell-fuzz-XXXXXX";
    FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
    g_harness->folder = pattern;
    g_harness->wavePath = pattern + "/input.wav";
    g_harness->rawPath = pattern + "/input.bin";
    std::atexit(RemoveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    bool parsed = false;
    uint32_t dataStart = 0;
    uint32_t dataLength = 0;
    WaveFormatCode code = -1;
    FuzzParse(data, size, &parsed, &dataStart, &dataLength, &code);
    FuzzWaveFile(data, size, parsed, dataStart, dataLength, code);
    FuzzRawFile(data, size);
    return 0;
}
