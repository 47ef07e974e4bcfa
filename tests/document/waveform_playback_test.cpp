#include "document/waveform_playback.h"

#include "base/sounds.h"
#include "document/clipboard_transfer.h"
#include "document/data_properties.h"
#include "document/ripwell_doc.h"
#include "platform/block_memory.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "support/pulse_null_sink.h"
#include "support/scripted_clipboard.h"
#include "support/scripted_desktop.h"
#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kFrameBytes = 4; // format 15: 16-bit stereo
constexpr uint32_t kFramesPerSecond = 44100;
constexpr uint32_t kDistinctFrames = 1u << 18; // about six seconds

// Frame k holds k + 1 in its left sample and 0x1000 + (k + 1) / 65536 in its right one: no two
// frames alike, none silent, and each tells where in the sound it stands.
void PutFrame(uint8_t* at, uint32_t k)
{
    const uint32_t n = k + 1;
    const uint16_t left = static_cast<uint16_t>(n);
    const uint16_t right = static_cast<uint16_t>(0x1000 + (n >> 16));
    at[0] = left & 0xFF;
    at[1] = left >> 8;
    at[2] = right & 0xFF;
    at[3] = right >> 8;
}
uint32_t FrameIndex(const uint8_t* at)
{
    const uint32_t left = at[0] | at[1] << 8;
    const uint32_t right = at[2] | at[3] << 8;
    return ((right - 0x1000) << 16 | left) - 1;
}

// Fills the document as a producer does: emptied, one block with the header slot in front of
// frames of the counting pattern, format 15.
void FillDocument(CRipwellDoc& doc, uint32_t frames, bool sound)
{
    doc.OnNewDocument();
    const uint32_t length = frames * kFrameBytes;
    uint8_t* block = platform::AllocateDataBlock(length + WAVE_HEADER_SIZE);
    ASSERT_NE(block, nullptr);
    uint8_t* data = block + WAVE_HEADER_SIZE;
    // The pattern is written for its first frames and repeated after them, which is quick
    // for the large documents; any sound of a few seconds is all distinct frames.
    const uint32_t distinct = std::min(frames, kDistinctFrames);
    for (uint32_t k = 0; k < distinct; ++k)
        PutFrame(data + size_t(k) * kFrameBytes, k);
    for (uint32_t k = distinct; k < frames; k += distinct)
        std::memcpy(data + size_t(k) * kFrameBytes, data, size_t(std::min(distinct, frames - k)) * kFrameBytes);
    doc.AdoptBlock(block, block, length, sound, WAVE_FORMAT_44100_16_STEREO);
    doc.UpdateAllViews();
}

bool Silent(const uint8_t* frame) { return !(frame[0] | frame[1] | frame[2] | frame[3]); }

size_t FirstSound(const std::vector<uint8_t>& recorded, size_t from)
{
    size_t at = from - from % kFrameBytes;
    while (at + kFrameBytes <= recorded.size() && Silent(recorded.data() + at))
        at += kFrameBytes;
    return at;
}

// The frames of the recording from `from` on that are not silent, one after the other.
std::vector<uint8_t> HeardFrames(const std::vector<uint8_t>& recorded, size_t from)
{
    std::vector<uint8_t> frames;
    frames.reserve(recorded.size() > from ? recorded.size() - from : 0);
    for (size_t at = from - from % kFrameBytes; at + kFrameBytes <= recorded.size(); at += kFrameBytes)
        if (!Silent(recorded.data() + at))
            frames.insert(frames.end(), recorded.begin() + at, recorded.begin() + at + kFrameBytes);
    return frames;
}

size_t SoundAfter(const std::vector<uint8_t>& recorded, size_t from)
{
    size_t count = 0;
    for (size_t at = from - from % kFrameBytes; at + kFrameBytes <= recorded.size(); at += kFrameBytes)
        count += !Silent(recorded.data() + at);
    return count;
}

// Runs the event loop of this thread (the sound service lives on it) until done() holds or
// the deadline has passed; false on the deadline.
template <class Condition> bool RunEventsUntil(Condition done, std::chrono::milliseconds deadline)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > deadline.count())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void RunEventsFor(std::chrono::milliseconds span)
{
    RunEventsUntil([] { return false; }, span);
}

