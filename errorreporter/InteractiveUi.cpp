#include "errorreporter/InteractiveUi.h"

#include "errorreporter/DumpUpload.h"
#include "errorreporter/ReporterDialogs.h"

#include <QApplication>

namespace QeltErrorReporting
{
namespace
{
// Owns the application the dialogs need for as long as the interface lives.
class ApplicationUi : public VInteractiveUi
{
public:
    ApplicationUi(int& argc, char** argv)
        : VInteractiveUi(QeltReporter::ReporterSettings()), application_(argc, argv)
    {
    }

private:
    QApplication application_;
};
} // namespace

void VInteractiveUi::ShowError(const std::string& text)
{
    QeltReporter::ShowError(text);
}

void VInteractiveUi::ShowInformation(const std::string& text)
{
    QeltReporter::ShowInformation(text);
}

ReportChoice VInteractiveUi::AskUser(const std::string& moduleName, const std::string& incidentID,
                                     Branding branding, const std::string& email)
{
    QeltReporter::DialogInput input;
    input.moduleName = moduleName;
    input.incidentId = incidentID;
    input.email = email;
    input.branding = branding;
    const QeltReporter::DialogResult result = QeltReporter::ShowDialog(input);
    ReportChoice choice;
    choice.send = result.choice == QeltReporter::DialogChoice::SendReport;
    choice.detailed = result.detailedDump;
    choice.comments = result.comments;
    choice.email = result.email;
    return choice;
}

UploadResult VInteractiveUi::UploadDump(const std::string& dumpPath, const std::string& incidentID)
{
    const QeltReporter::UploadResult result = QeltReporter::UploadDump(dumpPath, incidentID);
    return {result.ok, result.message};
}

std::unique_ptr<IReporterUi> CreateInteractiveUi(int& argc, char** argv)
{
    return std::make_unique<ApplicationUi>(argc, argv);
}
} // namespace QeltErrorReporting
