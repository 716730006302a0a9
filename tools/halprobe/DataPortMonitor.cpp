#include "tools/halprobe/DataPortMonitor.h"

#include "tools/halprobe/ProbeError.h"

#include <poll.h>

namespace HalProbe
{
DataPortMonitor::DataPortMonitor(const std::string& halAddress, std::uint16_t dataPort)
{
    listeners_.push_back(
        std::make_unique<CameraStreamListener>(halAddress, dataPort, CameraStream::Centroid));
    TryListen(halAddress, dataPort, CameraStream::Greyscale);
    TryListen(halAddress, dataPort, CameraStream::Combined);
}

std::optional<StreamEvent> DataPortMonitor::Next(Clock::time_point deadline)
{
    std::vector<int> descriptors;
    for (const auto& listener : listeners_)
        descriptors.push_back(listener->Descriptor());
    for (;;)
    {
        // A listener may hold events of an earlier datagram; a zero wait takes those first.
        for (const auto& listener : listeners_)
            if (std::optional<StreamEvent> event = listener->NextEvent(Clock::duration::zero()))
                return event;
        if (!PollAnyUntil(descriptors, POLLIN, deadline, "for camera data"))
            return std::nullopt;
    }
}

std::vector<StreamFault> DataPortMonitor::FlushIncomplete()
{
    std::vector<StreamFault> faults;
    for (const auto& listener : listeners_)
        for (StreamFault& fault : listener->FlushIncomplete())
            faults.push_back(std::move(fault));
    return faults;
}

void DataPortMonitor::TryListen(const std::string& halAddress, std::uint16_t dataPort,
                                CameraStream stream)
{
    const std::string name = CameraStreamName(stream);
    const std::optional<std::uint16_t> port = CameraStreamPort(stream, dataPort);
    if (!port)
    {
        unavailable_.push_back("no " + name + ": its port would lie above 65535");
        return;
    }
    try
    {
        listeners_.push_back(std::make_unique<CameraStreamListener>(halAddress, *port, stream));
    }
    catch (const ProbeError& error)
    {
        unavailable_.push_back("no " + name + ": " + error.what());
    }
}
} // namespace HalProbe
