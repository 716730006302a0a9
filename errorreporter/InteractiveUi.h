#pragma once
// The reporter's user interface on a display: message boxes and the report dialog, the e-mail
// address kept in the user's settings file, and the upload to the maker's FTP server.
// Thread-bound to the GUI thread; a QApplication must exist while it is used.

#include "errorreporter/ReporterSettings.h"
#include "errorreporter/ReporterUi.h"

namespace QeltErrorReporting
{
class VInteractiveUi : public IReporterUi
{
public:
    explicit VInteractiveUi(QeltReporter::ReporterSettings settings)
        : settings_(std::move(settings))
    {
    }

    void ShowError(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    std::string ReadEmail() override { return settings_.ReadEmail(); }
    void StoreEmail(const std::string& email) override { settings_.StoreEmail(email); }
    ReportChoice AskUser(const std::string& moduleName, const std::string& incidentID,
                         Branding branding, const std::string& email) override;
    UploadResult UploadDump(const std::string& dumpPath, const std::string& incidentID) override;

private:
    const QeltReporter::ReporterSettings settings_;
};
} // namespace QeltErrorReporting
