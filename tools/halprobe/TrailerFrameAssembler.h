#pragma once
// Frames of the protocol-1 centroid and greyscale streams: the item datagrams a camera
// sends, kept apart by the sending socket, make one frame once its trailer arrives; the
// trailer names the camera and the frame. The trailer's payload count must match the
// items received, so a lost or extra item datagram spoils the frame instead of passing
// unseen. On the data port, records that are not centroid-stream datagrams (status
// records) are passed on. Thread-bound to its owner.

#include "tools/halprobe/CameraFrameBuilder.h"
#include "tools/halprobe/FrameAssembler.h"

#include <map>

namespace HalProbe
{
class TrailerFrameAssembler : public FrameAssembler
{
public:
    // `stream` is Centroid or Greyscale.
    explicit TrailerFrameAssembler(CameraStream stream);

    std::vector<StreamEvent> Add(const Datagram& datagram) override;
    std::vector<StreamFault> Flush() override;

private:
    struct PendingFrame
    {
        PendingFrame(CameraStream stream, Datagram first) : builder(stream), origin(first) {}

        CameraFrameBuilder builder;
        Datagram origin;      // the frame's first datagram, without its bytes
        bool faulted = false; // reported already; the rest up to the trailer is dropped
    };

    StreamEvent Finish(PendingFrame& pending, DecodedCameraDatagram decoded,
                       const Datagram& datagram) const;
    std::uint16_t ExpectedStreamKind() const;

    // By sender address and port.
    std::map<std::uint64_t, PendingFrame> pending_;
};
} // namespace HalProbe
