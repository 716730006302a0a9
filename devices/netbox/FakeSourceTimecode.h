#pragma once
// The network box's timecode generator: each frame it sends the HAL one timecode record
// that counts on from the recording's start timecode by the frame number at the box's
// system frame rate. It keeps no running state, so frame numbers may jump or repeat.
//
// Thread rules: created on the thread handling "portset" (the I/O thread); Produce() is
// thread-bound to the box's frame thread. The start timecode is a copy fixed at creation.

#include "devices/FakeSource.h"
#include "devices/netbox/TimecodePackets.h"
#include "devices/netbox/TimecodeValue.h"

#include <optional>

class VFakeSourceTimecode : public VFakeSource
{
public:
    // `port` is the HAL's port for timecode records; `unusedValue` is kept for the box's
    // creation call and has no effect.
    VFakeSourceTimecode(VFakeDevice& box, boost::asio::io_context& ioService, std::uint16_t port,
                        const VTimecodeValue& start, std::int32_t unusedValue);

    // Sends the timecode record of `currentFrame` when the system frame rate divides the
    // timecode's frame into whole system frames; `bytesSent` is 40 then, else 0.
    void Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                 std::uint32_t& bytesSent) override;

private:
    // Ticks of 120000 Hz per system frame at `systemFrameRate` Hz, rounded; none when no
    // whole number of system frames makes up a timecode frame of the start's standard.
    std::optional<std::int64_t> TicksPerSystemFrame(double systemFrameRate) const;
    // The start timecode `ticks` later; an invalid start stays as it is.
    VTimecodeValue AdvancedBy(std::int64_t ticks) const;

    const VTimecodeValue start_;
};
