// Paste when the document's block cannot be allocated. The allocation fails for real: the
// clipboard holds a block of a gigabyte that was never touched, and the address-space limit
// of the process is lowered to a little above what it uses, so that a second gigabyte does
// not fit while everything else goes on as usual.
#include "document/clipboard_transfer.h"

#include "base/sounds.h"
#include "document/ripwell_doc.h"
#include "res/resource.h"
#include "support/address_limit.h"
#include "support/document_data.h"
#include "support/scripted_clipboard.h"
#include "support/scripted_desktop.h"

#include <cstring>
#include <fstream>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace platform;

namespace {

constexpr size_t kGigabyte = size_t(1) << 30;
constexpr uint64_t kHeadroom = uint64_t(256) << 20;

uint64_t AddressSpaceInUse()
{
    std::ifstream statm("/proc/self/statm");
    uint64_t pages = 0;
    statm >> pages;
    return pages * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
}

// Pastes format with the address space limited; false when the limit could not be set.
bool PasteWithScarceMemory(CRipwellDoc& doc, uint32_t format)
{
    rlimit saved{};
    if (::getrlimit(RLIMIT_AS, &saved) != 0)
        return false;
    rlimit scarce = saved;
    scarce.rlim_cur = AddressSpaceInUse() + kHeadroom;
    if ((saved.rlim_max != RLIM_INFINITY && scarce.rlim_cur > saved.rlim_max) || ::setrlimit(RLIMIT_AS, &scarce) != 0)
        return false;
    PasteFromClipboard(doc, format, &doc);
    ::setrlimit(RLIMIT_AS, &saved);
    return true;
}

} // namespace

TEST(ClipboardTransferMemoryTest, PasteWithoutMemoryForTheBlockLeavesAnEmptyDocument)
{
    if (!kAddressSpaceLimitsWork)
        GTEST_SKIP() << "the sanitizers reserve more address space than any limit leaves";
    SetDialogSoundsEnabled(true);
    ScriptedDesktop desktop;
    ScriptedClipboard clipboard;
    for (uint32_t format : {CF_WAVE, CF_TEXT, CF_DIB}) {
        SCOPED_TRACE(format);
        clipboard.Clear();
        HGLOBAL huge = GlobalAlloc(GMEM_MOVEABLE, kGigabyte);
        ASSERT_NE(huge, nullptr);
        clipboard.PutBlock(format, huge);
        CRipwellDoc doc;
        FillDocument(doc, "x", 1);
        doc.SetTitle("earlier.bin");
        desktop.Clear();

        if (!PasteWithScarceMemory(doc, format))
            GTEST_SKIP() << "cannot lower the address-space limit here";

        EXPECT_EQ(doc.m_pBlock, nullptr);
        EXPECT_EQ(doc.m_nDataLength, 0u);
        EXPECT_EQ(doc.GetTitle(), "Untitled");
        EXPECT_FALSE(doc.IsModified());
        EXPECT_FALSE(clipboard.IsOpen());
        const std::vector<std::string> said = desktop.Transcript();
        ASSERT_GE(said.size(), 2u);
        EXPECT_EQ(said[said.size() - 2], "sound T1000");
        EXPECT_EQ(said.back(),
                  "box Not enough memory! The data you want\nto paste may be too large or your hard\n"
                  "disk doesn't have enough swap space.");
    }
}
