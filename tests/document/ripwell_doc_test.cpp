#include "document/ripwell_doc.h"

#include "platform/block_memory.h"
#include "res/resource.h"
#include "support/scripted_desktop.h"
#include "support/scripted_file_dialogs.h"
#include "support/temp_dir.h"

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

const char* const kBadWave = "Cannot handle this wave format\nor wave file may be corrupt.\nPress F1 to see Help.";

void WriteFile(const std::string& path, const Bytes& contents)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(contents.data()), static_cast<std::streamsize>(contents.size()));
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void Put32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A 44100 Hz 16-bit stereo wave with an 18-byte fmt body and a LIST chunk in front of the
// samples, as other programs write them; dataLength is what the data chunk claims.
Bytes LongHeaderWave(uint32_t dataLength, uint32_t samplesPresent)
{
    Bytes b;
    const uint8_t head[] = {'R', 'I', 'F', 'F', 0, 0,    0,    0, 'W', 'A',  'V',  'E', 'f', 'm', 't', ' ', 18, 0, 0,
                            0,   1,   0,   2,   0, 0x44, 0xAC, 0, 0,   0x10, 0xB1, 2,   0,   4,   0,   16,  0,  0, 0};
    b.assign(std::begin(head), std::end(head));
    for (char c : std::string("LIST"))
        b.push_back(static_cast<uint8_t>(c));
    Put32(b, 20);
    b.resize(b.size() + 20, 'i');
    for (char c : std::string("data"))
        b.push_back(static_cast<uint8_t>(c));
    Put32(b, dataLength);
    for (uint32_t i = 0; i < samplesPresent; ++i)
        b.push_back(static_cast<uint8_t>(i * 3 + 1));
    return b;
}

Bytes CanonicalWave(const Bytes& samples, WaveFormatCode code)
{
    Bytes b(WAVE_HEADER_SIZE);
    BuildWaveHeader(b.data(), static_cast<uint32_t>(samples.size()), code);
    b.insert(b.end(), samples.begin(), samples.end());
    return b;
}

Bytes Counting(std::size_t n)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>(i);
    return b;
}

// What the document template does after a successful OnOpenDocument.
bool OpenLikeTheFramework(CRipwellDoc& doc, const std::string& path)
{
    if (!doc.OnOpenDocument(path))
        return false;
    doc.SetPathName(path);
    return true;
}

void ExpectEmpty(const CRipwellDoc& doc)
{
    EXPECT_EQ(doc.m_pBlock, nullptr);
    EXPECT_EQ(doc.m_pHeader, nullptr);
    EXPECT_EQ(doc.m_pData, nullptr);
    EXPECT_EQ(doc.m_nDataLength, 0u);
    EXPECT_FALSE(doc.m_bIsSound);
    EXPECT_EQ(doc.m_nWaveFormat, 8);
}

// Checks that the last two events are the error sound and then the box with text and help number.
void ExpectErrorBoxAfterSound(const ScriptedDesktop& desktop, const std::string& text, uint32_t helpId)
{
    const auto& events = desktop.Events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_TRUE(events[events.size() - 2].IsSound(res::SOUND_ERROR));
    const DesktopEvent& box = events.back();
    ASSERT_TRUE(box.IsBox());
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.Icon(), platform::MB_ICONEXCLAMATION);
    EXPECT_EQ(box.Buttons(), platform::MB_OK);
    EXPECT_EQ(box.helpId, helpId);
}

class DocumentTest : public testing::Test {
protected:
    // A document holding a raw 10-byte block, as a paste would leave it.
    void FillRaw(CRipwellDoc& doc)
    {
        doc.OnNewDocument();
        uint8_t* block = platform::AllocateDataBlock(WAVE_HEADER_SIZE + 10);
        std::memcpy(block + WAVE_HEADER_SIZE, "0123456789", 10);
        doc.AdoptBlock(block, block, 10, false, 8);
        doc.SetModifiedFlag();
    }

    TempDir dir;
    ScriptedDesktop desktop;
    ScriptedFileDialogs dialogs;
};

} // namespace

