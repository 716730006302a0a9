#include "tools/halprobe/DataPortMonitor.h"

#include "tools/halprobe/ProbeError.h"

#include <poll.h>
#include <sys/socket.h>

namespace HalProbe
{
namespace
{
constexpr std::uint16_t kTimecodePortOffset = 2000;
// Room for about a second of a large rig's data while the reader prints or writes a file: a
// rig sends its frames in bursts, and a full buffer loses datagrams the HAL would have had.
constexpr int kReceiveBufferBytes = 32 << 20;

// Beyond the system's limit where this process may (as root); otherwise up to the limit.
void EnlargeReceiveBuffer(int descriptor)
{
    if (::setsockopt(descriptor, SOL_SOCKET, SO_RCVBUFFORCE, &kReceiveBufferBytes,
                     sizeof(kReceiveBufferBytes)) != 0)
        (void)::setsockopt(descriptor, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes,
                           sizeof(kReceiveBufferBytes));
}

template <typename Event> MonitorEvent AsMonitorEvent(Event&& event)
{
    return std::visit([](auto&& happened) { return MonitorEvent(std::move(happened)); },
                      std::forward<Event>(event));
}
} // namespace

DataPortMonitor::DataPortMonitor(const std::string& halAddress, std::uint16_t dataPort)
{
    listeners_.push_back(
        std::make_unique<CameraStreamListener>(halAddress, dataPort, CameraStream::Centroid));
    TryListen(halAddress, dataPort, CameraStream::Greyscale);
    TryListen(halAddress, dataPort, CameraStream::Combined);
    TryListenForTimecode(halAddress, dataPort);
    for (const auto& listener : listeners_)
        EnlargeReceiveBuffer(listener->Descriptor());
    if (timecode_)
        EnlargeReceiveBuffer(timecode_->Descriptor());
}

std::optional<MonitorEvent> DataPortMonitor::Next(Clock::time_point deadline)
{
    std::vector<int> descriptors;
    for (const auto& listener : listeners_)
        descriptors.push_back(listener->Descriptor());
    if (timecode_)
        descriptors.push_back(timecode_->Descriptor());
    for (;;)
    {
        Collect();
        if (!events_.empty())
        {
            MonitorEvent event = std::move(events_.front());
            events_.pop_front();
            return event;
        }
        if (!PollAnyUntil(descriptors, POLLIN, deadline, "for device data"))
            return std::nullopt;
    }
}

std::vector<MonitorEvent> DataPortMonitor::FlushIncomplete()
{
    std::vector<MonitorEvent> faults;
    for (const auto& listener : listeners_)
        for (StreamFault& fault : listener->FlushIncomplete())
            faults.push_back(std::move(fault));
    for (AnalogueFault& fault : analogue_.Flush())
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

void DataPortMonitor::TryListenForTimecode(const std::string& halAddress, std::uint16_t dataPort)
{
    if (dataPort > 65535 - kTimecodePortOffset)
    {
        unavailable_.push_back("no timecode: its port would lie above 65535");
        return;
    }
    try
    {
        timecode_ = std::make_unique<DataPortListener>(halAddress, dataPort + kTimecodePortOffset);
    }
    catch (const ProbeError& error)
    {
        unavailable_.push_back(std::string("no timecode: ") + error.what());
    }
}

void DataPortMonitor::Collect()
{
    // One event from each port at most, so a busy port does not starve the others; a
    // listener may hold events of an earlier datagram, which a zero wait takes first.
    for (std::size_t index = 0; index < listeners_.size(); ++index)
        if (std::optional<StreamEvent> event =
                listeners_[index]->NextEvent(Clock::duration::zero()))
            Queue(std::move(*event), index == 0);
    if (!timecode_)
        return;
    if (std::optional<DataRecord> record = timecode_->Receive(Clock::duration::zero()))
        events_.push_back(std::move(*record));
}

void DataPortMonitor::Queue(StreamEvent event, bool onDataPort)
{
    DataRecord* record = std::get_if<DataRecord>(&event);
    if (!onDataPort || !record)
    {
        events_.push_back(AsMonitorEvent(std::move(event)));
        return;
    }
    if (std::optional<AnalogueEvent> analogue = analogue_.Add(std::move(*record)))
        events_.push_back(AsMonitorEvent(std::move(*analogue)));
}
} // namespace HalProbe