// Answers every message box with one answer and keeps the texts; sounds go to the real service.
class AnsweringBoxes : public platform::MessageBoxService {
public:
    explicit AnsweringBoxes(int answer) : m_answer(answer) { platform::SetMessageBoxService(this); }
    ~AnsweringBoxes() override { platform::SetMessageBoxService(nullptr); }
    int Show(const std::string& text, uint32_t, uint32_t) override
    {
        texts.push_back(text);
        return m_answer;
    }
    std::vector<std::string> texts;

private:
    int m_answer;
};

const std::string kNotSoundQuestion(res::LoadString(res::IDS_PLAY_NOT_SOUND));
const std::string kPlayError(res::LoadString(res::IDS_PLAY_ERROR));

} // namespace

TEST(PlayWaveform, QuestionForDataThatIsNoSoundThenTheImageFromMemoryOrTheError)
{
    SetDialogSoundsEnabled(true);
    ScriptedDesktop desktop;
    CRipwellDoc doc;
    PlayWaveform(doc); // empty: nothing at all
    EXPECT_TRUE(desktop.Events().empty());

    FillDocument(doc, 1000, false);
    desktop.Clear();
    desktop.AnswerNext(platform::IDNO);
    desktop.AnswerNext(platform::IDYES);
    PlayWaveform(doc);
    PlayWaveform(doc);
    const std::string question = "box " + kNotSoundQuestion;
    ASSERT_EQ(desktop.Transcript(),
              (std::vector<std::string>{"sound YOUSURE", question, "sound YOUSURE", question, "sound <memory>"}));
    const DesktopEvent& box = desktop.Events()[1];
    EXPECT_EQ(box.flags, platform::MB_YESNO | platform::MB_ICONQUESTION | platform::MB_DEFBUTTON2);
    EXPECT_EQ(box.helpId, uint32_t(res::IDS_PLAY_NOT_SOUND));
    EXPECT_EQ(desktop.Events()[4].memory, doc.m_pHeader);
    EXPECT_EQ(desktop.Events()[4].flags, 0x2007u);

    // A sound plays without the question; one that cannot start is reported with help 18.
    doc.m_bIsSound = true;
    desktop.Clear();
    desktop.SetDeviceAbsent(true);
    PlayWaveform(doc);
    EXPECT_EQ(desktop.Transcript(), (std::vector<std::string>{"sound <memory>", "box " + kPlayError}));
    EXPECT_EQ(desktop.Events()[1].flags, platform::MB_OK | platform::MB_ICONEXCLAMATION);
    EXPECT_EQ(desktop.Events()[1].helpId, res::HELP_PLAY_ERROR);

    desktop.Clear();
    StopWaveform();
    EXPECT_EQ(desktop.Transcript(), (std::vector<std::string>{"stop"}));
}

TEST(PlayWaveform, ABlockAdoptedOverAPlayingOneStopsTheSoundBeforeTheOldBlockGoes)
{
    ScriptedDesktop desktop;
    CRipwellDoc doc;
    FillDocument(doc, 1000, true);
    PlayWaveform(doc);
    desktop.Clear();
    // Handed over without emptying the document first.
    uint8_t* block = platform::AllocateDataBlock(WAVE_HEADER_SIZE + 8);
    ASSERT_NE(block, nullptr);
    std::memset(block + WAVE_HEADER_SIZE, 0x11, 8);
    EXPECT_TRUE(doc.AdoptBlock(block, block, 8, false, WAVE_FORMAT_22050_8_MONO));
    EXPECT_EQ(desktop.Transcript(), (std::vector<std::string>{"stop"}));
    EXPECT_EQ(doc.m_pBlock, block);
    EXPECT_EQ(doc.m_nDataLength, 8u);
    EXPECT_FALSE(doc.m_bIsSound);
    EXPECT_EQ(doc.m_pData[7], 0x11);
    // The same block again (a header moved inside it) is not released.
    desktop.Clear();
    EXPECT_TRUE(doc.AdoptBlock(block, block, 4, true, WAVE_FORMAT_22050_8_MONO));
    EXPECT_TRUE(desktop.Events().empty());
    EXPECT_EQ(doc.m_pData[3], 0x11);
}

