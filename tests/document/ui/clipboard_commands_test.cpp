#include "document/ui/clipboard_commands.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/app_settings.h"
#include "base/sounds.h"
#include "document/ripwell_doc.h"
#include "document/ui/ripwell_view.h"
#include "document/wave_header.h"
#include "platform/clipboard.h"
#include "platform/ui/command_actions.h"
#include "res/resource.h"
#include "support/document_data.h"
#include "support/scripted_clipboard.h"
#include "support/scripted_desktop.h"
#include "support/ui/clip_format_choice.h"
#include "support/ui/dialog_script.h"

using namespace platform;
using Bytes = std::vector<uint8_t>;

namespace {

const std::string kInvalidObject = "Invalid Clipboard object.\nCannot paste.";

Bytes WaveImage(WaveFormatCode code, const Bytes& data, const Bytes& chunkBeforeData = {})
{
    Bytes image(WAVE_HEADER_SIZE);
    BuildWaveHeader(image.data(), static_cast<uint32_t>(data.size()), code);
    image.insert(image.begin() + 36, chunkBeforeData.begin(), chunkBeforeData.end());
    image.insert(image.end(), data.begin(), data.end());
    return image;
}

class ClipboardCommandsTest : public ::testing::Test {
protected:
    void SetUp() override { SetDialogSoundsEnabled(true); }

    void Fill(const Bytes& bytes, bool sound = false)
    {
        FillDocument(m_doc, bytes, sound);
        m_doc.SetTitle("mine.bin");
        m_desktop.Clear();
    }
    Bytes Data() const { return Bytes(m_doc.m_pData, m_doc.m_pData + m_doc.m_nDataLength); }
    // Boxes and sounds in order, without the stops of emptied documents.
    std::vector<std::string> Said() const
    {
        std::vector<std::string> said;
        for (const std::string& line : m_desktop.Transcript())
            if (line != "stop")
                said.push_back(line);
        return said;
    }
    void Copy(const QString& entry, SeenClipFormats* seen = nullptr)
    {
        SeenClipFormats ignored;
        DialogScript script({ChooseClipFormat(seen ? seen : &ignored, entry)});
        OnEditCopy(&m_doc, &m_view);
    }
    void Paste(const QString& entry, SeenClipFormats* seen = nullptr)
    {
        SeenClipFormats ignored;
        DialogScript script({ChooseClipFormat(seen ? seen : &ignored, entry)});
        OnEditPaste(&m_doc, &m_view);
    }
    void ExpectEmptyUntitled()
    {
        EXPECT_EQ(m_doc.m_pBlock, nullptr);
        EXPECT_EQ(m_doc.m_nDataLength, 0u);
        EXPECT_EQ(m_doc.GetTitle(), "Untitled");
        EXPECT_FALSE(m_doc.IsModified());
    }

    ScriptedDesktop m_desktop;
    ScriptedClipboard m_clipboard;
    CRipwellDoc m_doc;
    QWidget m_view;
};

} // namespace

