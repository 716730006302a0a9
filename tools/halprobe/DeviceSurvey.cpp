#include "tools/halprobe/DeviceSurvey.h"

namespace HalProbe
{
namespace
{
void CountAlive(DeviceSummary& device, Clock::time_point arrival)
{
    if (device.aliveCount == 0)
        device.firstAlive = arrival;
    device.lastAlive = arrival;
    ++device.aliveCount;
}
} // namespace

double DeviceSummary::AliveRate() const
{
    const std::chrono::duration<double> span = lastAlive - firstAlive;
    if (aliveCount < 2 || span.count() <= 0.0)
        return 0.0;
    return static_cast<double>(aliveCount - 1) / span.count();
}

void DeviceSurvey::Add(const Announcement& announcement)
{
    if (announcement.kind == Announcement::Kind::Unknown)
    {
        ++unknownCount_;
        return;
    }
    DeviceSummary& device = devices_[announcement.deviceId];
    device.deviceClass = announcement.deviceClass;
    device.localAddress = announcement.localAddress;
    if (announcement.kind == Announcement::Kind::Awake)
    {
        device.port = announcement.port;
        ++device.awakeCount;
        return;
    }
    CountAlive(device, announcement.arrival);
}
} // namespace HalProbe
