#pragma once
// Listens on the HAL port where a network box sends its analogue data (the data port
// that "portset" gave) and hands out whole analogue frames. Every fault of the stream is
// reported, never turned into a frame; the device records that share the port (status,
// GPI, timecode status) are handed out by NextEvent and skipped by NextFrame.
// Thread-bound to its owner.

#include "tools/halprobe/AnalogueFrameAssembler.h"
#include "tools/halprobe/UdpSocket.h"

#include <string>

namespace HalProbe
{
class AnalogueStreamListener
{
public:
    // Listens on `halAddress`:`port`. Throws ProbeError when the address is malformed or
    // not ours, or the port is taken.
    AnalogueStreamListener(const std::string& halAddress, std::uint16_t port);

    // The next whole frame, or nothing when none is completed within `timeout`. Device
    // records are skipped; a fault throws ProbeError of kind BadStream with its
    // description, and the listener goes on with the next datagram.
    std::optional<AnalogueFrame> NextFrame(Clock::duration timeout);
    // The next frame, fault or device record, or nothing within `timeout`.
    std::optional<AnalogueEvent> NextEvent(Clock::duration timeout);
    // Reports the samples still waiting for their record as faults and forgets them.
    std::vector<AnalogueFault> FlushIncomplete() { return assembler_.Flush(); }

    const sockaddr_in& LocalEndpoint() const { return socket_.LocalEndpoint(); }
    // For waiting on several listeners at once.
    int Descriptor() const { return socket_.Descriptor(); }

private:
    std::optional<AnalogueEvent> NextEventBefore(Clock::time_point deadline);

    UdpSocket socket_;
    AnalogueFrameAssembler assembler_;
};
} // namespace HalProbe
