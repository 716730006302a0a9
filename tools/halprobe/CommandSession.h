#pragma once
// The HAL's end of a device's command session: a TCP connection to the device's session
// port on which each command line is answered by its reply and the prompt. Every wait has
// a timeout; failures throw ProbeError (kind Timeout or ConnectionClosed where it
// applies). Thread-bound to its owner.

#include "tools/halprobe/PollUntil.h"

#include <cstdint>
#include <netinet/in.h>
#include <string>

namespace HalProbe
{
class CommandSession
{
public:
    static constexpr const char* kPrompt = "\nDovudovi $";
    static constexpr std::uint16_t kSessionPortBase = 9000;

    // Connects within `timeout`; throws ProbeError on a malformed address, a refused
    // connection or a timeout.
    CommandSession(const std::string& deviceAddress, std::uint16_t port,
                   Clock::duration timeout = std::chrono::seconds(3));
    ~CommandSession();
    CommandSession(const CommandSession&) = delete;
    CommandSession& operator=(const CommandSession&) = delete;

    // The text the device sends before its first prompt ("FakeLumeDevice").
    std::string ReadGreeting(Clock::duration timeout);
    // Sends `command` and a line end; returns the reply before the next prompt. An empty
    // command gets no prompt back and so times out.
    std::string Run(const std::string& command, Clock::duration timeout);

    // Sends exactly `bytes`, for split lines, junk and several commands in one write.
    void SendRaw(const std::string& bytes, Clock::duration timeout = std::chrono::seconds(3));
    // The text before the next prompt; text after it is kept for the next call.
    std::string ReadUntilPrompt(Clock::duration timeout);

private:
    void Connect(Clock::duration timeout);
    void ReceiveSome(Clock::time_point deadline);

    sockaddr_in device_;
    int fd_ = -1;
    std::string received_;
};
} // namespace HalProbe
