#include "support/scripted_desktop.h"

ScriptedDesktop::ScriptedDesktop() : m_previousBoxes(platform::GetMessageBoxService())
{
    platform::SetMessageBoxService(this);
    platform::SetSoundService(this);
}

ScriptedDesktop::~ScriptedDesktop()
{
    platform::SetMessageBoxService(m_previousBoxes);
    platform::SetSoundService(nullptr);
}

int ScriptedDesktop::Show(const std::string& text, uint32_t flags, uint32_t helpId)
{
    DesktopEvent event;
    event.kind = DesktopEvent::Kind::Box;
    event.text = text;
    event.flags = flags;
    event.helpId = helpId;
    event.answer = platform::DefaultButtonResult(flags);
    if (!m_answers.empty()) {
        event.answer = m_answers.front();
        m_answers.pop_front();
    }
    if (m_onBox)
        if (const int answer = m_onBox(event))
            event.answer = answer;
    m_events.push_back(event);
    return event.answer;
}

bool ScriptedDesktop::Play(const void* sound, uint32_t flags)
{
    DesktopEvent event;
    event.flags = flags;
    if (!sound) {
        event.kind = DesktopEvent::Kind::StopSound;
        event.started = true;
        m_playing = false;
        m_events.push_back(event);
        return true;
    }
    event.kind = DesktopEvent::Kind::Sound;
    if ((flags & platform::SND_RESOURCE) == platform::SND_RESOURCE)
        event.resource = static_cast<const char*>(sound);
    else
        event.memory = sound;
    const bool refused = m_deviceAbsent || (m_deviceBusy && (flags & platform::SND_NOWAIT));
    event.started = !refused;
    if (!refused) {
        m_playing = true;
        m_current = event;
    }
    m_events.push_back(event);
    return event.started;
}

std::vector<DesktopEvent> ScriptedDesktop::Boxes() const
{
    std::vector<DesktopEvent> boxes;
    for (const DesktopEvent& event : m_events)
        if (event.IsBox())
            boxes.push_back(event);
    return boxes;
}

std::vector<DesktopEvent> ScriptedDesktop::Sounds() const
{
    std::vector<DesktopEvent> sounds;
    for (const DesktopEvent& event : m_events)
        if (!event.IsBox())
            sounds.push_back(event);
    return sounds;
}

std::vector<std::string> ScriptedDesktop::Transcript() const
{
    std::vector<std::string> lines;
    for (const DesktopEvent& event : m_events) {
        switch (event.kind) {
        case DesktopEvent::Kind::Box: lines.push_back("box " + event.text); break;
        case DesktopEvent::Kind::StopSound: lines.push_back("stop"); break;
        case DesktopEvent::Kind::Sound:
            lines.push_back(event.memory ? "sound <memory>" : "sound " + event.resource);
            break;
        }
    }
    return lines;
}
