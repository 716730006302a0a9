#pragma once
// What the reporter shows the user: the report dialog and the message boxes, all captioned
// "Qelt Error Reporting". A QApplication must exist. Thread-bound to the GUI thread.

#include "errorreporter/ErrorReportingDialog.h"
#include "errorreporter/ReporterTexts.h"

#include <string>

namespace QeltReporter
{
class ReporterSettings;

// Shows the report dialog modally, centred, and gives the user's choice and entries.
DialogResult ShowDialog(const DialogInput& input);

// Shows the dialog with the e-mail address stored in `settings` and stores the address the user
// left in it, whichever button ended the dialog.
DialogResult AskUserAboutReport(DialogInput input, const ReporterSettings& settings);

// "This application is used to implement error reporting for Qelt applications."
void ShowUsage();
// A message box with the error icon.
void ShowError(const std::string& text);
void ShowError(ReporterError error);
// The information box telling where the unsent dump is and its incident ID.
void ShowNotSent(const std::string& dumpPath, const std::string& incidentId);
} // namespace QeltReporter
