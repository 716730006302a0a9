#include "errorreporter/DumpUpload.h"

#include "errorreporter/ReporterTexts.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <curl/curl.h>
#include <memory>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <system_error>

namespace QeltReporter
{
namespace
{
const char* const DefaultServerHost = "ftp.sarnet.example";
const char* const UserAgent = "Qelt Dump Upload Agent";
// The reporter's account on the server: the same text is the user name and the password.
const char* const AccountName = "KJDParcelStack";
// A server that stops taking data for this long ends the upload instead of hanging the reporter.
const long StallSeconds = 60;
const long ConnectTimeoutSeconds = 30;

struct CurlDeleter
{
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct FileDeleter
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;
using FileHandle = std::unique_ptr<std::FILE, FileDeleter>;

bool InitialiseCurlOnce()
{
    static std::once_flag once;
    static bool initialised = false;
    std::call_once(once, [] { initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return initialised;
}

// Keeps the last line the server sent on the control connection, without its line end.
size_t KeepLastResponse(char* buffer, size_t size, size_t count, void* userData)
{
    const size_t length = size * count;
    std::string line(buffer, length);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (!line.empty())
        *static_cast<std::string*>(userData) = line;
    return length;
}

std::optional<int> ParsePort(const std::string& text)
{
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int port = std::atoi(text.c_str());
    if (port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

// `portText` is absent when the text named no port at all, and then the FTP port is meant.
std::optional<UploadServer> WithPort(std::string host, const std::optional<std::string>& portText)
{
    if (host.empty())
        return std::nullopt;
    if (!portText)
        return UploadServer{std::move(host), 21};
    const std::optional<int> port = ParsePort(*portText);
    if (!port)
        return std::nullopt;
    return UploadServer{std::move(host), *port};
}

// "/" + incident ID + ".dmp" as a URL path: "%2F" makes it absolute on the server, and every
// byte outside the unreserved URL characters is percent-encoded.
std::string RemotePath(const std::string& incidentId)
{
    static const char* const hexDigits = "0123456789ABCDEF";
    std::string path = "/%2F";
    for (const unsigned char byte : incidentId + ".dmp")
    {
        if (std::isalnum(byte) || std::string_view("-._~").find(byte) != std::string_view::npos)
        {
            path += static_cast<char>(byte);
            continue;
        }
        path += '%';
        path += hexDigits[byte >> 4];
        path += hexDigits[byte & 0x0F];
    }
    return path;
}

std::string LastSystemError()
{
    return std::error_code(errno, std::generic_category()).message();
}

void SetSessionOptions(CURL* handle, std::string* lastResponse)
{
    curl_easy_setopt(handle, CURLOPT_USERAGENT, UserAgent);
    curl_easy_setopt(handle, CURLOPT_USERNAME, AccountName);
    curl_easy_setopt(handle, CURLOPT_PASSWORD, AccountName);
    curl_easy_setopt(handle, CURLOPT_PROXY, ""); // a direct connection, whatever the environment
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, ConnectTimeoutSeconds);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, StallSeconds);
    curl_easy_setopt(handle, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(handle, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, KeepLastResponse);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, lastResponse);
}

UploadResult Failure(std::string message)
{
    return UploadResult{false, std::move(message)};
}

// Sends the open dump; the server's last response tells why it failed when it did.
UploadResult Send(CURL* handle, std::FILE* dump, const std::string& url)
{
    struct stat status;
    if (::fstat(::fileno(dump), &status) != 0)
        return Failure(UploadFailureText(LastSystemError()));
    std::string lastResponse;
    SetSessionOptions(handle, &lastResponse);
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(handle, CURLOPT_READDATA, dump);
    curl_easy_setopt(handle, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(status.st_size));
    if (curl_easy_perform(handle) == CURLE_OK)
        return UploadResult{true, {}};
    // Without a single answer the server was never reached.
    if (lastResponse.empty())
        return Failure(ErrorText(ReporterError::AccessFtpSite));
    return Failure(UploadFailureText(lastResponse));
}
} // namespace

std::optional<UploadServer> ParseUploadServer(const std::string& text)
{
    size_t hostEnd = text.find(':');
    if (!text.empty() && text.front() == '[')
    {
        // An IPv6 address keeps its brackets, which the URL needs.
        const size_t close = text.find(']');
        if (close == std::string::npos)
            return std::nullopt;
        hostEnd = close + 1;
    }
    if (hostEnd >= text.size())
        return WithPort(text, std::nullopt);
    if (text[hostEnd] != ':')
        return std::nullopt;
    return WithPort(text.substr(0, hostEnd), text.substr(hostEnd + 1));
}

UploadServer UploadServerFromEnvironment()
{
    const char* configured = std::getenv("QELT_UPLOAD_SERVER");
    if (configured)
    {
        if (std::optional<UploadServer> server = ParseUploadServer(configured))
            return *server;
    }
    return UploadServer{DefaultServerHost, 21};
}

UploadResult UploadDump(const std::string& dumpPath, const std::string& incidentId)
{
    return UploadDump(dumpPath, incidentId, UploadServerFromEnvironment());
}

UploadResult UploadDump(const std::string& dumpPath, const std::string& incidentId,
                        const UploadServer& server)
{
    if (!InitialiseCurlOnce())
        return Failure(ErrorText(ReporterError::AccessInternetConnection));
    const CurlHandle handle(curl_easy_init());
    if (!handle)
        return Failure(ErrorText(ReporterError::AccessInternetConnection));
    FileHandle dump(std::fopen(dumpPath.c_str(), "rb"));
    if (!dump)
        return Failure(UploadFailureText(LastSystemError()));
    const std::string url =
        "ftp://" + server.host + ":" + std::to_string(server.port) + RemotePath(incidentId);
    UploadResult result = Send(handle.get(), dump.get(), url);
    dump.reset();
    if (result.ok)
        std::remove(dumpPath.c_str());
    return result;
}
} // namespace QeltReporter