namespace {

void ThreeSecondsHeardBitForBitStopSilencesAndNoPlaysNothing()
{
    PulseNullSink sink;
    ASSERT_TRUE(sink.Ready()) << sink.Reason();
    ASSERT_TRUE(sink.StartRecording()) << sink.Reason();
    AnsweringBoxes boxes(platform::IDNO);
    const uint32_t frames = 3 * kFramesPerSecond;
    CRipwellDoc doc;
    FillDocument(doc, frames, true);

    // The whole sound, from the frame the recording first caught (a new stream loses a few
    // milliseconds on its way into the monitor) to its last frame, and nothing else. On a busy
    // machine the server may run short of samples and play silence in between; the pattern
    // has no silent frame, so the frames heard are the recording without its silence.
    const size_t before = sink.RecordedBytes();
    PlayWaveform(doc);
    ASSERT_TRUE(boxes.texts.empty()) << boxes.texts.front();
    const size_t tenthOfASecond = kFramesPerSecond / 10 * kFrameBytes;
    std::vector<uint8_t> heard;
    uint32_t firstHeard = 0;
    size_t complete = 0; // recorded bytes when the last frame had been heard
    // The recording is looked at once the sound's length has been recorded and then every half
    // second, so that the thread that feeds the sound is not kept busy.
    size_t lookAt = before + size_t(frames) * kFrameBytes;
    const bool heardAll = RunEventsUntil(
        [&] {
            const size_t recorded = sink.RecordedBytes();
            if (recorded < lookAt)
                return false;
            lookAt = recorded + 5 * tenthOfASecond;
            if (complete > 0)
                return true;
            heard = HeardFrames(sink.Recorded(), before);
            if (!heard.empty() && heard.size() >= size_t(frames - FrameIndex(heard.data())) * kFrameBytes)
                complete = recorded;
            return false;
        },
        std::chrono::milliseconds(20000));
    ASSERT_TRUE(heardAll) << "the sound did not come through in time";
    heard = HeardFrames(sink.Recorded(), before);
    firstHeard = FrameIndex(heard.data());
    ASSERT_LT(firstHeard, kFramesPerSecond / 10) << "more than 100 ms lost at the start";
    const size_t soundBytes = size_t(frames - firstHeard) * kFrameBytes;
    ASSERT_EQ(heard.size(), soundBytes) << "more or less than the sound was heard";
    EXPECT_EQ(std::memcmp(heard.data(), doc.m_pData + size_t(firstHeard) * kFrameBytes, soundBytes), 0);

    // Played again and stopped after a moment: cut off long before its end, then silence.
    const size_t again = sink.RecordedBytes();
    PlayWaveform(doc);
    ASSERT_TRUE(RunEventsUntil([&] { return sink.RecordedBytes() > again + 10 * tenthOfASecond; },
                               std::chrono::milliseconds(10000)));
    EXPECT_GT(HeardFrames(sink.Recorded(), again).size(), 0u);
    StopWaveform();
    const size_t stopped = sink.RecordedBytes();
    ASSERT_TRUE(RunEventsUntil([&] { return sink.RecordedBytes() > stopped + 20 * tenthOfASecond; },
                               std::chrono::milliseconds(10000)));
    const std::vector<uint8_t> recorded = sink.Recorded();
    EXPECT_LT(HeardFrames(recorded, again).size(), size_t(frames) * kFrameBytes - 10 * tenthOfASecond)
        << "the sound went on after Stop Waveform";
    EXPECT_EQ(SoundAfter(recorded, recorded.size() - 10 * tenthOfASecond), 0u);

    // Data that is not a sound, and No to the question: nothing is heard.
    SetDialogSoundsEnabled(false); // so that not even the question's own sound is heard
    doc.m_bIsSound = false;
    const size_t asked = sink.RecordedBytes();
    PlayWaveform(doc);
    ASSERT_EQ(boxes.texts, std::vector<std::string>{kNotSoundQuestion});
    ASSERT_TRUE(RunEventsUntil([&] { return sink.RecordedBytes() > asked + kFramesPerSecond * kFrameBytes; },
                               std::chrono::milliseconds(10000)));
    EXPECT_EQ(SoundAfter(sink.Recorded(), asked), 0u);
    SetDialogSoundsEnabled(true);
}

// Writes a small wave file of the counting pattern, for the Open that replaces the document.
std::string WriteWaveFile(const TempDir& folder)
{
    const uint32_t frames = 4410;
    std::vector<uint8_t> image(WAVE_HEADER_SIZE + frames * kFrameBytes);
    BuildWaveHeader(image.data(), frames * kFrameBytes, WAVE_FORMAT_44100_16_STEREO);
    for (uint32_t k = 0; k < frames; ++k)
        PutFrame(image.data() + WAVE_HEADER_SIZE + k * kFrameBytes, k);
    const std::string path = folder.file("small.wav");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    return path;
}

void ReplacingAPlayingDocumentNeverReadsFreedMemory()
{
    PulseNullSink sink;
    ASSERT_TRUE(sink.Ready()) << sink.Reason();
    ASSERT_TRUE(sink.StartRecording()) << sink.Reason();
    AnsweringBoxes boxes(platform::IDYES);
    TempDir folder;
    const std::string wave = WriteWaveFile(folder);
    const uint32_t largeFrames = 2 * 1024 * 1024; // 8 MiB, 47 seconds, far more than the server buffers
    auto doc = std::make_unique<CRipwellDoc>();
    ScriptedClipboard clipboard;
    clipboard.Put(platform::CF_TEXT, std::string(1000, 'x'));

    // Each round plays the large document and replaces it at once the way one command does:
    // New, Open, Paste of text from the clipboard, Properties with a new format, closing the
    // program (the document destroyed). Every other round lets the sound run a little first,
    // and plays twice, so that the new sound replaces one that still plays.
    const int rounds = 40;
    for (int round = 0; round < rounds; ++round) {
        FillDocument(*doc, largeFrames, true);
        PlayWaveform(*doc);
        if (round % 2) {
            RunEventsFor(std::chrono::milliseconds(20));
            PlayWaveform(*doc);
        }
        switch (round % 5) {
        case 0: doc->OnNewDocument(); break;
        case 1: ASSERT_TRUE(doc->OnOpenDocument(wave)); break;
        case 2:
            PasteFromClipboard(*doc, platform::CF_TEXT, nullptr);
            ASSERT_EQ(doc->m_nDataLength, 1000u);
            break;
        case 3:
            ApplyDataProperties(*doc, 8, true);
            doc->OnNewDocument();
            break;
        case 4: doc = std::make_unique<CRipwellDoc>(); break;
        }
        // The memory of the old block may be handed out again at once: a sound still reading
        // it would read someone else's bytes, or freed ones (AddressSanitizer stops there).
        const size_t reuseBytes = size_t(largeFrames) * kFrameBytes;
        const std::unique_ptr<uint8_t[]> reuse(new uint8_t[reuseBytes]);
        std::memset(reuse.get(), 0x55, reuseBytes);
        RunEventsFor(std::chrono::milliseconds(round % 2 ? 30 : 5));
    }
    ASSERT_TRUE(boxes.texts.empty()) << "a sound did not start: " << boxes.texts.front();
    // It did play: the counting pattern was heard.
    const std::vector<uint8_t> recorded = sink.Recorded();
    const size_t first = FirstSound(recorded, 0);
    ASSERT_LT(first + kFrameBytes, recorded.size()) << "nothing was heard";
    EXPECT_LT(FrameIndex(recorded.data() + first), kDistinctFrames);
    // And never the bytes that took over the memory of a block after it was released.
    size_t foreign = 0;
    for (size_t at = 0; at + kFrameBytes <= recorded.size(); at += kFrameBytes)
        foreign += std::all_of(recorded.begin() + at, recorded.begin() + at + kFrameBytes,
                               [](uint8_t b) { return b == 0x55; });
    EXPECT_EQ(foreign, 0u) << "a sound went on reading a released block";
}

} // namespace

TEST(RealWaveformPlayback, AThreeSecondSoundIsHeardBitForBitStopSilencesItAndNoPlaysNothing)
{
    RUN_WITH_SOUND_SERVER([] { ThreeSecondsHeardBitForBitStopSilencesAndNoPlaysNothing(); });
}

TEST(RealWaveformPlayback, ReplacingAPlayingDocumentAtOnceNeverReadsFreedMemory)
{
    RUN_WITH_SOUND_SERVER([] { ReplacingAPlayingDocumentNeverReadsFreedMemory(); });
}
