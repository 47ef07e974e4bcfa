// The program's help: HTML pages among the resources (the help file RIPWELL.HLP, named after
// the program file), shown in one help window. Pages are found by topic number.
#pragma once

#include <QString>

#include <cstdint>

class QWidget;

namespace platform {

// The resource path of a topic's page; the contents page when the topic has none.
QString HelpPageForTopic(uint32_t topic);
// Opens the help window (created on first use) at the topic: the real help handler.
void ShowHelpPage(uint32_t topic);
// The help window, or null before the first help request.
QWidget* HelpWindow();
// Closes and destroys the help window (at shut-down).
void CloseHelpWindow();

} // namespace platform
