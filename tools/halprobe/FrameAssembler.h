#pragma once
// Puts the frames of one camera stream together from the datagrams arriving at its HAL
// port, and reports every datagram or frame that breaks the stream's rules as a fault
// instead of a frame. Thread-bound to its owner.

#include "tools/halprobe/CameraFrame.h"

#include <memory>

namespace HalProbe
{
class FrameAssembler
{
public:
    // The assembler for `stream`: items until the trailer for the protocol-1 streams,
    // reassembly by datagram index for the combined stream.
    static std::unique_ptr<FrameAssembler> For(CameraStream stream);

    virtual ~FrameAssembler() = default;

    // Takes one datagram; returns the frames it completes, the faults it shows and, on
    // the data port, the device records that are no camera data.
    virtual std::vector<StreamEvent> Add(const Datagram& datagram) = 0;
    // Reports every frame still waiting for datagrams as incomplete and forgets it.
    virtual std::vector<StreamFault> Flush() = 0;

protected:
    explicit FrameAssembler(CameraStream stream) : stream_(stream) {}

    // Where and when `datagram` came from, for faults reported later.
    static Datagram WithoutBytes(const Datagram& datagram);
    StreamFault Fault(const Datagram& datagram, std::string what) const;
    StreamFault FrameFault(const Datagram& datagram, std::uint32_t deviceId,
                           std::uint32_t frameNumber, std::string what) const;

    const CameraStream stream_;
};
} // namespace HalProbe
