#pragma once
// The texts the error reporter shows or prints: message-box caption, error messages, the
// "not sent" notice and the upload failure message. Kept in one place so the dialog, the
// upload and the program say exactly the same things. Reentrant.

#include <string>

namespace QeltReporter
{
// The caption of every message box the reporter shows.
extern const char* const MessageCaption;
// Shown when the reporter is started without arguments.
extern const char* const UsageText;
// The address users are asked to mail a dump to when it was not sent.
extern const char* const SupportEmail;

// Failures that end the reporter, each with its fixed message.
enum class ReporterError
{
    ReadProcessId,
    ReadThreadId,
    ReadExceptionPointer,
    AttachToProcess,
    GetTemporaryPath,
    CreateTemporaryFile,
    CreateMinidumpFile,
    WriteMinidump,
    AccessInternetConnection,
    AccessFtpSite,
};

std::string ErrorText(ReporterError error);

// "Unable to send data to Qelt. Error reported was: " and the server's last response, cut so
// that the whole message holds at most UploadFailureTextLimit characters.
std::string UploadFailureText(const std::string& serverResponse);
constexpr std::size_t UploadFailureTextLimit = 260;

// The notice that tells the user where the unsent dump is and which incident it belongs to.
std::string NotSentText(const std::string& dumpPath, const std::string& incidentId);

// `text` cut to at most `limit` bytes without splitting a UTF-8 sequence.
std::string CutUtf8(const std::string& text, std::size_t limit);
} // namespace QeltReporter