TEST_F(DocumentTest, WaveFileLoadsIntoItsOwnBlockWithACanonicalHeaderSlot)
{
    const std::string path = dir.file("x.WAV");
    const Bytes file = LongHeaderWave(100, 100);
    WriteFile(path, file);
    CRipwellDoc doc;
    ASSERT_TRUE(OpenLikeTheFramework(doc, path));
    EXPECT_TRUE(doc.m_bIsSound);
    EXPECT_EQ(doc.m_nWaveFormat, 15);
    EXPECT_EQ(doc.m_nDataLength, 100u);
    EXPECT_EQ(doc.GetTitle(), "x.WAV");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(desktop.Boxes().empty());
    // The samples stay where the file had them; the 44 bytes in front are the canonical header.
    const std::size_t dataStart = file.size() - 100;
    EXPECT_EQ(doc.m_pData, doc.m_pBlock + dataStart);
    EXPECT_EQ(doc.m_pHeader, doc.m_pData - WAVE_HEADER_SIZE);
    EXPECT_EQ(std::memcmp(doc.m_pData, file.data() + dataStart, 100), 0);
    Bytes expectedHeader(WAVE_HEADER_SIZE);
    BuildWaveHeader(expectedHeader.data(), 100, 15);
    EXPECT_EQ(std::memcmp(doc.m_pHeader, expectedHeader.data(), WAVE_HEADER_SIZE), 0);
    EXPECT_EQ(doc.GetWaveImageLength(), 144u);

    // Saving writes the canonical 44-byte header of the current format and the samples.
    ASSERT_TRUE(doc.SetWaveFormat(2));
    const std::string saved = dir.file("saved.wav");
    ASSERT_TRUE(doc.DoSave(saved));
    const Bytes written = ReadFile(saved);
    ASSERT_EQ(written.size(), 144u);
    EXPECT_EQ(written, CanonicalWave(Bytes(file.end() - 100, file.end()), 2));
    EXPECT_EQ(doc.GetPathName(), saved);
    EXPECT_EQ(doc.GetTitle(), "saved.wav");
}

TEST_F(DocumentTest, OtherFilesLoadAsRawDataAndAreNeverSavedUnderTheWaveExtension)
{
    const std::string path = dir.file("x.bin");
    const Bytes contents = Counting(1000);
    WriteFile(path, contents);
    CRipwellDoc doc;
    ASSERT_TRUE(OpenLikeTheFramework(doc, path));
    EXPECT_FALSE(doc.m_bIsSound);
    EXPECT_EQ(doc.m_nWaveFormat, 8);
    EXPECT_EQ(doc.m_nDataLength, 1000u);
    EXPECT_EQ(doc.m_pHeader, doc.m_pBlock);
    EXPECT_EQ(std::memcmp(doc.m_pData, contents.data(), 1000), 0);
    Bytes header(WAVE_HEADER_SIZE);
    BuildWaveHeader(header.data(), 1000, 8);
    EXPECT_EQ(std::memcmp(doc.m_pHeader, header.data(), WAVE_HEADER_SIZE), 0);

    dialogs.ChooseNext(dir.file("y.wav"));
    ASSERT_TRUE(doc.DoSave(""));
    EXPECT_FALSE(std::filesystem::exists(dir.file("y.wav")));
    EXPECT_EQ(ReadFile(dir.file("y")), contents);
    EXPECT_EQ(doc.GetTitle(), "y");
    // Save As of a document with a path proposes that path.
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].fileName, path);
}

