#include "tools/halprobe/RigSessions.h"

#include "tools/halprobe/ProbeError.h"
#include "tools/halprobe/SocketAddress.h"
#include "tools/halprobe/TextFormat.h"

#include <thread>

namespace HalProbe
{
namespace
{
constexpr auto kRetryPause = std::chrono::milliseconds(50);

// A device that was just reset opens its session listener on its own I/O thread, shortly
// after it announces itself: connect until it is there.
std::unique_ptr<CommandSession> Connect(const RigDevice& device, Clock::duration timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    const std::string address = DottedAddress(device.address);
    const auto port = std::uint16_t(CommandSession::kSessionPortBase + device.port);
    for (;;)
    {
        try
        {
            auto session = std::make_unique<CommandSession>(address, port, timeout);
            session->ReadGreeting(timeout);
            return session;
        }
        catch (const ProbeError&)
        {
            if (Clock::now() + kRetryPause >= deadline)
                throw;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
}

void Expect(CommandSession& session, const std::string& command, Clock::duration timeout)
{
    const std::string reply = session.Run(command, timeout);
    if (!reply.empty())
        throw ProbeError("\"" + command + "\" was answered with \"" + reply + "\"");
}

std::unique_ptr<CommandSession> Ready(const RigDevice& device, std::uint16_t dataPort,
                                      Clock::duration timeout)
{
    std::unique_ptr<CommandSession> session = Connect(device, timeout);
    Expect(*session, Format("notify a %u b %u", unsigned(dataPort), unsigned(device.port)),
           timeout);
    Expect(*session, "datadisable false", timeout);
    Expect(*session, Format("portset %u", unsigned(dataPort)), timeout);
    return session;
}
} // namespace

RigSessions::RigSessions(const std::vector<RigDevice>& devices, std::uint16_t dataPort,
                         const DeviceCommands& commands, Clock::duration timeout)
{
    for (const RigDevice& device : devices)
    {
        try
        {
            sessions_.push_back(Ready(device, dataPort, timeout));
            for (const std::string& command : device.IsNetworkBox() ? commands.box : commands.camera)
            {
                const std::string reply = sessions_.back()->Run(command, timeout);
                if (!reply.empty())
                    replies_.push_back(RigDeviceName(device) + ": " + command + ": " + reply);
            }
        }
        catch (const ProbeError& error)
        {
            throw ProbeError(
                Format("the session with %s at %s:%u failed: %s", RigDeviceName(device).c_str(),
                       DottedAddress(device.address).c_str(),
                       unsigned(CommandSession::kSessionPortBase + device.port), error.what()),
                error.GetKind());
        }
    }
}
} // namespace HalProbe
