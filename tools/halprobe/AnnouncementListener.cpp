#include "tools/halprobe/AnnouncementListener.h"

namespace HalProbe
{
AnnouncementListener::AnnouncementListener(const std::string& halAddress, std::uint16_t port)
    : socket_(halAddress, port)
{
}

std::optional<Announcement> AnnouncementListener::Receive(Clock::duration timeout)
{
    std::optional<Datagram> datagram = socket_.Receive(Clock::now() + timeout);
    if (!datagram)
        return std::nullopt;
    return Announcement::Decode(std::move(*datagram));
}

DeviceSurvey AnnouncementListener::Survey(Clock::duration duration)
{
    const Clock::time_point end = Clock::now() + duration;
    DeviceSurvey survey;
    while (std::optional<Datagram> datagram = socket_.Receive(end))
        survey.Add(Announcement::Decode(std::move(*datagram)));
    return survey;
}
} // namespace HalProbe
