// The clipboard commands on the clipboard of a real X server, with xclip as the other program.
// While xclip reads what Ripwell copied, this process must answer the X selection requests,
// so every wait keeps the Qt event loop running.
#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "base/sounds.h"
#include "document/ripwell_doc.h"
#include "document/ui/clipboard_commands.h"
#include "document/wave_header.h"
#include "platform/clipboard.h"
#include "platform/ui/qt_clipboard.h"
#include "res/resource.h"
#include "support/document_data.h"
#include "support/scripted_desktop.h"
#include "support/temp_dir.h"
#include "support/ui/clip_format_choice.h"
#include "support/ui/dialog_script.h"
#include "x11/x11_display.h"

using namespace platform;

namespace {

constexpr int kDeadlineMs = 20000;

struct Finished {
    int exitCode = -1;
    QByteArray output;
};

// Runs a program to its end, the event loop running meanwhile; exit code -1 when it did not
// start or did not end within the deadline.
Finished RunKeepingEventLoop(const QString& program, const QStringList& arguments)
{
    QProcess process;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    process.start(program, arguments);
    deadline.start(kDeadlineMs);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.error() == QProcess::FailedToStart)
        return {};
    return {process.exitCode(), process.readAllStandardOutput()};
}

QByteArray ReadClipboard(const char* target)
{
    const Finished read = RunKeepingEventLoop("xclip", {"-selection", "clipboard", "-t", target, "-o"});
    EXPECT_EQ(read.exitCode, 0) << "xclip -t " << target;
    return read.output;
}

// Waits, the event loop running, until the condition holds; false at the deadline.
bool WaitFor(const std::function<bool()>& condition)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (condition() || clock.elapsed() > kDeadlineMs)
            loop.quit();
    });
    tick.start(10);
    if (!condition())
        loop.exec();
    return condition();
}

// xclip owning the clipboard with the bytes of a file under a target, until the object goes.
class XclipOwner {
public:
    XclipOwner(const std::string& file, const char* target)
    {
        m_process.start("xclip",
                        {"-selection", "clipboard", "-quiet", "-t", target, "-i", QString::fromStdString(file)});
        m_process.waitForStarted();
    }
    ~XclipOwner()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

private:
    QProcess m_process;
};

std::string WriteFile(const TempDir& dir, const std::string& name, const QByteArray& bytes)
{
    const std::string path = dir.file(name);
    std::ofstream(path, std::ios::binary).write(bytes.constData(), bytes.size());
    return path;
}

QByteArray Data(const CRipwellDoc& doc)
{
    return QByteArray(reinterpret_cast<const char*>(doc.m_pData), static_cast<qsizetype>(doc.m_nDataLength));
}

class DesktopClipboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetDialogSoundsEnabled(true);
        InstallQtClipboardService();
    }
    void TearDown() override { SetClipboardService(nullptr); }

    void Copy(const QString& entry)
    {
        SeenClipFormats seen;
        DialogScript script({ChooseClipFormat(&seen, entry)});
        OnEditCopy(&m_doc, &m_view);
    }
    // The entries the dialog listed.
    QStringList Paste(const QString& entry)
    {
        SeenClipFormats seen;
        DialogScript script({ChooseClipFormat(&seen, entry)});
        OnEditPaste(&m_doc, &m_view);
        return seen.entries;
    }
    void Fill(const QByteArray& bytes, bool sound)
    {
        FillDocument(m_doc, bytes.constData(), static_cast<size_t>(bytes.size()), sound);
    }

    ScriptedDesktop m_desktop;
    CRipwellDoc m_doc;
    QWidget m_view;
    TempDir m_dir;
};

} // namespace

