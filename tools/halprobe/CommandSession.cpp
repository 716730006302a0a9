#include "tools/halprobe/CommandSession.h"

#include "tools/halprobe/ProbeError.h"
#include "tools/halprobe/SocketAddress.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace HalProbe
{
namespace
{
constexpr std::size_t kReadChunk = 4096;

std::string Milliseconds(Clock::duration duration)
{
    return std::to_string(std::chrono::ceil<std::chrono::milliseconds>(duration).count()) + " ms";
}

// The outcome of a non-blocking connect once the socket became writable.
int PendingError(int fd)
{
    int error = 0;
    socklen_t length = sizeof(error);
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        return errno;
    return error;
}
} // namespace

CommandSession::CommandSession(const std::string& deviceAddress, std::uint16_t port,
                               Clock::duration timeout)
    : device_(MakeSocketAddress(deviceAddress, port))
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0)
        ProbeError::FromErrno("cannot open a TCP socket");
    try
    {
        Connect(timeout);
    }
    catch (...)
    {
        ::close(fd_);
        throw;
    }
}

CommandSession::~CommandSession()
{
    ::close(fd_);
}

std::string CommandSession::ReadGreeting(Clock::duration timeout)
{
    return ReadUntilPrompt(timeout);
}

std::string CommandSession::Run(const std::string& command, Clock::duration timeout)
{
    SendRaw(command + "\r\n", timeout);
    return ReadUntilPrompt(timeout);
}

void CommandSession::SendRaw(const std::string& bytes, Clock::duration timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    std::size_t sent = 0;
    while (sent < bytes.size())
    {
        if (!PollUntil(fd_, POLLOUT, deadline, "to send a command"))
            throw ProbeError(EndpointText(device_) + " takes no more input",
                             ProbeError::Kind::Timeout);
        const ssize_t count = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count >= 0)
            sent += static_cast<std::size_t>(count);
        else if (errno == EPIPE || errno == ECONNRESET)
            throw ProbeError(EndpointText(device_) + " closed the session",
                             ProbeError::Kind::ConnectionClosed);
        else if (errno != EAGAIN && errno != EINTR)
            ProbeError::FromErrno("cannot send to " + EndpointText(device_));
    }
}

std::string CommandSession::ReadUntilPrompt(Clock::duration timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    const std::string prompt = kPrompt;
    std::size_t found;
    while ((found = received_.find(prompt)) == std::string::npos)
        ReceiveSome(deadline);
    std::string text = received_.substr(0, found);
    received_.erase(0, found + prompt.size());
    return text;
}

void CommandSession::Connect(Clock::duration timeout)
{
    const std::string device = EndpointText(device_);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&device_), sizeof(device_)) == 0)
        return;
    if (errno != EINPROGRESS)
        ProbeError::FromErrno("cannot connect to " + device);
    if (!PollUntil(fd_, POLLOUT, Clock::now() + timeout, "for the connection"))
        throw ProbeError("no connection to " + device + " within " + Milliseconds(timeout),
                         ProbeError::Kind::Timeout);
    errno = PendingError(fd_);
    if (errno != 0)
        ProbeError::FromErrno("cannot connect to " + device);
}

void CommandSession::ReceiveSome(Clock::time_point deadline)
{
    const std::string device = EndpointText(device_);
    if (!PollUntil(fd_, POLLIN, deadline, "for the device's reply"))
        throw ProbeError("no prompt from " + device + " in time; received so far: \"" + received_ +
                             "\"",
                         ProbeError::Kind::Timeout);
    char chunk[kReadChunk];
    const ssize_t count = ::recv(fd_, chunk, sizeof(chunk), 0);
    if (count > 0)
    {
        received_.append(chunk, static_cast<std::size_t>(count));
        return;
    }
    if (count == 0 || errno == ECONNRESET)
        throw ProbeError(device + " closed the session", ProbeError::Kind::ConnectionClosed);
    if (errno != EAGAIN && errno != EINTR)
        ProbeError::FromErrno("cannot read from " + device);
}
} // namespace HalProbe
