#include "errorreporter/ReporterUi.h"

#include "errorreporter/ReporterSettings.h"

#include <QMessageBox>

namespace QeltReporter
{
namespace
{
void ShowMessage(QMessageBox::Icon icon, const std::string& text)
{
    QMessageBox box(icon, QString::fromLatin1(MessageCaption), QString::fromStdString(text),
                    QMessageBox::Ok);
    box.exec();
}
} // namespace

DialogResult ShowDialog(const DialogInput& input)
{
    VErrorReportingDialog dialog(input);
    dialog.exec();
    return dialog.Outcome();
}

DialogResult AskUserAboutReport(DialogInput input, const ReporterSettings& settings)
{
    input.email = settings.ReadEmail();
    DialogResult result = ShowDialog(input);
    settings.StoreEmail(result.email);
    return result;
}

void ShowUsage()
{
    ShowMessage(QMessageBox::Information, UsageText);
}

void ShowError(const std::string& text)
{
    ShowMessage(QMessageBox::Critical, text);
}

void ShowError(ReporterError error)
{
    ShowError(ErrorText(error));
}

void ShowNotSent(const std::string& dumpPath, const std::string& incidentId)
{
    ShowMessage(QMessageBox::Information, NotSentText(dumpPath, incidentId));
}
} // namespace QeltReporter
