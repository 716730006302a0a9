#pragma once
// What the reporter shows the user: the report dialog and the message boxes, all captioned
// "Qelt Error Reporting". A QApplication must exist. Thread-bound to the GUI thread.

#include "errorreporter/ErrorReportingDialog.h"

#include <string>

namespace QeltReporter
{
// Shows the report dialog modally, centred, and gives the user's choice and entries.
DialogResult ShowDialog(const DialogInput& input);

// A message box with the error icon, or with the information icon.
void ShowError(const std::string& text);
void ShowInformation(const std::string& text);
} // namespace QeltReporter
