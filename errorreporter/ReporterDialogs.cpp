#include "errorreporter/ReporterDialogs.h"

#include "errorreporter/ReporterTexts.h"

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

void ShowError(const std::string& text)
{
    ShowMessage(QMessageBox::Critical, text);
}

void ShowInformation(const std::string& text)
{
    ShowMessage(QMessageBox::Information, text);
}
} // namespace QeltReporter
