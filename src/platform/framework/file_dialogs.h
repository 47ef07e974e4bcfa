// The standard open and save dialogs of the framework. The program asks through
// DoPromptFileName; what shows the dialog is the installed FileDialogService: the Qt backend
// in the program (platform/ui/qt_file_dialogs.h), a scripted double in the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace framework {

// Dialog options, with the values of the Win32 flags they stand for.
inline constexpr uint32_t OFN_READONLY = 0x00000001;
inline constexpr uint32_t OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr uint32_t OFN_HIDEREADONLY = 0x00000004;
inline constexpr uint32_t OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr uint32_t OFN_FILEMUSTEXIST = 0x00001000;

struct FileFilter {
    std::string text;    // what the list shows, e.g. "Wave Files (*.wav)"
    std::string pattern; // the names it lets through, e.g. "*.wav"; "*" for every file
};

struct FileDialogRequest {
    bool openFileDialog = true;      // false: a save dialog
    std::string title;               // "Open", "Save As"
    std::string fileName;            // proposed name (may hold a folder)
    std::vector<FileFilter> filters; // in the order shown; the first is selected
    std::string defaultExtension;    // without the dot ("wav"); appended to a typed name without one
    uint32_t flags = 0;              // OFN_ options
};

class FileDialogService {
public:
    virtual ~FileDialogService() = default;
    // Shows the dialog modally. True and the chosen full path in *fileName on OK; false on Cancel.
    virtual bool Run(const FileDialogRequest& request, std::string* fileName) = 0;
};

// Installs the service that shows the dialogs; nullptr removes it. The caller keeps ownership.
void SetFileDialogService(FileDialogService* service);
FileDialogService* GetFileDialogService();

// Field index (0-6) of the document template string 128: 3 is the filter text
// "Wave Files (*.wav)", 4 the default extension ".wav".
std::string DocumentTemplateField(int index);

// The document template's file dialog: title from string titleId, the template's filter
// "Wave Files (*.wav)" then "All Files (*.*)", the template's default extension, and flags.
// A save dialog also confirms the replacing of an existing file (OFN_OVERWRITEPROMPT).
// fileName is the proposal on entry and the choice on return. False when the user cancelled
// (or when no dialog service is installed).
bool DoPromptFileName(std::string& fileName, int titleId, uint32_t flags, bool openFileDialog);

// The two uses the program makes of it.
bool PromptOpenFileName(std::string& fileName); // "Open", file must exist
bool PromptSaveFileName(std::string& fileName); // "Save As", hide-read-only, path must exist

} // namespace framework
