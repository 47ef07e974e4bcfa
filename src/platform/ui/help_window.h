// The program's help: HTML pages installed with the program (the help folder of its data
// folder, see platform/data_folder.h), shown in one help window. Pages are found by topic
// number: a topic's page is named after the number in hexadecimal ("20094.html").
#pragma once

#include <QString>

#include <cstdint>

class QWidget;

namespace platform {

// The page of a topic in a help folder; the contents page when the topic has none; empty when
// the folder has no contents page either.
QString HelpPageInFolder(const QString& helpFolder, uint32_t topic);
// The page of a topic among the program's installed help pages.
QString HelpPageForTopic(uint32_t topic);
// Opens the help window (created on first use) at the topic: the real help handler. Its title
// names the page shown. Without help pages it says that they are not installed.
void ShowHelpPage(uint32_t topic);
// The help window, or null before the first help request.
QWidget* HelpWindow();
// Closes and destroys the help window (at shut-down).
void CloseHelpWindow();

} // namespace platform
