#include "tools/halprobe/RigStatistics.h"

#include "tools/halprobe/TextFormat.h"

#include <algorithm>

namespace HalProbe
{
namespace
{
constexpr double kMilliseconds = 1000.0;
constexpr double kKilobytes = 1000.0;

bool IsCameraStream(PlayStream stream)
{
    return stream == PlayStream::Centroid || stream == PlayStream::Greyscale ||
           stream == PlayStream::Combined;
}
} // namespace

RigStatistics::RigStatistics(double rateHz, const std::vector<RigDevice>& devices) : rateHz_(rateHz)
{
    for (const RigDevice& found : devices)
    {
        Device& device = devices_[found.deviceId];
        device.name = RigDeviceName(found);
        device.found = true;
        order_.push_back(found.deviceId);
    }
}

void RigStatistics::AddFrame(std::uint32_t deviceId, PlayStream stream, std::uint32_t frameNumber,
                             Clock::time_point arrival, std::size_t datagrams, std::size_t bytes)
{
    Device& device = Heard(deviceId, stream);
    device.streams.try_emplace(stream, rateHz_).first->second.Add(frameNumber, arrival);
    for (Counts* counts : {&device.interval, &device.total})
    {
        counts->datagrams += datagrams;
        counts->bytes += bytes;
    }
}

void RigStatistics::AddDatagram(std::uint32_t deviceId, std::size_t bytes)
{
    Device& device = Heard(deviceId);
    for (Counts* counts : {&device.interval, &device.total})
    {
        ++counts->datagrams;
        counts->bytes += bytes;
    }
}

void RigStatistics::AddFault(std::optional<std::uint32_t> deviceId)
{
    if (!deviceId)
    {
        ++unknownFaults_;
        return;
    }
    Device& device = Heard(*deviceId);
    ++device.interval.faults;
    ++device.total.faults;
}

std::vector<std::string> RigStatistics::TakeRateLines(double seconds)
{
    std::vector<std::string> lines;
    for (std::uint32_t deviceId : order_)
    {
        Device& device = devices_[deviceId];
        const Timing timing = IntervalTiming(device);
        lines.push_back(Format("%-17s %6.1f frames/s %7.1f datagrams/s %8.1f kB/s  late %6.2f "
                               "ms mean %6.2f max  %zu skipped  %zu faults",
                               device.name.c_str(), double(timing.frames) / seconds,
                               double(device.interval.datagrams) / seconds,
                               double(device.interval.bytes) / kKilobytes / seconds,
                               timing.lateness.meanSeconds * kMilliseconds,
                               timing.lateness.maxSeconds * kMilliseconds, timing.skipped,
                               device.interval.faults));
        device.interval = {};
        for (auto& [stream, timeline] : device.streams)
            timeline.StartInterval();
    }
    return lines;
}

std::vector<std::string> RigStatistics::TotalLines(double seconds) const
{
    std::vector<std::string> lines{Format("%-17s %8s %8s %7s %10s %12s %9s %12s %11s", "device",
                                          "frames", "skipped", "faults", "datagrams", "bytes",
                                          "frames/s", "late mean", "late max")};
    for (std::uint32_t deviceId : order_)
    {
        const Device& device = devices_.at(deviceId);
        const Timing timing = TotalTiming(device);
        lines.push_back(Format("%-17s %8zu %8zu %7zu %10zu %12zu %9.1f %9.2f ms %8.2f ms",
                               device.name.c_str(), timing.frames, timing.skipped,
                               device.total.faults, device.total.datagrams, device.total.bytes,
                               seconds > 0.0 ? double(timing.frames) / seconds : 0.0,
                               timing.lateness.meanSeconds * kMilliseconds,
                               timing.lateness.maxSeconds * kMilliseconds));
    }
    if (unknownFaults_ > 0)
        lines.push_back(Format("%zu faults named no device", unknownFaults_));
    return lines;
}

PlayVerdict RigStatistics::Verdict() const
{
    std::size_t found = 0, skipped = 0, faults = unknownFaults_;
    std::vector<std::string> silent;
    for (const auto& [deviceId, device] : devices_)
    {
        const Timing timing = TotalTiming(device);
        skipped += timing.skipped;
        faults += device.total.faults;
        if (!device.found)
            continue;
        ++found;
        if (timing.frames == 0)
            silent.push_back(device.name);
    }
    std::string text = silent.empty()
                           ? Format("all %zu devices streamed", found)
                           : Format("%zu of %zu devices sent no frame:", silent.size(), found);
    for (const std::string& name : silent)
        text += " " + name;
    text += skipped == 0 ? ", no frame skipped" : Format(", %zu frames skipped", skipped);
    if (faults > 0)
        text += Format(", %zu stream faults", faults);
    return {silent.empty(), text};
}

RigStatistics::Device& RigStatistics::Heard(std::uint32_t deviceId, PlayStream stream)
{
    Device& device = Heard(deviceId);
    if (!device.found && device.streams.empty())
        device.name = Format("%s 0x%08X", IsCameraStream(stream) ? "camera" : "box", deviceId);
    return device;
}

RigStatistics::Device& RigStatistics::Heard(std::uint32_t deviceId)
{
    auto [found, added] = devices_.try_emplace(deviceId);
    if (added)
    {
        found->second.name = Format("device 0x%08X", deviceId);
        order_.push_back(deviceId);
    }
    return found->second;
}

RigStatistics::Timing RigStatistics::IntervalTiming(const Device& device)
{
    Timing timing;
    for (const auto& [stream, timeline] : device.streams)
        Merge(timing, timeline.IntervalLateness(), timeline.IntervalSkipped());
    return timing;
}

RigStatistics::Timing RigStatistics::TotalTiming(const Device& device)
{
    Timing timing;
    for (const auto& [stream, timeline] : device.streams)
        Merge(timing, timeline.TotalLateness(), timeline.TotalSkipped());
    return timing;
}

// The busiest stream gives the frame count; lateness is taken over every stream's frames.
void RigStatistics::Merge(Timing& timing, const Lateness& lateness, std::size_t skipped)
{
    const std::size_t frames = timing.lateness.frames + lateness.frames;
    if (frames > 0)
        timing.lateness.meanSeconds =
            (timing.lateness.meanSeconds * double(timing.lateness.frames) +
             lateness.meanSeconds * double(lateness.frames)) /
            double(frames);
    timing.lateness.maxSeconds = std::max(timing.lateness.maxSeconds, lateness.maxSeconds);
    timing.lateness.frames = frames;
    timing.frames = std::max(timing.frames, lateness.frames);
    timing.skipped += skipped;
}
} // namespace HalProbe
