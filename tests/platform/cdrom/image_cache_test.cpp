// What the device layer keeps of a disc image between requests: kept while the image and the
// files it names stay as they are, read anew when one of them changed, and let go when the
// drive's door is opened and closed. Where the kernel reports changes, any change counts; where it
// cannot (an image reached through a symbolic link), the image file's size and time do.
#include "platform/cdrom/image_disc.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/cdrom/disc.h"
#include "platform/mci/cd_audio_unit.h"
#include "support/temp_dir.h"

namespace {

using platform::cdrom::Disc;
using platform::cdrom::OpenDisc;
using platform::cdrom::SourceKind;

void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

struct timespec ModifiedTime(const std::string& path)
{
    struct stat info;
    EXPECT_EQ(stat(path.c_str(), &info), 0);
    return info.st_mtim;
}

void SetModifiedTime(const std::string& path, struct timespec when)
{
    const struct timespec times[2] = {when, when};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::unique_ptr<Disc> Open(const std::string& path)
{
    std::string reason;
    auto disc = OpenDisc(path, SourceKind::ImageFile, &reason);
    EXPECT_TRUE(disc) << reason;
    return disc;
}

class ImageCache : public testing::Test {
protected:
    void SetUp() override
    {
        Write(m_folder.file("disc.bin"), std::string(size_t(300) * 2352, '\x11'));
        Write(m_sheet, Sheet("00:00:00"));
    }

    // Sheets of one size that differ in where INDEX 01 lies.
    static std::string Sheet(const char* index01)
    {
        return std::string("FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 ") + index01 + "\n";
    }

    TempDir m_folder;
    const std::string m_sheet = m_folder.file("disc.cue");
};

TEST_F(ImageCache, AnImageIsReadOnceAndAnyChangeIsSeen)
{
    // Two requests share what the first one read.
    const auto first = Open(m_sheet);
    const auto second = Open(m_sheet);
    EXPECT_EQ(&first->Toc(), &second->Toc());
    EXPECT_EQ(second->Toc().tracks[0].start, 0u);
    const uint32_t changes = second->MediaChangeCount();

    // Other text of the same size under the same time, as a quick rewrite within one tick of
    // the clock leaves it: seen all the same.
    const struct timespec before = ModifiedTime(m_sheet);
    Write(m_sheet, Sheet("00:00:10"));
    SetModifiedTime(m_sheet, before);
    const auto disc = Open(m_sheet);
    EXPECT_NE(&disc->Toc(), &first->Toc());
    EXPECT_EQ(disc->Toc().tracks[0].start, 10u);
    EXPECT_EQ(disc->MediaChangeCount(), changes + 1);
    EXPECT_EQ(first->Toc().tracks[0].start, 0u); // a handle keeps the disc it opened
}

TEST_F(ImageCache, ThroughALinkTheImageIsKeptWhileItsSizeAndTimeStayTheSame)
{
    const std::string link = m_folder.file("link.cue");
    ASSERT_EQ(symlink(m_sheet.c_str(), link.c_str()), 0);
    EXPECT_EQ(Open(link)->Toc().tracks[0].start, 0u);
    const uint32_t changes = Open(link)->MediaChangeCount();

    const struct timespec before = ModifiedTime(m_sheet);
    Write(m_sheet, Sheet("00:00:10"));
    SetModifiedTime(m_sheet, before);
    EXPECT_EQ(Open(link)->Toc().tracks[0].start, 0u);
    EXPECT_EQ(Open(link)->MediaChangeCount(), changes);

    SetModifiedTime(m_sheet, {before.tv_sec + 10, before.tv_nsec});
    const auto disc = Open(link);
    EXPECT_EQ(disc->Toc().tracks[0].start, 10u);
    EXPECT_EQ(disc->MediaChangeCount(), changes + 1);
}

TEST_F(ImageCache, AFileOfTheImageThatChangedIsReadAnewEvenByAnOpenHandle)
{
    const auto early = Open(m_sheet);
    std::vector<uint8_t> sector(2352);
    ASSERT_TRUE(early->ReadRaw(5, 1, sector.data()));
    EXPECT_EQ(sector[0], 0x11);
    const uint32_t changes = early->MediaChangeCount();

    const std::string bin = m_folder.file("disc.bin");
    const struct timespec before = ModifiedTime(bin);
    Write(bin, std::string(size_t(300) * 2352, '\x22'));
    SetModifiedTime(bin, {before.tv_sec + 10, before.tv_nsec});
    ASSERT_TRUE(early->ReadRaw(5, 1, sector.data()));
    EXPECT_EQ(sector[0], 0x22);
    EXPECT_EQ(early->MediaChangeCount(), changes + 1);

    // A BIN replaced by another file (a new rip renamed into place) is seen too.
    Write(m_folder.file("new.bin"), std::string(size_t(300) * 2352, '\x33'));
    ASSERT_EQ(rename(m_folder.file("new.bin").c_str(), bin.c_str()), 0);
    const auto late = Open(m_sheet);
    ASSERT_TRUE(late->ReadRaw(5, 1, sector.data()));
    EXPECT_EQ(sector[0], 0x33);
}

TEST_F(ImageCache, ADoorOpenedAndClosedLetsGoOfWhatIsKept)
{
    const auto before = Open(m_sheet);
    const uint32_t changes = before->MediaChangeCount();
    auto unit = platform::CreateImageCdAudioUnit(m_sheet);
    ASSERT_TRUE(unit);
    EXPECT_EQ(unit->OpenDoor(), 0u);
    EXPECT_EQ(unit->CloseDoor(), 0u);
    const auto after = Open(m_sheet);
    EXPECT_NE(&after->Toc(), &before->Toc());      // read anew
    EXPECT_EQ(after->MediaChangeCount(), changes); // the door is the drive's count; the files did not change
    platform::cdrom::TableOfContents toc;
    ASSERT_TRUE(unit->ReadToc(toc));
    EXPECT_EQ(toc.leadOut, 300u);
}

} // namespace