TEST_F(DocumentTest, FailedLoadsEmptyTheDocumentAfterTheErrorSound)
{
    CRipwellDoc doc;
    FillRaw(doc);
    doc.SetPathName(dir.file("old.bin"));

    const std::string tooShort = dir.file("a.wav");
    WriteFile(tooShort, Bytes(44, 0));
    EXPECT_FALSE(doc.OnOpenDocument(tooShort));
    ExpectEmpty(doc);
    EXPECT_EQ(doc.GetTitle(), "Untitled");
    EXPECT_EQ(doc.GetPathName(), "");
    EXPECT_FALSE(doc.IsModified());
    ExpectErrorBoxAfterSound(desktop, "Wave file is too short. Skipped.", res::IDS_WAVE_TOO_SHORT);
    EXPECT_TRUE(desktop.Events().front().IsStop()); // the block went only after the sound stopped

    // 45 bytes reach the format check.
    WriteFile(tooShort, Bytes(45, 0));
    EXPECT_FALSE(doc.OnOpenDocument(tooShort));
    ExpectErrorBoxAfterSound(desktop, kBadWave, res::HELP_WAVE_FORMAT);

    // A data chunk that claims more than the file holds is refused ...
    const std::string claimsMore = dir.file("more.wav");
    WriteFile(claimsMore, LongHeaderWave(101, 100));
    EXPECT_FALSE(doc.OnOpenDocument(claimsMore));
    ExpectEmpty(doc);
    ExpectErrorBoxAfterSound(desktop, kBadWave, res::HELP_WAVE_FORMAT);

    // ... one with fewer bytes than the file is accepted, the rest ignored.
    desktop.Clear();
    Bytes trailing = LongHeaderWave(60, 100);
    WriteFile(claimsMore, trailing);
    ASSERT_TRUE(doc.OnOpenDocument(claimsMore));
    EXPECT_EQ(doc.m_nDataLength, 60u);
    EXPECT_TRUE(desktop.Boxes().empty());
}

TEST_F(DocumentTest, EmptyFileGivesAnEmptyDocumentUnderItsName)
{
    CRipwellDoc doc;
    FillRaw(doc);
    const std::string path = dir.file("nothing.wav");
    WriteFile(path, {});
    ASSERT_TRUE(OpenLikeTheFramework(doc, path));
    ExpectEmpty(doc);
    EXPECT_EQ(doc.GetTitle(), "nothing.wav");
    EXPECT_TRUE(desktop.Boxes().empty());
    EXPECT_EQ(doc.GetWaveImageLength(), 0u);
}

TEST_F(DocumentTest, FileThatCannotBeOpenedLeavesTheDocumentAsItWas)
{
    CRipwellDoc doc;
    FillRaw(doc);
    uint8_t* block = doc.m_pBlock;
    const std::string missing = dir.file("missing.wav");
    EXPECT_FALSE(doc.OnOpenDocument(missing));
    EXPECT_EQ(doc.m_pBlock, block);
    EXPECT_EQ(doc.m_nDataLength, 10u);
    ASSERT_EQ(desktop.Boxes().size(), 1u);
    EXPECT_EQ(desktop.Boxes()[0].text,
              missing + "\nCannot find this file.\nPlease verify that the correct path and file name are given.");
    EXPECT_EQ(desktop.Boxes()[0].helpId, uint32_t(res::AFX_IDP_FILE_NOT_FOUND));
    for (const DesktopEvent& event : desktop.Events()) // the framework's messages come without a sound
        EXPECT_FALSE(event.IsSound(res::SOUND_ERROR));
}

TEST_F(DocumentTest, FilesOfTwoGigabytesAreRefused)
{
    const std::string path = dir.file("huge.bin");
    {
        std::ofstream touch(path);
    }
    std::filesystem::resize_file(path, uint64_t(1) << 31); // sparse: costs no disk space
    CRipwellDoc doc;
    EXPECT_FALSE(doc.OnOpenDocument(path));
    ExpectEmpty(doc);
    ExpectErrorBoxAfterSound(desktop, "This file is too big to be loaded. Skipped.", res::IDS_FILE_TOO_BIG);
}

TEST_F(DocumentTest, WaveFormatAndDisplayRange)
{
    CRipwellDoc doc;
    EXPECT_TRUE(doc.SetWaveFormat(20));
    EXPECT_EQ(doc.m_nWaveFormat, 20);
    EXPECT_EQ(doc.GetDisplayLength(false), 0);
    EXPECT_EQ(doc.GetDisplayLength(true), 0);
    EXPECT_EQ(doc.GetDisplayStart(true), nullptr);

    FillRaw(doc);
    Bytes before(doc.m_pHeader, doc.m_pHeader + WAVE_HEADER_SIZE);
    EXPECT_FALSE(doc.SetWaveFormat(20));
    EXPECT_EQ(doc.m_nWaveFormat, 20);
    EXPECT_EQ(Bytes(doc.m_pHeader, doc.m_pHeader + WAVE_HEADER_SIZE), before);

    EXPECT_EQ(doc.GetDisplayStart(true), doc.m_pHeader);
    EXPECT_EQ(doc.GetDisplayLength(true), 54);
    EXPECT_EQ(doc.GetDisplayStart(false), doc.m_pData);
    EXPECT_EQ(doc.GetDisplayLength(false), 10);
}

