#include "devices/netbox/FakeSourceAnalogueX1D.h"

#include "devices/netbox/FakeDeviceNet.h"

#include <cmath>
#include <limits>

VFakeSourceAnalogueX1D::VFakeSourceAnalogueX1D(VFakeDeviceNet& box,
                                               boost::asio::io_context& ioService,
                                               std::uint16_t port,
                                               std::shared_ptr<VX1DHolder> holder,
                                               std::uint32_t device)
    : VFakeSource(box, ioService, port), box_(box), samples_(std::move(holder), device),
      stream_(GetSocket())
{
    enabledChannels_.reserve(VX1DSamples::kChannels);
}

std::uint32_t VFakeSourceAnalogueX1D::SamplesPerFrame(double sampleRate, double frameRate)
{
    if (!(frameRate > 0.0) || !(sampleRate > 0.0))
        return 0;
    const double samples = std::trunc(sampleRate / frameRate);
    const double limit = std::numeric_limits<std::uint16_t>::max();
    return static_cast<std::uint32_t>(samples < limit ? samples : limit);
}

void VFakeSourceAnalogueX1D::Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                                     std::uint32_t& bytesSent)
{
    const std::shared_ptr<const VNetBoxSettings> settings = box_.GetNetSettings();
    const std::uint32_t samples = SamplesPerFrame(settings->sampleRate, box_.GetSystemFrameRate());
    enabledChannels_.clear();
    for (std::uint32_t channel = 0; channel < VX1DSamples::kChannels; ++channel)
        if ((settings->enabledChannels >> channel) & 1u)
            enabledChannels_.push_back(channel);
    const std::vector<std::uint16_t>& values =
        samples_.Extract(currentFrame, samples, enabledChannels_);
    runningTotal_ += static_cast<std::uint32_t>(values.size());

    VAnalogueFrameRecord record;
    record.deviceId = box_.GetDeviceID();
    record.currentFrame = currentFrame;
    record.previousFrame = previousFrame;
    record.runningTotal = runningTotal_;
    // A device without recorded channels, or a file without frames, sends no instants.
    const std::size_t channels = enabledChannels_.size();
    record.samplesPerChannel =
        static_cast<std::uint16_t>(values.size() == samples * channels ? samples : 0);
    record.channelCount = static_cast<std::uint16_t>(channels);
    record.channelMask = settings->enabledChannels;
    bytesSent = stream_.Send(values, record);
}
