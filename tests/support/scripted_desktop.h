// The desktop of a test: message boxes and sounds in one double. Every box and every sound
// goes into one ordered event log, so a test can check that the error sound came before its
// box. Boxes are answered from a scripted queue; when the queue is empty a box gets its
// default button. Installs itself for its lifetime (the previous services come back after).
//
//   ScriptedDesktop desktop;
//   desktop.AnswerNext(platform::IDYES);
//   ... code under test ...
//   ASSERT_EQ(desktop.Boxes().size(), 1u);
//   EXPECT_EQ(desktop.Boxes()[0].text, "Read fault.");
//   EXPECT_TRUE(desktop.Events()[0].IsSound(res::SOUND_ERROR));
#pragma once

#include "platform/message_box.h"
#include "platform/sound.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

struct DesktopEvent {
    enum class Kind { Box, Sound, StopSound };
    Kind kind = Kind::Box;
    // Box
    std::string text;
    uint32_t flags = 0; // box flags or sound flags
    uint32_t helpId = 0;
    int answer = 0;
    // Sound: a resource name, or the address of a memory image
    std::string resource;
    const void* memory = nullptr;
    bool started = false; // what PlaySound returned

    bool IsBox() const { return kind == Kind::Box; }
    bool IsSound(const std::string& name) const { return kind == Kind::Sound && resource == name; }
    bool IsStop() const { return kind == Kind::StopSound; }
    uint32_t Icon() const { return flags & platform::MB_ICONMASK; }
    uint32_t Buttons() const { return flags & platform::MB_TYPEMASK; }
    uint32_t DefaultButton() const { return flags & platform::MB_DEFMASK; }
};

class ScriptedDesktop : public platform::MessageBoxService, public platform::SoundService {
public:
    ScriptedDesktop();
    ~ScriptedDesktop() override;
    ScriptedDesktop(const ScriptedDesktop&) = delete;
    ScriptedDesktop& operator=(const ScriptedDesktop&) = delete;

    // Boxes
    void AnswerNext(int answer) { m_answers.push_back(answer); }
    // Called while a box is "open" (for example to check state or to press F1); its result,
    // when not 0, is the answer.
    void OnBox(std::function<int(const DesktopEvent&)> handler) { m_onBox = std::move(handler); }

    // Sounds
    void SetDeviceAbsent(bool absent) { m_deviceAbsent = absent; } // every sound fails
    void SetDeviceBusy(bool busy) { m_deviceBusy = busy; }         // fails with SND_NOWAIT
    // The sound playing now (what PlaySound last started and nothing stopped), if any.
    bool SoundPlaying() const { return m_playing; }
    const DesktopEvent* CurrentSound() const { return m_playing ? &m_current : nullptr; }
    // Pretends the current sound came to its end.
    void FinishSound() { m_playing = false; }

    const std::vector<DesktopEvent>& Events() const { return m_events; }
    std::vector<DesktopEvent> Boxes() const;
    std::vector<DesktopEvent> Sounds() const; // sounds and stops
    // Names of the events in order, e.g. {"sound T1000", "box Read fault."}, for compact checks.
    std::vector<std::string> Transcript() const;
    void Clear() { m_events.clear(); }

    int Show(const std::string& text, uint32_t flags, uint32_t helpId) override;
    bool Play(const void* sound, uint32_t flags) override;

private:
    std::vector<DesktopEvent> m_events;
    std::deque<int> m_answers;
    std::function<int(const DesktopEvent&)> m_onBox;
    bool m_deviceAbsent = false;
    bool m_deviceBusy = false;
    bool m_playing = false;
    DesktopEvent m_current;
    platform::MessageBoxService* m_previousBoxes = nullptr;
};
