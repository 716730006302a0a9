#include "errorreporter/ReporterTexts.h"

namespace QeltReporter
{
const char* const MessageCaption = "Qelt Error Reporting";
const char* const UsageText =
    "This application is used to implement error reporting for Qelt applications.";
const char* const SupportEmail = "support@sarnet.example";

std::string ErrorText(ReporterError error)
{
    switch (error)
    {
    case ReporterError::ReadProcessId:
        return "Unable to read process ID.";
    case ReporterError::ReadThreadId:
        return "Unable to read thread ID.";
    case ReporterError::ReadExceptionPointer:
        return "Unable to read exception pointer.";
    case ReporterError::AttachToProcess:
        return "Unable to attach to process.";
    case ReporterError::GetTemporaryPath:
        return "Unable to get temporary file path.";
    case ReporterError::CreateTemporaryFile:
        return "Unable to create temporary file.";
    case ReporterError::CreateMinidumpFile:
        return "Unable to create minidump file.";
    case ReporterError::WriteMinidump:
        return "Unable to write minidump.";
    case ReporterError::AccessInternetConnection:
        return "Unable to access your Internet connection.";
    case ReporterError::AccessFtpSite:
        return "Unable to access the Qelt FTP site.";
    }
    return {};
}

std::string CutUtf8(const std::string& text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    // Step back over continuation bytes so the cut lands before the sequence they belong to.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

std::string UploadFailureText(const std::string& serverResponse)
{
    return CutUtf8("Unable to send data to Qelt. Error reported was: " + serverResponse,
                   UploadFailureTextLimit);
}

std::string NotSentText(const std::string& dumpPath, const std::string& incidentId)
{
    return "Information about this crash has not been sent to Qelt.\nPlease e-mail the file " +
           dumpPath + " to " + SupportEmail + ".\nYour incident ID is " + incidentId + ".";
}
} // namespace QeltReporter
