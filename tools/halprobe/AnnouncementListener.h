#pragma once
// Listens where the HAL does for the devices' awake and alive announcements (UDP port
// 8570 on the HAL's address) and decodes each datagram. Thread-bound to its owner.

#include "tools/halprobe/Announcement.h"
#include "tools/halprobe/BroadcastDatagrams.h"
#include "tools/halprobe/DeviceSurvey.h"

#include <string>

namespace HalProbe
{
class AnnouncementListener
{
public:
    // Throws ProbeError when the address is malformed or not ours, or the port is taken.
    explicit AnnouncementListener(const std::string& halAddress,
                                  std::uint16_t port = kAnnouncementPort);

    // The next datagram, or nothing when none arrives within `timeout`.
    std::optional<Announcement> Receive(Clock::duration timeout);

    // Collects everything that arrives during `duration`.
    DeviceSurvey Survey(Clock::duration duration);

    const sockaddr_in& LocalEndpoint() const { return socket_.LocalEndpoint(); }

private:
    UdpSocket socket_;
};
} // namespace HalProbe
