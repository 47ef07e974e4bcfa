// Loading a file when its block cannot be allocated. The allocation is made to fail for real:
// the address-space limit of the process is lowered to a little above what it uses, so that a
// block of a gigabyte does not fit while everything else goes on as usual.
#include "document/ripwell_doc.h"

#include "platform/block_memory.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "support/scripted_desktop.h"
#include "support/address_limit.h"
#include "support/temp_dir.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// A file of one gigabyte that costs no disk space.
constexpr uint64_t kSparseLength = uint64_t(1) << 30;
// Room left above the current address space: plenty for the test, far from a gigabyte.
constexpr uint64_t kHeadroom = uint64_t(256) << 20;

uint64_t AddressSpaceInUse()
{
    std::ifstream statm("/proc/self/statm");
    uint64_t pages = 0;
    statm >> pages;
    return pages * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
}

std::string SparseFile(const TempDir& dir, const std::string& name)
{
    const std::string path = dir.file(name);
    {
        std::ofstream touch(path);
    }
    std::filesystem::resize_file(path, kSparseLength);
    return path;
}

// Opens path with the address space limited; false when the limit could not be set.
bool OpenWithScarceMemory(CRipwellDoc& doc, const std::string& path, bool* opened)
{
    rlimit saved{};
    if (::getrlimit(RLIMIT_AS, &saved) != 0)
        return false;
    rlimit scarce = saved;
    scarce.rlim_cur = AddressSpaceInUse() + kHeadroom;
    if (saved.rlim_max != RLIM_INFINITY && scarce.rlim_cur > saved.rlim_max)
        return false;
    if (::setrlimit(RLIMIT_AS, &scarce) != 0)
        return false;
    *opened = doc.OnOpenDocument(path);
    ::setrlimit(RLIMIT_AS, &saved);
    return true;
}

// A document holding ten bytes of an earlier load, with a path.
void FillEarlierData(CRipwellDoc& doc, const std::string& path)
{
    doc.OnNewDocument();
    uint8_t* block = platform::AllocateDataBlock(WAVE_HEADER_SIZE + 10);
    std::memcpy(block + WAVE_HEADER_SIZE, "0123456789", 10);
    doc.AdoptBlock(block, block, 10, false, 8);
    doc.SetPathName(path);
}

} // namespace

TEST(DocumentMemoryTest, LoadWithoutMemoryForTheBlockEmptiesTheDocumentAndSaysWhy)
{
    if (!kAddressSpaceLimitsWork)
        GTEST_SKIP() << "the sanitizers reserve more address space than any limit leaves";
    TempDir dir;
    ScriptedDesktop desktop;

    struct Case {
        const char* name;
        std::string text;
        uint32_t helpId;
    };
    const Case cases[] = {
        {"big.WAV", std::string(res::LoadString(res::IDS_WAVE_NO_MEMORY)), res::IDS_WAVE_NO_MEMORY},
        {"big.bin",
         "Not enough memory! The file you want\nto read may be too big or your hard\n"
         "disk doesn't have enough swap space.",
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = SparseFile(dir, c.name);
        CRipwellDoc doc;
        FillEarlierData(doc, dir.file("earlier.bin"));
        desktop.Clear();

        bool opened = true;
        if (!OpenWithScarceMemory(doc, path, &opened))
            GTEST_SKIP() << "cannot lower the address-space limit here";

        EXPECT_FALSE(opened);
        EXPECT_EQ(doc.m_pBlock, nullptr);
        EXPECT_EQ(doc.m_pHeader, nullptr);
        EXPECT_EQ(doc.m_pData, nullptr);
        EXPECT_EQ(doc.m_nDataLength, 0u);
        EXPECT_FALSE(doc.m_bIsSound);
        EXPECT_EQ(doc.m_nWaveFormat, 8);
        EXPECT_EQ(doc.GetTitle(), "Untitled");
        EXPECT_EQ(doc.GetPathName(), "");

        // The error sound, then one box with the text and its help number.
        const auto& events = desktop.Events();
        ASSERT_GE(events.size(), 2u);
        EXPECT_TRUE(events[events.size() - 2].IsSound(res::SOUND_ERROR));
        ASSERT_EQ(desktop.Boxes().size(), 1u);
        const DesktopEvent& box = events.back();
        ASSERT_TRUE(box.IsBox());
        EXPECT_EQ(box.text, c.text);
        EXPECT_EQ(box.Icon(), platform::MB_ICONEXCLAMATION);
        EXPECT_EQ(box.Buttons(), platform::MB_OK);
        EXPECT_EQ(box.helpId, c.helpId);
    }
}