TEST_F(DocumentTest, SaveAsProposesTheTitleCutAtCharactersFileNamesCannotHave)
{
    CRipwellDoc doc;
    doc.SetTitle("Untitled");
    doc.m_bIsSound = true;
    EXPECT_FALSE(doc.DoSave("")); // the scripted dialog cancels
    doc.SetTitle("a#b");
    EXPECT_FALSE(doc.DoSave(""));
    doc.m_bIsSound = false;
    EXPECT_FALSE(doc.DoSave(""));
    doc.SetTitle("Track 3; live/encore");
    EXPECT_FALSE(doc.DoSave(""));

    const auto& requests = dialogs.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].fileName, "Untitled.wav");
    EXPECT_EQ(requests[1].fileName, "a.wav");
    EXPECT_EQ(requests[2].fileName, "a");
    EXPECT_EQ(requests[3].fileName, "Track 3");
    const framework::FileDialogRequest& r = requests[0];
    EXPECT_FALSE(r.openFileDialog);
    EXPECT_EQ(r.title, "Save As");
    ASSERT_EQ(r.filters.size(), 2u);
    EXPECT_EQ(r.filters[0].text, "Wave Files (*.wav)");
    EXPECT_EQ(r.filters[1].text, "All Files (*.*)");
    EXPECT_EQ(r.flags, framework::OFN_HIDEREADONLY | framework::OFN_PATHMUSTEXIST | framework::OFN_OVERWRITEPROMPT);
    EXPECT_TRUE(desktop.Boxes().empty());
}

TEST_F(DocumentTest, SaveQuestionAnswers)
{
    CRipwellDoc doc;
    EXPECT_TRUE(doc.SaveModified()); // not modified: no question
    EXPECT_TRUE(desktop.Boxes().empty());

    FillRaw(doc);
    const std::string path = dir.file("data.bin");
    doc.SetPathName(path);
    doc.SetModifiedFlag();

    desktop.AnswerNext(platform::IDCANCEL);
    EXPECT_FALSE(doc.SaveModified());
    desktop.AnswerNext(platform::IDNO);
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_FALSE(std::filesystem::exists(path));
    desktop.AnswerNext(platform::IDYES);
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_EQ(ReadFile(path), Bytes({'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'}));
    EXPECT_FALSE(doc.IsModified());

    const auto boxes = desktop.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Save changes to data.bin?");
    EXPECT_EQ(boxes[0].Buttons(), platform::MB_YESNOCANCEL);

    // Without a path the title names the document, and Yes means Save As; a cancelled
    // dialog is a failed save, so the calling command stops.
    CRipwellDoc untitled;
    FillRaw(untitled);
    untitled.SetTitle("Untitled");
    desktop.AnswerNext(platform::IDYES);
    EXPECT_FALSE(untitled.SaveModified());
    EXPECT_EQ(desktop.Boxes().back().text, "Save changes to Untitled?");
    EXPECT_EQ(dialogs.Requests().back().fileName, "Untitled");
}

TEST_F(DocumentTest, FailedSaveOverAnExistingFileKeepsThatFile)
{
    // The user's file is bigger than the process may write, so the save fails part-way.
    const std::string target = dir.file("song.wav");
    const Bytes precious = Counting(6000);
    WriteFile(target, precious);

    CRipwellDoc doc;
    doc.OnNewDocument();
    doc.SetTitle("Untitled");
    uint8_t* block = platform::AllocateDataBlock(WAVE_HEADER_SIZE + 8000);
    std::memset(block, 0, WAVE_HEADER_SIZE + 8000);
    doc.AdoptBlock(block, block, 8000, true, 15);
    doc.SetModifiedFlag();
    dialogs.ChooseNext(target);

    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool savedOk = doc.DoSave("");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(savedOk);
    EXPECT_EQ(ReadFile(target), precious);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    // The document is unchanged: still modified, still without a path.
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), "");
    EXPECT_EQ(doc.m_nDataLength, 8000u);
    ASSERT_EQ(desktop.Boxes().size(), 1u);
    EXPECT_EQ(desktop.Boxes()[0].text, target + "\nThere is not enough space on the disk.\nThe file was not saved.");
}

