#include "tests/tools/halprobe/TestSessionServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
const std::string kPrompt = "\nDovudovi $";

bool WaitReadable(int fd, std::chrono::milliseconds timeout)
{
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, static_cast<int>(timeout.count())) == 1;
}
} // namespace

TestSessionServer::TestSessionServer(const std::string& address, std::uint16_t port)
{
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(port);
    ::inet_pton(AF_INET, address.c_str(), &endpoint.sin_addr);
    if (::bind(listener_, reinterpret_cast<const sockaddr*>(&endpoint), sizeof(endpoint)) != 0 ||
        ::listen(listener_, 4) != 0)
        throw std::runtime_error("cannot listen on " + address);
}

TestSessionServer::~TestSessionServer()
{
    if (connection_ >= 0)
        ::shutdown(connection_, SHUT_RDWR);
    if (answering_.joinable())
        answering_.join();
    CloseConnection();
    ::close(listener_);
}

bool TestSessionServer::Accept(std::chrono::milliseconds timeout)
{
    if (!WaitReadable(listener_, timeout))
        return false;
    connection_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    return connection_ >= 0;
}

void TestSessionServer::Send(const std::string& bytes)
{
    if (!SendAll(bytes))
        throw std::runtime_error("test server could not send");
}

bool TestSessionServer::SendAll(const std::string& bytes)
{
    return ::send(connection_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
}

std::string TestSessionServer::Receive(std::size_t count, std::chrono::milliseconds timeout)
{
    std::string received;
    char chunk[256];
    while (received.size() < count && WaitReadable(connection_, timeout))
    {
        const std::size_t wanted = std::min(sizeof(chunk), count - received.size());
        const ssize_t got = ::recv(connection_, chunk, wanted, 0);
        if (got <= 0)
            break;
        received.append(chunk, static_cast<std::size_t>(got));
    }
    return received;
}

void TestSessionServer::CloseConnection()
{
    if (connection_ >= 0)
        ::close(connection_);
    connection_ = -1;
}

void TestSessionServer::AnswerInBackground(Answer answer)
{
    Send("FakeLumeDevice" + kPrompt);
    answering_ = std::thread(
        [this, answer]
        {
            char chunk[4096];
            ssize_t got;
            while ((got = ::recv(connection_, chunk, sizeof(chunk), 0)) > 0)
                if (!AnswerLines(std::string(chunk, static_cast<std::size_t>(got)), answer))
                    return;
        });
}

// Like a device, a chunk is split at every "\n" and nothing is carried to the next read.
bool TestSessionServer::AnswerLines(const std::string& chunk, const Answer& answer)
{
    for (std::size_t start = 0; start < chunk.size();)
    {
        const std::size_t end = std::min(chunk.find('\n', start), chunk.size());
        const std::string line = chunk.substr(start, end - start);
        if (!line.empty() && !SendAll(answer(line) + kPrompt))
            return false;
        start = end + 1;
    }
    return true;
}
