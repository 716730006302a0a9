#pragma once
// Sends a dump to the product's FTP server: binary, to "/" + incident ID + ".dmp", logged in with
// the reporter's fixed account. A sent dump is deleted; a dump that could not be sent stays where
// it is. Reentrant: each call has its own session.

#include <optional>
#include <string>

namespace QeltReporter
{
struct UploadServer
{
    std::string host;
    int port = 21;
};

// The server given by QELT_UPLOAD_SERVER ("host", "host:port" or "[v6-address]:port"), or
// "ftp.sarnet.example" on port 21 when the variable is unset or unreadable.
UploadServer UploadServerFromEnvironment();
std::optional<UploadServer> ParseUploadServer(const std::string& text);

struct UploadResult
{
    bool ok = false;
    // Empty on success; otherwise the message to show the user.
    std::string message;
};

// Uploads the dump at `dumpPath` as incident `incidentId` to the server from the environment.
UploadResult UploadDump(const std::string& dumpPath, const std::string& incidentId);
UploadResult UploadDump(const std::string& dumpPath, const std::string& incidentId,
                        const UploadServer& server);
} // namespace QeltReporter