TEST_F(DocumentTest, FailedSaveOnAFullDiskKeepsTheOldFile)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs administrator rights";
    const std::string mountPoint = dir.file("small");
    std::filesystem::create_directory(mountPoint);
    if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const std::string target = mountPoint + "/take.bin";
    const Bytes old = Counting(40000);
    WriteFile(target, old);

    CRipwellDoc doc;
    doc.OnNewDocument();
    uint8_t* block = platform::AllocateDataBlock(WAVE_HEADER_SIZE + 50000);
    std::memset(block, 0, WAVE_HEADER_SIZE + 50000);
    doc.AdoptBlock(block, block, 50000, false, 8);
    const bool savedOk = doc.DoSave(target);
    const Bytes after = ReadFile(target);
    const auto filesLeft = std::distance(std::filesystem::directory_iterator(mountPoint), {});
    ::umount(mountPoint.c_str());

    EXPECT_FALSE(savedOk);
    EXPECT_EQ(after, old);
    EXPECT_EQ(filesLeft, 1);
    ASSERT_EQ(desktop.Boxes().size(), 1u);
    EXPECT_EQ(desktop.Boxes()[0].helpId, uint32_t(res::AFX_IDP_FILE_DISKFULL));
}

TEST_F(DocumentTest, SaveOverAReadOnlyFileIsRefusedAndReplacesNothing)
{
    // The folder lets anyone create and rename files, so only the check of the file itself can
    // keep the save from renaming a new file over it. The administrator may write any file, so
    // the save runs in a child process as the ordinary user "nobody".
    const std::string target = dir.file("keep.bin");
    const Bytes precious = Counting(300);
    WriteFile(target, precious);
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);

    int results[2];
    ASSERT_EQ(::pipe(results), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(results[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        CRipwellDoc doc;
        FillRaw(doc);
        doc.SetPathName(target, false);
        const bool saved = doc.DoSave(target);
        // File Save of a read-only file asks for another name instead (the dialog is cancelled).
        const bool fileSaved = doc.DoFileSave();
        std::string report = std::to_string(saved) + std::to_string(fileSaved) + "\n";
        for (const DesktopEvent& box : desktop.Boxes())
            report += std::to_string(box.helpId) + " " + box.text + "\n";
        for (const framework::FileDialogRequest& request : dialogs.Requests())
            report += "dialog " + request.title + " " + request.fileName + "\n";
        const bool written = ::write(results[1], report.data(), report.size()) == ssize_t(report.size());
        ::_exit(written ? 0 : 3);
    }
    ::close(results[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = ::read(results[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, std::size_t(n));
    ::close(results[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    const std::string denied = std::to_string(res::AFX_IDP_FILE_ACCESS_DENIED) + " " + target +
        "\nAccess to this file was denied.\n"
        "Please verify that you may use it and that the disk is not write-protected.\n";
    EXPECT_EQ(report, "00\n" + denied + "dialog Save As " + target + "\n");
    EXPECT_EQ(ReadFile(target), precious);
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(Document, DisplayLengthOfAHugeRawFileWithItsHeaderDoesNotWrap)
{
    // No 2 GiB are needed: the length is worked out from the pointers and the count alone.
    CRipwellDoc doc;
    uint8_t header[WAVE_HEADER_SIZE] = {};
    doc.m_pHeader = header;
    doc.m_pData = header + WAVE_HEADER_SIZE;
    doc.m_nDataLength = 0x7FFFFFFFu - 43u; // 2^31 - 44 bytes
    EXPECT_EQ(doc.GetDisplayLength(true), int64_t{1} << 31);
    EXPECT_EQ(doc.GetDisplayLength(false), (int64_t{1} << 31) - 44);
    doc.m_nDataLength = 0xFFFFFFFFu;
    EXPECT_EQ(doc.GetDisplayLength(true), int64_t{0xFFFFFFFF} + 44);
    doc.m_pHeader = nullptr;
    doc.m_pData = nullptr;
    doc.m_nDataLength = 0;
}