TEST_F(ClipboardCommandsTest, CopyProposesTextOrWaveAndEndsTextAtItsFirstZeroByteOnlyWhenAsked)
{
    Fill({0x41, 0x42, 0x00, 0x43, 0x44});
    m_clipboard.Put(CF_WAVE, "old");
    SeenClipFormats seen;
    m_desktop.AnswerNext(IDNO);
    Copy("*Text", &seen);
    EXPECT_EQ(seen.caption, "Copy to clipboard as");
    EXPECT_EQ(seen.entries, QStringList({"*Text", "*OEM text", "*Unicode text", "*WAV audio data"}));
    EXPECT_EQ(seen.selected, "*Text");
    ASSERT_EQ(m_desktop.Boxes().size(), 1u);
    EXPECT_EQ(m_desktop.Boxes()[0].text,
              "Copying as text will truncate the document at\nfirst byte 00 (data offest 00000002) since this\n"
              "byte indicates the end of text on the Clipboard.\nCopy as text anyway?");
    EXPECT_EQ(m_desktop.Boxes()[0].flags, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(m_clipboard.Formats(), std::vector<uint32_t>{CF_WAVE}); // No: left as it was

    m_desktop.AnswerNext(IDYES);
    Copy("*Text");
    EXPECT_EQ(m_clipboard.Formats(), std::vector<uint32_t>{CF_TEXT});
    EXPECT_EQ(m_clipboard.Bytes(CF_TEXT), Bytes({0x41, 0x42, 0x00}));
    // The dialog opens the clipboard as its own window, the command as the view (after No it
    // did not open it at all).
    ASSERT_EQ(m_clipboard.Openers().size(), 3u);
    EXPECT_NE(m_clipboard.Openers()[1], &m_view);
    EXPECT_EQ(m_clipboard.Openers()[2], &m_view);

    Fill({0x41, 0x42, 0x43});
    Copy("*OEM text");
    EXPECT_TRUE(m_desktop.Boxes().empty());
    EXPECT_EQ(m_clipboard.Bytes(CF_OEMTEXT), Bytes({0x41, 0x42, 0x43, 0x00}));
    EXPECT_FALSE(m_clipboard.IsOpen());

    // A sound: the wave is proposed, and the whole wave image goes.
    const Bytes samples = {1, 2, 3, 4, 5, 6, 7, 8};
    Fill(samples, true);
    Copy("", &seen);
    EXPECT_EQ(seen.selected, "*WAV audio data");
    EXPECT_EQ(m_clipboard.Bytes(CF_WAVE), WaveImage(WAVE_FORMAT_44100_16_STEREO, samples));
}

TEST_F(ClipboardCommandsTest, CopyAsUnicodeTextEndsAtTheFirstZeroPairAtAnyOffset)
{
    struct Case {
        Bytes data;
        const char* offset; // asked about, or null
        Bytes copied;
    } cases[] = {
        {{0x41, 0x00, 0x42, 0x00, 0x00, 0x00}, "00000004", {0x41, 0x00, 0x42, 0x00, 0x00}},
        {{0x41, 0x00, 0x00, 0x42}, "00000002", {0x41, 0x00, 0x00}},
        {{0x41, 0x00, 0x42, 0x00}, nullptr, {0x41, 0x00, 0x42, 0x00, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        Fill(c.data);
        m_desktop.AnswerNext(IDYES);
        Copy("*Unicode text");
        EXPECT_EQ(m_clipboard.Bytes(CF_UNICODETEXT), c.copied);
        if (c.offset) {
            ASSERT_EQ(m_desktop.Boxes().size(), 1u);
            EXPECT_EQ(
                m_desktop.Boxes()[0].text,
                std::string("Copying as unicode text will truncate the document at\nfirst word 00 00 (data offest ") +
                    c.offset +
                    ") since this word\nindicates the end of unicode text on the Clipboard.\nCopy as text anyway?");
        } else {
            EXPECT_TRUE(m_desktop.Boxes().empty());
        }
    }
}

// Every failure of Copy says why, closes the clipboard and leaves the document as it was.
TEST_F(ClipboardCommandsTest, FailedCopiesLeaveTheDocumentUntouched)
{
    using Step = ScriptedClipboard::Step;
    struct Case {
        Step step;
        int nth;
        std::vector<std::string> said;
        std::vector<uint32_t> left; // on the clipboard afterwards
    } cases[] = {
        {Step::Open, 1, {"box Could not open the Clipboard.", "box Unsupported format."}, {CF_WAVE}},
        {Step::Open, 2, {"box Could not open the Clipboard."}, {CF_WAVE}},
        {Step::Empty, 0, {"box Could not clear the Clipboard before copying."}, {CF_WAVE}},
        {Step::Set, 0, {"box Could not set Clipboard data."}, {}},
        {Step::Alloc, 0, {"box Could not set Clipboard data."}, {}},
        {Step::Lock, 0, {"box Could not set Clipboard data."}, {}},
    };
    for (const Case& c : cases) {
        Fill({0x41, 0x42, 0x43});
        m_clipboard.Heal();
        m_clipboard.Put(CF_WAVE, "old");
        m_clipboard.Fail(c.step, c.nth);
        Copy("");
        EXPECT_EQ(Said(), c.said);
        for (const DesktopEvent& box : m_desktop.Boxes())
            EXPECT_EQ(box.flags, MB_OK | MB_ICONEXCLAMATION);
        EXPECT_EQ(m_clipboard.Formats(), c.left);
        EXPECT_FALSE(m_clipboard.IsOpen());
        EXPECT_EQ(Data(), Bytes({0x41, 0x42, 0x43}));
        EXPECT_FALSE(m_doc.IsModified());
    }

    m_clipboard.Heal();
    m_doc.OnNewDocument();
    m_desktop.Clear();
    DialogScript none({});
    OnEditCopy(&m_doc, &m_view);
    ASSERT_EQ(m_desktop.Boxes().size(), 1u);
    EXPECT_EQ(m_desktop.Boxes()[0].text, "Nothing to copy");
    EXPECT_EQ(m_desktop.Boxes()[0].Icon(), MB_ICONINFORMATION);
}

TEST_F(ClipboardCommandsTest, PasteListsEveryFormatAndRebuildsTheDocumentFromTheChosenOne)
{
    const uint32_t html = RegisterClipboardFormatA("HTML Format");
    struct Case {
        QString entry;
        Bytes data;
    } cases[] = {
        {"*Text", {'A', 'B', 'C', 'D', 'E'}},
        {"*Unicode text", {0x41, 0x00, 0x42, 0x00}},
        {"*Handle of a bitmap", {0x79, 0x56, 0x34, 0x12}},
        {"*Text locale identifier", {0x09, 0x04, 0x00, 0x00}},
        {"*Private clipboard format (672)", {1, 2, 3}},
        {QString("HTML Format (%1)").arg(html), {'<', 'b', '>'}},
    };
    for (const Case& c : cases) {
        m_clipboard.Clear();
        m_clipboard.Put(CF_TEXT, std::string("ABCDE\0F", 7));
        m_clipboard.Put(CF_UNICODETEXT, Bytes{0x41, 0x00, 0x42, 0x00, 0x00, 0x00});
        m_clipboard.PutHandle(CF_BITMAP, 0xAB12345679);
        m_clipboard.Put(CF_LOCALE, Bytes{0x09, 0x04, 0x00, 0x00, 0xAA, 0xBB, 0xCC, 0xDD});
        m_clipboard.Put(0x2A0, Bytes{1, 2, 3});
        m_clipboard.Put(html, "<b>");
        Fill({0x55});
        SeenClipFormats seen;
        Paste(c.entry, &seen);
        EXPECT_EQ(seen.caption, "Paste from clipboard as");
        EXPECT_EQ(seen.entries,
                  QStringList({"*Text", "*Unicode text", "*Handle of a bitmap", "*Text locale identifier",
                               "*Private clipboard format (672)", QString("HTML Format (%1)").arg(html)}));
        EXPECT_EQ(seen.selected, "*Text"); // no wave there: the first entry
        EXPECT_EQ(Data(), c.data) << c.entry.toStdString();
        EXPECT_EQ(m_doc.m_pHeader, m_doc.m_pBlock);
        EXPECT_EQ(m_doc.m_nWaveFormat, WAVE_FORMAT_22050_8_MONO);
        EXPECT_EQ(std::memcmp(m_doc.m_pHeader, "RIFF", 4), 0);
        EXPECT_FALSE(m_doc.m_bIsSound);
        EXPECT_TRUE(m_doc.IsModified());
        EXPECT_EQ(m_doc.GetTitle(), "Untitled");
        EXPECT_TRUE(m_doc.GetPathName().empty());
        EXPECT_TRUE(Said().empty());
        EXPECT_FALSE(m_clipboard.IsOpen());
        EXPECT_EQ(m_clipboard.Formats().size(), 6u);
    }
}

TEST_F(ClipboardCommandsTest, PastedWaveKeepsItsBlockAndGetsTheCanonicalHeader)
{
    const Bytes samples = {1, 2, 3, 4, 5, 6};
    const Bytes list = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'a', 'b', 'c', 'd'};
    m_clipboard.Put(CF_TEXT, "text first");
    m_clipboard.Put(CF_WAVE, WaveImage(5, samples, list));
    SeenClipFormats seen;
    Paste("", &seen);
    EXPECT_EQ(seen.selected, "*WAV audio data");
    EXPECT_EQ(Data(), samples);
    EXPECT_TRUE(m_doc.m_bIsSound);
    EXPECT_EQ(m_doc.m_nWaveFormat, 5);
    EXPECT_EQ(m_doc.m_pHeader, m_doc.m_pBlock + list.size());
    EXPECT_EQ(Bytes(m_doc.m_pHeader, m_doc.m_pHeader + 50), WaveImage(5, samples));
}

// Objects that cannot be pasted are refused before the document is asked about or touched;
// Cancel at the save question changes nothing either.
TEST_F(ClipboardCommandsTest, RefusedPasteLeavesDocumentAndClipboardAsTheyWere)
{
    using Step = ScriptedClipboard::Step;
    const std::string internal =
        "This Clipboard object is used internally by\nWindows and not intended for direct\npasting operations. Go for "
        "another format.";
    struct Case {
        std::function<void()> arrange;
        QString entry;
        std::vector<std::string> said;
    } cases[] = {
        {[&] { m_clipboard.Put(CF_WAVE, Bytes(44, 'R')); },
         "*WAV audio data",
         {"sound T1000", "box " + kInvalidObject}},
        {[&] { m_clipboard.Put(CF_TEXT, Bytes()); }, "*Text", {"sound T1000", "box " + kInvalidObject}},
        {[&] { m_clipboard.Put(CF_TIFF, Bytes()); },
         "*Tagged-image file TIFF",
         {"sound T1000", "box " + kInvalidObject}},
        {[&] { m_clipboard.PutHandle(CF_HDROP, 0x4321); }, "*Drop file list", {"sound T1000", "box " + internal}},
        {[&] {
             m_clipboard.Put(CF_TEXT, "x");
             m_clipboard.Fail(Step::Get);
         },
         "*Text",
         {"sound T1000", "box Could not get Clipboard data."}},
        {[&] {
             m_clipboard.Put(CF_TEXT, "x");
             m_clipboard.Fail(Step::Open, 2);
         },
         "*Text",
         {"sound T1000", "box Could not open the Clipboard."}},
        {[&] {
             m_clipboard.Put(CF_TEXT, "x");
             m_desktop.AnswerNext(IDCANCEL);
         },
         "*Text",
         {"box Save changes to mine.bin?"}},
    };
    for (const Case& c : cases) {
        m_clipboard.Heal();
        m_clipboard.Clear();
        Fill({0x55, 0x66});
        m_doc.SetModifiedFlag();
        c.arrange();
        const std::vector<uint32_t> formats = m_clipboard.Formats();
        Paste(c.entry);
        EXPECT_EQ(Said(), c.said);
        EXPECT_EQ(Data(), Bytes({0x55, 0x66}));
        EXPECT_EQ(m_doc.GetTitle(), "mine.bin");
        EXPECT_TRUE(m_doc.IsModified());
        EXPECT_EQ(m_clipboard.Formats(), formats);
        EXPECT_FALSE(m_clipboard.IsOpen());
    }
    for (const DesktopEvent& box : m_desktop.Boxes())
        EXPECT_EQ(box.Icon(), MB_ICONEXCLAMATION);

    m_clipboard.Clear();
    m_desktop.Clear();
    DialogScript none({});
    OnEditPaste(&m_doc, &m_view);
    EXPECT_EQ(Said(), std::vector<std::string>{"box Nothing to paste"});
    EXPECT_EQ(m_desktop.Boxes()[0].Icon(), MB_ICONINFORMATION);
}

// Failures after the document was emptied leave it empty and untitled, never half filled.
TEST_F(ClipboardCommandsTest, PasteThatFailsLaterLeavesAnEmptyDocument)
{
    using Step = ScriptedClipboard::Step;
    const std::string badWave =
        "Cannot handle this wave format or\nclipboard wave file may be corrupt.\nPress F1 to see Help.";
    Bytes pastEnd = WaveImage(WAVE_FORMAT_44100_16_STEREO, {1, 2, 3, 4});
    pastEnd[40] = 5; // the data chunk claims one byte more than there is
    Bytes mono24 = WaveImage(WAVE_FORMAT_44100_16_STEREO, {1, 2, 3});
    mono24[34] = 24;
    struct Case {
        uint32_t format;
        Bytes block;
        bool lockFails;
        std::vector<std::string> said;
    } cases[] = {
        {CF_WAVE, pastEnd, false, {"sound T1000", "box " + badWave}},
        {CF_WAVE, mono24, false, {"sound T1000", "box " + badWave}},
        {CF_WAVE, pastEnd, true, {"sound T1000", "box Invalid clipboard data."}},
        {CF_TEXT, {'a'}, true, {"sound T1000", "box Error pasting Clipboard contents."}},
        {CF_DIB, {'a'}, true, {"box Error pasting Clipboard contents."}},
    };
    for (const Case& c : cases) {
        m_clipboard.Heal();
        m_clipboard.Clear();
        m_clipboard.Put(c.format, c.block);
        if (c.lockFails)
            m_clipboard.Fail(Step::Lock);
        Fill({0x55});
        Paste("");
        EXPECT_EQ(Said(), c.said);
        ExpectEmptyUntitled();
        EXPECT_FALSE(m_clipboard.IsOpen());
    }
    EXPECT_EQ(m_desktop.Boxes().back().helpId, 0u);
    EXPECT_EQ(m_desktop.Boxes().back().Icon(), MB_ICONEXCLAMATION);
    Fill({0x55});
    m_clipboard.Heal();
    m_clipboard.Put(CF_WAVE, pastEnd);
    Paste("*WAV audio data");
    EXPECT_EQ(m_desktop.Boxes().back().helpId, res::HELP_WAVE_FORMAT);
}

TEST_F(ClipboardCommandsTest, EmptyClipboardReportsWhatFails)
{
    m_clipboard.Put(CF_TEXT, "x");
    OnEmptyClipboard(&m_view);
    EXPECT_TRUE(m_clipboard.Formats().empty());
    EXPECT_TRUE(Said().empty());

    m_clipboard.Put(CF_TEXT, "x");
    m_clipboard.Fail(ScriptedClipboard::Step::Empty);
    OnEmptyClipboard(&m_view);
    m_clipboard.Fail(ScriptedClipboard::Step::Open);
    OnEmptyClipboard(&m_view);
    EXPECT_EQ(Said(),
              std::vector<std::string>({"box Could not empty the Clipboard.", "box Could not open the Clipboard."}));
    EXPECT_EQ(m_clipboard.Formats(), std::vector<uint32_t>{CF_TEXT});
    EXPECT_FALSE(m_clipboard.IsOpen());
}

TEST_F(ClipboardCommandsTest, MenuItemsAndContextMenuItemsFollowDataAndClipboard)
{
    framework::CommandRouter router;
    framework::CommandActions actions(&router);
    m_doc.OnNewDocument();
    AppSettings settings;
    CRipwellView view(&m_doc, settings, &actions);
    router.Add(&view.Commands());
    QMenu edit;
    for (int id : {res::ID_EDIT_COPY, res::ID_EDIT_PASTE, res::ID_EMPTY_CLIPBOARD})
        edit.addAction(actions.Create(id, "item", &edit));
    auto enabled = [&](QMenu* menu, int id) {
        for (QAction* action : menu->actions())
            if (framework::CommandActions::CommandOf(action) == id)
                return action->isEnabled();
        ADD_FAILURE() << "no item " << id;
        return false;
    };
    auto expect = [&](bool copy, bool paste) {
        actions.UpdateAll();
        EXPECT_EQ(enabled(&edit, res::ID_EDIT_COPY), copy);
        EXPECT_EQ(enabled(view.ContextMenu(), res::ID_EDIT_COPY), copy);
        EXPECT_EQ(enabled(&edit, res::ID_EDIT_PASTE), paste);
        EXPECT_EQ(enabled(view.ContextMenu(), res::ID_EDIT_PASTE), paste);
        EXPECT_EQ(enabled(&edit, res::ID_EMPTY_CLIPBOARD), paste);
    };
    expect(false, false);
    m_clipboard.Put(0x2A0, "x");
    Fill({}); // a header slot but no data byte: nothing to copy
    expect(false, true);
    Fill({0x41});
    m_clipboard.Clear();
    expect(true, false);
}
