#include "errorreporter/Reporter.h"

#include "errorreporter/CommandLine.h"
#include "errorreporter/ConsoleUi.h"
#include "errorreporter/Incident.h"
#include "errorreporter/MinidumpWriter.h"
#include "errorreporter/ProcessAttachment.h"
#include "errorreporter/ProcessMemory.h"
#include "errorreporter/ReporterTexts.h"
#include "errorreporter/ReporterUi.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace QeltErrorReporting
{
namespace
{
using QeltReporter::ErrorText;
using QeltReporter::NotSentText;
using QeltReporter::ReporterError;
using QeltReporter::UsageText;

constexpr char kBatchDumpName[] = "QeltErrorReportingDumpFile.dmp";

bool DisplayAvailable()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
    {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return true;
    }
    return false;
}

// Where the crash happened, as the command line gives it.
struct Crash
{
    pid_t processID = 0;
    std::optional<std::uint64_t> recordAddress;
    pid_t threadID = 0;
};

class ReporterRun
{
public:
    ReporterRun(int argc, char** argv) : argc_(argc), argv_(argv), batch_(IsBatch(argc, argv))
    {
        if (!batch_)
            ui_ = DisplayAvailable() ? CreateInteractiveUi(uiArgc_, argv) : CreateConsoleUi();
    }

    int Run();

private:
    int Fail(const std::string& text);
    bool ParseCrash(Crash& crash);
    std::string MakeDumpPath();
    bool ReadCrashRecord(const Crash& crash, DumpContents& contents) const;
    int Deliver(const std::string& dumpPath, const std::string& incidentID, bool send);

    int argc_;
    char** argv_;
    bool batch_;
    // The toolkit keeps a reference to its argument count: it sees only the program's name.
    int uiArgc_ = 1;
    std::unique_ptr<IReporterUi> ui_;
};

int ReporterRun::Fail(const std::string& text)
{
    if (batch_)
        std::fprintf(stderr, "%s\n", text.c_str());
    else
        ui_->ShowError(text);
    return 1;
}

bool ReporterRun::ParseCrash(Crash& crash)
{
    if (argc_ <= 3)
        return true;
    const std::optional<std::uint64_t> thread = ParseNumber(argv_[3]);
    if (!thread)
    {
        Fail(ErrorText(ReporterError::ReadThreadId));
        return false;
    }
    crash.threadID = static_cast<pid_t>(*thread);
    crash.recordAddress = ParseNumber(argv_[2]);
    if (!crash.recordAddress)
    {
        Fail(ErrorText(ReporterError::ReadExceptionPointer));
        return false;
    }
    return true;
}

// The batch dump's fixed name in the current folder, or a new temporary file; empty (after
// the message) when there is none.
std::string ReporterRun::MakeDumpPath()
{
    if (batch_)
        return kBatchDumpName;
    const char* folder = std::getenv("TMPDIR");
    struct stat status = {};
    if (folder == nullptr || ::stat(folder, &status) != 0 || !S_ISDIR(status.st_mode))
        folder = "/tmp";
    if (::stat(folder, &status) != 0 || !S_ISDIR(status.st_mode))
    {
        Fail(ErrorText(ReporterError::GetTemporaryPath));
        return {};
    }
    std::string path = std::string(folder) + "/QelXXXXXX.tmp";
    const int file = ::mkstemps(path.data(), 4);
    if (file < 0)
    {
        Fail(ErrorText(ReporterError::CreateTemporaryFile));
        return {};
    }
    ::close(file);
    return path;
}

// The crash record the handler left in the crashed process; false when it cannot be read or
// is not one.
bool ReporterRun::ReadCrashRecord(const Crash& crash, DumpContents& contents) const
{
    if (!crash.recordAddress)
        return true;
    Farrowkit::CrashRecord record = {};
    if (!ProcessMemory(crash.processID)
             .ReadExactly(*crash.recordAddress, &record, sizeof(record)) ||
        record.magic != Farrowkit::kCrashRecordMagic || record.size != sizeof(record))
        return false;
    // The command line names the crashing thread.
    record.threadID = crash.threadID;
    contents.crash = record;
    return true;
}

int ReporterRun::Deliver(const std::string& dumpPath, const std::string& incidentID, bool send)
{
    if (send)
    {
        const UploadResult result = ui_->UploadDump(dumpPath, incidentID);
        if (result.sent)
        {
            std::remove(dumpPath.c_str());
            return 0;
        }
        ui_->ShowError(result.message);
    }
    if (batch_)
    {
        std::fprintf(stderr, "Dump filename is: %s\n", dumpPath.c_str());
        return 0;
    }
    ui_->ShowInformation(NotSentText(dumpPath, incidentID));
    return 0;
}

int ReporterRun::Run()
{
    if (argc_ < 2)
    {
        ui_->ShowInformation(UsageText);
        return 1;
    }
    const std::optional<std::uint64_t> processID = ParseNumber(argv_[1]);
    if (!processID || *processID == 0)
        return Fail(ErrorText(ReporterError::ReadProcessId));
    Crash crash;
    crash.processID = static_cast<pid_t>(*processID);
    // Held until the reporter ends, so the crashed process stays as it was while it is read.
    const ProcessAttachment attachment(crash.processID);
    if (!ParseCrash(crash))
        return 1;
    const Branding branding = argc_ > 4 ? ParseBranding(argv_[4]) : Branding::Qelt;
    if (argc_ > 5 && !batch_)
        std::fputs("Ignoring unrecognised ArgV[5]\n", stderr);

    const std::string moduleName = ModuleBaseName(crash.processID);
    if (moduleName.empty() ||
        ::access(("/proc/" + std::to_string(crash.processID) + "/mem").c_str(), R_OK) != 0)
        return Fail(ErrorText(ReporterError::AttachToProcess));
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    ::localtime_r(&now, &local);
    const std::string incidentID = MakeIncidentID(moduleName, local);

    ReportChoice choice;
    if (!batch_)
    {
        choice = ui_->AskUser(moduleName, incidentID, branding, ui_->ReadEmail());
        ui_->StoreEmail(choice.email);
    }
    DumpContents contents;
    contents.detailed = choice.detailed;
    contents.comments = {incidentID, choice.comments, DescribeSystem(), choice.email};

    const std::string dumpPath = MakeDumpPath();
    if (dumpPath.empty())
        return 1;
    std::FILE* file = std::fopen(dumpPath.c_str(), "wb");
    if (file == nullptr)
        return batch_ ? 1 : Fail(ErrorText(ReporterError::CreateMinidumpFile));
    const bool written =
        ReadCrashRecord(crash, contents) && WriteMinidump(file, attachment, contents);
    if (std::fclose(file) != 0 || !written)
    {
        if (batch_)
            std::fputs("Unable to write minidump\n", stderr);
        else
            ui_->ShowError(ErrorText(ReporterError::WriteMinidump));
        return 1;
    }
    return Deliver(dumpPath, incidentID, choice.send);
}
} // namespace

int Run(int argc, char** argv)
{
    return ReporterRun(argc, argv).Run();
}
} // namespace QeltErrorReporting
