#include "devices/netbox/FakeSourceAnalogueControl.h"

#include "devices/netbox/FakeDeviceNet.h"

#include <bitset>

VFakeSourceAnalogueControl::VFakeSourceAnalogueControl(VFakeDeviceNet& box,
                                                       boost::asio::io_context& ioService,
                                                       std::uint16_t port)
    : VFakeSource(box, ioService, port), box_(box), stream_(GetSocket())
{
}

void VFakeSourceAnalogueControl::Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                                         std::uint32_t& bytesSent)
{
    const std::shared_ptr<const VNetBoxSettings> settings = box_.GetNetSettings();
    const std::uint32_t instants =
        signal_.Produce(*settings, VTestSignal::FrameTicks(box_.GetSystemFrameRate()));
    runningTotal_ += instants;

    VAnalogueFrameRecord record;
    record.deviceId = box_.GetDeviceID();
    record.currentFrame = currentFrame;
    record.previousFrame = previousFrame;
    record.runningTotal = runningTotal_;
    record.samplesPerChannel = static_cast<std::uint16_t>(instants);
    record.channelMask = VTestSignal::SampledChannels(*settings);
    record.channelCount = static_cast<std::uint16_t>(std::bitset<64>(record.channelMask).count());
    bytesSent = stream_.Send(signal_.Values(), record);
}
