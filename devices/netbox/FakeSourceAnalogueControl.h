#pragma once
// The analogue test signal of a synthetic network box's slot 0, sent to the HAL as analogue
// data: each frame the samples the box's master clock reaches while capture is active, then
// the analogue frame record with the running total of sample instants sent. The record names
// the channels that are sampled (enabled and below the slot's channel count), so that its
// counts always describe the values that went before it.
//
// Thread rules: created on the I/O thread ("portset"); Produce() is thread-bound to the box's
// frame thread and reads the box's published settings, never a parameter.

#include "devices/FakeSource.h"
#include "devices/netbox/AnalogueStream.h"
#include "devices/netbox/TestSignal.h"

class VFakeDeviceNet;

class VFakeSourceAnalogueControl : public VFakeSource
{
public:
    // The test signal of `box` to `port` of the HAL.
    VFakeSourceAnalogueControl(VFakeDeviceNet& box, boost::asio::io_context& ioService,
                               std::uint16_t port);

    // `bytesSent` receives the sample and record bytes together.
    void Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                 std::uint32_t& bytesSent) override;

private:
    VFakeDeviceNet& box_;
    VTestSignal signal_;
    VAnalogueStream stream_;
    std::uint32_t runningTotal_ = 0;
};
