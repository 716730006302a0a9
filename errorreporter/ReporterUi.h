#pragma once
// Where the error reporter meets its user and the maker's server: the message boxes, the report
// dialog, the e-mail setting and the FTP upload. The reporter's work (attach, dump, batch mode)
// calls only these; batch mode calls none of them and writes to standard error instead.
//
// Thread-bound to the main thread.

#include <memory>
#include <string>

namespace QeltErrorReporting
{
enum class Branding
{
    Qelt = 0,
    Sarnet = 1,
};

// "Qelt" or "Sarnet".
const char* BrandingName(Branding branding);

// What the user filled in and chose in the report dialog.
struct ReportChoice
{
    // "Send Report" (true) or "Don't Send" / closed (false).
    bool send = false;
    // The "Send more detailed information" check box: a dump of all memory.
    bool detailed = false;
    std::string comments;
    std::string email;
};

struct UploadResult
{
    bool sent = false;
    // When not sent: the message that says why, to show the user.
    std::string message;
};

class IReporterUi
{
public:
    virtual ~IReporterUi() = default;

    // A modal message box captioned "Qelt Error Reporting", with the error icon or the
    // information icon.
    virtual void ShowError(const std::string& text) = 0;
    virtual void ShowInformation(const std::string& text) = 0;

    // The e-mail address kept in the settings file; empty when there is none.
    virtual std::string ReadEmail() = 0;
    virtual void StoreEmail(const std::string& email) = 0;

    // Shows the report dialog for the crashed program `moduleName` and waits for the user.
    virtual ReportChoice AskUser(const std::string& moduleName, const std::string& incidentID,
                                 Branding branding, const std::string& email) = 0;

    // Stores the file `dumpPath` on the maker's FTP server as "/" + incident ID + ".dmp".
    virtual UploadResult UploadDump(const std::string& dumpPath, const std::string& incidentID) = 0;
};

// The interactive user interface, made before anything is shown (it sets up the toolkit from
// the command line). Called only when a display is available (DISPLAY or WAYLAND_DISPLAY set);
// otherwise the reporter uses the console interface (ConsoleUi.h).
std::unique_ptr<IReporterUi> CreateInteractiveUi(int& argc, char** argv);
} // namespace QeltErrorReporting
