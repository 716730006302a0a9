#pragma once
// Listens on the HAL port of one camera stream and hands out whole frames: the data port
// for the protocol-1 centroid stream (whose status records it skips), data port + 1000
// for the protocol-1 greyscale stream, data port + 5000 for the protocol-2 combined
// stream. Every fault of the stream is reported, never turned into a frame.
// Thread-bound to its owner.

#include "tools/halprobe/FrameAssembler.h"
#include "tools/halprobe/UdpSocket.h"

#include <deque>
#include <memory>
#include <string>

namespace HalProbe
{
class CameraStreamListener
{
public:
    // Listens on `halAddress`:`port`. Throws ProbeError when the address is malformed or
    // not ours, or the port is taken.
    CameraStreamListener(const std::string& halAddress, std::uint16_t port, CameraStream stream);

    // The next whole frame, or nothing when none is completed within `timeout`. Status
    // records are skipped; a fault or any other datagram throws ProbeError of kind
    // BadStream with its description, and the listener goes on with the next datagram.
    std::optional<CameraFrame> NextFrame(Clock::duration timeout);
    // The next frame, fault or device record, or nothing within `timeout`.
    std::optional<StreamEvent> NextEvent(Clock::duration timeout);
    // Reports the frames still waiting for datagrams as incomplete and forgets them.
    std::vector<StreamFault> FlushIncomplete();

    CameraStream Stream() const { return stream_; }
    const sockaddr_in& LocalEndpoint() const { return socket_.LocalEndpoint(); }
    // For waiting on several listeners at once.
    int Descriptor() const { return socket_.Descriptor(); }

private:
    std::optional<StreamEvent> NextEventBefore(Clock::time_point deadline);

    UdpSocket socket_;
    CameraStream stream_;
    std::unique_ptr<FrameAssembler> assembler_;
    std::deque<StreamEvent> events_; // completed by one datagram, not handed out yet
};
} // namespace HalProbe
