// Message boxes with the Win32 flags and results. The caption is always the application
// title "Ripwell". A box with a help number opens help topic 0x30000 + number on F1.
//
// The program calls MessageBox(); what shows the box is the installed MessageBoxService: the
// Qt backend in the program, a scripted double in the tests.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Buttons
inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_OKCANCEL = 0x1;
inline constexpr uint32_t MB_ABORTRETRYIGNORE = 0x2;
inline constexpr uint32_t MB_YESNOCANCEL = 0x3;
inline constexpr uint32_t MB_YESNO = 0x4;
inline constexpr uint32_t MB_RETRYCANCEL = 0x5;
inline constexpr uint32_t MB_TYPEMASK = 0xF;
// Icons
inline constexpr uint32_t MB_ICONHAND = 0x10;
inline constexpr uint32_t MB_ICONERROR = MB_ICONHAND;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONEXCLAMATION = 0x30;
inline constexpr uint32_t MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr uint32_t MB_ICONASTERISK = 0x40;
inline constexpr uint32_t MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr uint32_t MB_ICONMASK = 0xF0;
// Default button
inline constexpr uint32_t MB_DEFBUTTON1 = 0x000;
inline constexpr uint32_t MB_DEFBUTTON2 = 0x100;
inline constexpr uint32_t MB_DEFBUTTON3 = 0x200;
inline constexpr uint32_t MB_DEFMASK = 0xF00;

// Results
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // Shows the box modally and returns the ID of the button chosen.
    virtual int Show(const std::string& text, uint32_t flags, uint32_t helpId) = 0;
};

// Shows a message box through the installed service. Without one (a program without a user
// interface) the text goes to the standard error stream and the default button is the answer.
int MessageBox(const std::string& text, uint32_t flags = MB_OK | MB_ICONEXCLAMATION, uint32_t helpId = 0);

// Installs the service that shows the boxes; nullptr removes it. The caller keeps ownership.
void SetMessageBoxService(MessageBoxService* service);
MessageBoxService* GetMessageBoxService();

// The buttons a box shows, as Windows lays them out: their results from left to right, which of
// them is the default (MB_DEFBUTTON1 to 3; a number past the last button means the first), and
// what Escape answers (IDCANCEL where there is a Cancel button, IDOK for a box with only OK, 0
// for Yes/No and Abort/Retry/Ignore, where Escape does nothing). Unknown button types show OK.
struct MessageBoxButtons {
    int results[3] = {};
    int count = 0;
    int defaultIndex = 0;
    int escapeResult = 0;
};
MessageBoxButtons ButtonsOfMessageBox(uint32_t flags);

// The answer a box gives when nobody can be asked: its default button.
int DefaultButtonResult(uint32_t flags);

} // namespace platform
