// One contract for the platform clipboard, held by the desktop's clipboard (on Qt's offscreen
// platform, whose clipboard lives in this process) and by the test double; then what only the
// desktop's clipboard does: other programs' MIME types as formats.
#include "platform/clipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/global_memory.h"
#include "platform/ui/qt_clipboard.h"
#include "support/scripted_clipboard.h"

using namespace platform;

namespace {

HGLOBAL Block(const std::string& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

std::string BytesOf(HANDLE block)
{
    const size_t size = GlobalSize(block);
    const auto* bytes = static_cast<const char*>(GlobalLock(block));
    if (!bytes)
        return "<no block>";
    std::string copy(bytes, size);
    GlobalUnlock(block);
    return copy;
}

std::vector<uint32_t> Enumerate()
{
    std::vector<uint32_t> formats;
    for (uint32_t f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f))
        formats.push_back(f);
    return formats;
}

// Installs the backend under test for the test's lifetime.
struct Backend {
    std::string name;
    std::function<std::shared_ptr<void>()> install;
};

void PrintTo(const Backend& backend, std::ostream* out) { *out << backend.name; }

class ClipboardContract : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override { m_installed = GetParam().install(); }
    void TearDown() override { m_installed.reset(); }
    std::shared_ptr<void> m_installed;
};

const int kOwnerA = 0;
const int kOwnerB = 0;

} // namespace

TEST_P(ClipboardContract, BlocksGoOnAndComeBackWithTheirExactSizes)
{
    ASSERT_TRUE(OpenClipboard(&kOwnerA));
    ASSERT_TRUE(EmptyClipboard());
    ASSERT_TRUE(CloseClipboard());
    EXPECT_EQ(CountClipboardFormats(), 0);

    // Nothing works on a clipboard that is not open, nor sets data before it was emptied.
    HGLOBAL text = Block(std::string("AB\0", 3));
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_EQ(SetClipboardData(CF_TEXT, text), nullptr);
    EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);
    ASSERT_TRUE(OpenClipboard(&kOwnerA));
    EXPECT_FALSE(OpenClipboard(&kOwnerB));
    EXPECT_EQ(SetClipboardData(CF_TEXT, text), nullptr);

    ASSERT_TRUE(EmptyClipboard());
    EXPECT_EQ(SetClipboardData(CF_TEXT, text), text);
    HGLOBAL privateBlock = Block("private");
    EXPECT_EQ(SetClipboardData(0x2A0, privateBlock), privateBlock);
    HGLOBAL replacing = Block(std::string("CD\0", 3));
    EXPECT_EQ(SetClipboardData(CF_TEXT, replacing), replacing);
    EXPECT_EQ(GetClipboardData(CF_TEXT), replacing);
    EXPECT_EQ(Enumerate(), std::vector<uint32_t>({CF_TEXT, 0x2A0}));
    ASSERT_TRUE(CloseClipboard());
    EXPECT_EQ(Enumerate(), std::vector<uint32_t>()); // not open
    EXPECT_EQ(CountClipboardFormats(), 2);

    ASSERT_TRUE(OpenClipboard(&kOwnerB));
    EXPECT_EQ(BytesOf(GetClipboardData(CF_TEXT)), std::string("CD\0", 3));
    EXPECT_EQ(BytesOf(GetClipboardData(0x2A0)), "private");
    EXPECT_EQ(GetClipboardData(CF_WAVE), nullptr);
    ASSERT_TRUE(CloseClipboard());
    EXPECT_FALSE(CloseClipboard());
}

INSTANTIATE_TEST_SUITE_P(Backends, ClipboardContract,
                         ::testing::Values(Backend{"Desktop",
                                                   [] {
                                                       auto service = std::make_shared<QtClipboard>();
                                                       SetClipboardService(service.get());
                                                       return std::shared_ptr<void>(service.get(), [service](void*) {
                                                           SetClipboardService(nullptr);
                                                       });
                                                   }},
                                           Backend{"Double", [] { return std::make_shared<ScriptedClipboard>(); }}),
                         [](const ::testing::TestParamInfo<Backend>& backend) { return backend.param.name; });

TEST(DesktopClipboard, OtherProgramsMimeTypesAreListedAsFormats)
{
    QtClipboard service;
    SetClipboardService(&service);
    QImage image(2, 1, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    QByteArray png;
    QBuffer buffer(&png);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG"));
    auto* other = new QMimeData;
    other->setData("text/html", "<b>x</b>");
    other->setData("application/x-ripwell-clipboard-format-7", QByteArray("\x84\0\0", 3));
    other->setText(QString::fromUtf8("h\xC3\xA9"));
    other->setData("audio/x-wav", "RIFF....WAVE");
    other->setData("image/png", png);
    QGuiApplication::clipboard()->setMimeData(other);

    EXPECT_EQ(CountClipboardFormats(), 7);
    const uint32_t html = RegisterClipboardFormatA("TEXT/HTML"); // names are compared ignoring case
    const uint32_t pngFormat = RegisterClipboardFormatA("image/png");
    ASSERT_GT(html, CF_REGISTERED_BASE);
    ASSERT_TRUE(OpenClipboard(&service));
    EXPECT_EQ(Enumerate(),
              std::vector<uint32_t>({CF_OEMTEXT, html, CF_TEXT, CF_UNICODETEXT, CF_WAVE, CF_DIB, pngFormat}));
    char name[6];
    EXPECT_EQ(GetClipboardFormatNameA(html, name, sizeof name), 5);
    EXPECT_STREQ(name, "text/");
    EXPECT_EQ(GetClipboardFormatNameA(CF_TEXT, name, sizeof name), 0);

    EXPECT_EQ(BytesOf(GetClipboardData(CF_OEMTEXT)), std::string("\x84\0\0", 3)); // another Ripwell's bytes
    EXPECT_EQ(BytesOf(GetClipboardData(html)), "<b>x</b>");
    EXPECT_EQ(BytesOf(GetClipboardData(CF_TEXT)), std::string("h\xC3\xA9\0", 4));
    EXPECT_EQ(BytesOf(GetClipboardData(CF_UNICODETEXT)), std::string("h\0\xE9\0\0\0", 6));
    EXPECT_EQ(BytesOf(GetClipboardData(CF_WAVE)), "RIFF....WAVE");
    EXPECT_EQ(BytesOf(GetClipboardData(pngFormat)), png.toStdString());
    EXPECT_EQ(BytesOf(GetClipboardData(CF_DIB)).substr(0, 4), std::string("\x28\0\0\0", 4));

    // Another program taking the clipboard meanwhile changes nothing that was handed out.
    HANDLE text = GetClipboardData(CF_TEXT);
    QGuiApplication::clipboard()->setMimeData(new QMimeData);
    EXPECT_EQ(BytesOf(text), std::string("h\xC3\xA9\0", 4));
    EXPECT_EQ(Enumerate().size(), 7u);
    ASSERT_TRUE(CloseClipboard());
    EXPECT_FALSE(IsGlobalBlock(text)); // made for the open clipboard, gone with it
    EXPECT_EQ(CountClipboardFormats(), 0);
    SetClipboardService(nullptr);
}
