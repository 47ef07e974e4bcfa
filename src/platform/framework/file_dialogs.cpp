#include "platform/framework/file_dialogs.h"

#include "res/resource.h"
#include "res/string_table.h"

#include <atomic>
#include <cstdio>

namespace framework {
namespace {
std::atomic<FileDialogService*> g_service{nullptr};
} // namespace

std::string DocumentTemplateField(int index)
{
    std::string_view text = res::LoadString(res::IDR_DOCUMENT_TEMPLATE);
    for (int i = 0; i < index; ++i) {
        const std::size_t newline = text.find('\n');
        if (newline == std::string_view::npos)
            return {};
        text.remove_prefix(newline + 1);
    }
    return std::string(text.substr(0, text.find('\n')));
}

void SetFileDialogService(FileDialogService* service) { g_service = service; }
FileDialogService* GetFileDialogService() { return g_service; }

bool DoPromptFileName(std::string& fileName, int titleId, uint32_t flags, bool openFileDialog)
{
    FileDialogRequest request;
    request.openFileDialog = openFileDialog;
    request.title = std::string(res::LoadString(titleId));
    request.fileName = fileName;
    request.flags = flags;
    // The framework's save dialog always asks before it lets an existing file be replaced.
    if (!openFileDialog)
        request.flags |= OFN_OVERWRITEPROMPT;

    const std::string filterText = DocumentTemplateField(3); // "Wave Files (*.wav)"
    const std::string extension = DocumentTemplateField(4);  // ".wav"
    if (!filterText.empty() && !extension.empty()) {
        request.filters.push_back({filterText, "*" + extension});
        request.defaultExtension = extension.substr(1);
    }
    request.filters.push_back({std::string(res::LoadString(res::AFX_IDS_ALLFILTER)), "*"});

    FileDialogService* service = g_service;
    if (!service) {
        std::fprintf(stderr, "Ripwell: no file dialog available for \"%s\"\n", request.title.c_str());
        return false;
    }
    std::string chosen;
    if (!service->Run(request, &chosen))
        return false;
    fileName = chosen;
    return true;
}

bool PromptOpenFileName(std::string& fileName)
{
    return DoPromptFileName(fileName, res::AFX_IDS_OPENFILE, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, true);
}

bool PromptSaveFileName(std::string& fileName)
{
    return DoPromptFileName(fileName, res::AFX_IDS_SAVEFILE, OFN_HIDEREADONLY | OFN_PATHMUSTEXIST, false);
}

} // namespace framework