TEST_F(DesktopClipboardTest, WaveCopiedInRipwellIsAWaveFileForOtherPrograms)
{
    SKIP_WITHOUT_X11_DISPLAY();
    QByteArray samples(17640, '\0'); // 0.1 s of 44100 Hz, 16-bit stereo
    for (qsizetype i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<char>((i * 37) & 0xFF);
    Fill(samples, true);
    Copy(""); // the wave is proposed

    const QList<QByteArray> targets = ReadClipboard("TARGETS").split('\n');
    EXPECT_TRUE(targets.contains("audio/wav"));
    EXPECT_TRUE(targets.contains("audio/x-wav"));
    const QByteArray wave = ReadClipboard("audio/wav");
    ASSERT_EQ(wave.size(), WAVE_HEADER_SIZE + samples.size());
    EXPECT_EQ(wave.mid(WAVE_HEADER_SIZE), samples);
    EXPECT_EQ(wave.left(WAVE_HEADER_SIZE),
              QByteArray(reinterpret_cast<const char*>(m_doc.m_pHeader), WAVE_HEADER_SIZE));

    const QString file = QString::fromStdString(WriteFile(m_dir, "copied.wav", wave));
    EXPECT_EQ(RunKeepingEventLoop("soxi", {"-r", file}).output.trimmed(), "44100");
    EXPECT_EQ(RunKeepingEventLoop("soxi", {"-c", file}).output.trimmed(), "2");
    EXPECT_EQ(RunKeepingEventLoop("soxi", {"-b", file}).output.trimmed(), "16");
    EXPECT_EQ(RunKeepingEventLoop("soxi", {"-s", file}).output.trimmed(), "4410");
    EXPECT_TRUE(m_desktop.Boxes().empty());
}

TEST_F(DesktopClipboardTest, TextCopiedInRipwellReachesOtherProgramsAsUtf8)
{
    SKIP_WITHOUT_X11_DISPLAY();
    const QString german = QString::fromUtf8("Gr\xC3\xBC\xC3\x9F"
                                             "e");
    QByteArray utf16;
    for (QChar c : german)
        utf16.append(static_cast<char>(c.unicode() & 0xFF)).append(static_cast<char>(c.unicode() >> 8));
    struct Case {
        const char* entry;
        QByteArray copied;
        QByteArray read; // by xclip
    } cases[] = {
        {"*Text",
         "Gr\xC3\xBC\xC3\x9F"
         "e, hello",
         "Gr\xC3\xBC\xC3\x9F"
         "e, hello"},
        {"*Text", "caf\xE9 \x80", "caf\xC3\xA9 \xE2\x82\xAC"}, // Windows-1252
        {"*OEM text", "\x84rger", "\xC3\xA4rger"},             // code page 437
        {"*Unicode text", utf16, german.toUtf8()},
    };
    for (const Case& c : cases) {
        Fill(c.copied, false);
        Copy(c.entry);
        EXPECT_EQ(ReadClipboard("UTF8_STRING"), c.read) << c.entry;
    }
}

TEST_F(DesktopClipboardTest, TextFromAnotherProgramPastesAsTextOrUnicodeText)
{
    SKIP_WITHOUT_X11_DISPLAY();
    OnEmptyClipboard(&m_view); // nothing of Ripwell's own left to mistake for xclip's
    XclipOwner xclip(WriteFile(m_dir, "hello.txt", "hello"), "UTF8_STRING");
    ASSERT_TRUE(WaitFor([] { return CountClipboardFormats() > 0; })) << "xclip's text never came";
    Fill("old", false);
    EXPECT_EQ(Paste("*Text"), QStringList({"*Text", "*Unicode text"}));
    EXPECT_EQ(Data(m_doc), "hello");
    EXPECT_EQ(m_doc.m_nWaveFormat, WAVE_FORMAT_22050_8_MONO);
    EXPECT_FALSE(m_doc.m_bIsSound);
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(m_doc.GetTitle(), "Untitled");

    m_doc.SetModifiedFlag(false);
    Paste("*Unicode text");
    EXPECT_EQ(Data(m_doc), QByteArray("h\0e\0l\0l\0o\0", 10));
    EXPECT_TRUE(m_desktop.Boxes().empty());
}

TEST_F(DesktopClipboardTest, ImageFromAnotherProgramPastesAsBitmapOrAsItsOwnFile)
{
    SKIP_WITHOUT_X11_DISPLAY();
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(qRgb(0x10, 0x20, 0x30));
    image.setPixel(0, 1, qRgb(0xA0, 0xB0, 0xC0)); // bottom left: the first pixel of a bitmap
    QByteArray png;
    {
        QBuffer buffer(&png);
        ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG"));
    }
    OnEmptyClipboard(&m_view);
    XclipOwner xclip(WriteFile(m_dir, "picture.png", png), "image/png");
    ASSERT_TRUE(WaitFor([] { return CountClipboardFormats() > 0; })) << "xclip's picture never came";

    const QStringList entries = Paste("*Device-independent bitmap DIB");
    const uint32_t pngFormat = RegisterClipboardFormatA("image/png");
    EXPECT_GT(pngFormat, CF_REGISTERED_BASE);
    EXPECT_EQ(entries, QStringList({"*Device-independent bitmap DIB", QString("image/png (%1)").arg(pngFormat)}));
    const QByteArray dib = Data(m_doc);
    ASSERT_GT(dib.size(), 40);
    auto number = [&](int at, int width) {
        uint32_t value = 0;
        for (int i = width - 1; i >= 0; --i)
            value = value << 8 | static_cast<uint8_t>(dib[at + i]);
        return value;
    };
    EXPECT_EQ(number(0, 4), 40u); // the size of the info header
    EXPECT_EQ(number(4, 4), 3u);
    EXPECT_EQ(number(8, 4), 2u); // positive: bottom row first
    const uint32_t bits = number(14, 2);
    ASSERT_TRUE(bits == 24 || bits == 32) << bits;
    EXPECT_EQ(dib.mid(40, 3), QByteArray("\xC0\xB0\xA0", 3)); // blue, green, red

    m_doc.SetModifiedFlag(false);
    Paste(QString("image/png (%1)").arg(pngFormat));
    EXPECT_EQ(Data(m_doc), png);
    EXPECT_TRUE(m_desktop.Boxes().empty());
}
