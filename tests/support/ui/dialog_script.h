// Answers the modal dialogs of a command as they come up: step i runs on the i-th dialog that
// is shown, from the event loop of that dialog. The "Working..." progress dialog runs by itself
// and is passed over. A dialog that comes up more often than scripted is cancelled and counted
// as a failure.
//
//   DialogScript script({[](QWidget* window) { ...; Press(window, res::IDOK); }});
//   OnReadCdrom(&doc, nullptr);
//   EXPECT_EQ(script.Shown(), 1);
#pragma once

#include <functional>
#include <vector>

#include <QObject>

class QWidget;

class DialogScript {
public:
    explicit DialogScript(std::vector<std::function<void(QWidget*)>> steps);
    int Shown() const { return m_shown; }

private:
    void Arm();

    std::vector<std::function<void(QWidget*)>> m_steps;
    int m_shown = 0;
    QObject m_guard; // the pending answer dies with the script
};

// Small helpers for the steps.
void SetField(QWidget* window, int id, const char* text);
void PressButton(QWidget* window, int id);
