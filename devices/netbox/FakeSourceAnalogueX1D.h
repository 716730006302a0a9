#pragma once
// Replays one recorded device of an X1D file as a network box's slot-0 analogue data: each
// frame, the samples of the stored frame the frame number selects, resampled to the box's
// sample rate per system frame and interleaved for its enabled channels, then the analogue
// frame record with the running total of values sent.
//
// Thread rules: created on the I/O thread ("portset"); Produce() is thread-bound to the box's
// frame thread and reads the box's published settings, never a parameter.

#include "devices/FakeSource.h"
#include "devices/netbox/AnalogueStream.h"
#include "devices/netbox/X1DSamples.h"

#include <memory>
#include <vector>

class VFakeDeviceNet;
class VX1DHolder;

class VFakeSourceAnalogueX1D : public VFakeSource
{
public:
    // Recorded device `device` of the file that `holder` plays, to `port` of the HAL.
    VFakeSourceAnalogueX1D(VFakeDeviceNet& box, boost::asio::io_context& ioService,
                           std::uint16_t port, std::shared_ptr<VX1DHolder> holder,
                           std::uint32_t device);

    void Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                 std::uint32_t& bytesSent) override;

    // Samples per channel of a frame: the sample rate over the frame rate, truncated, and
    // held to what the record's 16-bit field can carry; 0 without a positive frame rate.
    static std::uint32_t SamplesPerFrame(double sampleRate, double frameRate);

private:
    VFakeDeviceNet& box_;
    VX1DSamples samples_;
    VAnalogueStream stream_;
    std::vector<std::uint32_t> enabledChannels_;
    std::uint32_t runningTotal_ = 0;
};
