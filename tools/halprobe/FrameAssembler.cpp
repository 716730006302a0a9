#include "tools/halprobe/FrameAssembler.h"

#include "tools/halprobe/IndexedFrameAssembler.h"
#include "tools/halprobe/TrailerFrameAssembler.h"

namespace HalProbe
{
std::unique_ptr<FrameAssembler> FrameAssembler::For(CameraStream stream)
{
    if (stream == CameraStream::Combined)
        return std::make_unique<IndexedFrameAssembler>();
    return std::make_unique<TrailerFrameAssembler>(stream);
}

Datagram FrameAssembler::WithoutBytes(const Datagram& datagram)
{
    return {{}, datagram.sender, datagram.arrival, datagram.senderPort};
}

StreamFault FrameAssembler::Fault(const Datagram& datagram, std::string what) const
{
    StreamFault fault;
    fault.stream = stream_;
    fault.what = std::move(what);
    fault.sender = datagram.sender;
    fault.senderPort = datagram.senderPort;
    fault.arrival = datagram.arrival;
    return fault;
}

StreamFault FrameAssembler::FrameFault(const Datagram& datagram, std::uint32_t deviceId,
                                       std::uint32_t frameNumber, std::string what) const
{
    StreamFault fault = Fault(datagram, std::move(what));
    fault.deviceId = deviceId;
    fault.frameNumber = frameNumber;
    return fault;
}
} // namespace HalProbe
