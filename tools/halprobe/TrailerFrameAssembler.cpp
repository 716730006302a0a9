#include "tools/halprobe/TrailerFrameAssembler.h"

#include "tools/halprobe/TextFormat.h"

namespace HalProbe
{
namespace
{
std::uint64_t SenderKey(const Datagram& datagram)
{
    return (std::uint64_t(datagram.sender) << 16) | datagram.senderPort;
}

// What the data port carries besides the centroid stream (status records) does not open
// with a centroid-stream type word.
bool IsCentroidStreamDatagram(const std::vector<std::uint8_t>& bytes)
{
    const std::uint16_t first = WireReader(bytes).PeekUint16();
    return first == CameraItemType::kCentroid || first == CameraItemType::kTrack ||
           first == CameraItemType::kFrameTrailer;
}
} // namespace

TrailerFrameAssembler::TrailerFrameAssembler(CameraStream stream) : FrameAssembler(stream) {}

std::vector<StreamEvent> TrailerFrameAssembler::Add(const Datagram& datagram)
{
    if (stream_ == CameraStream::Centroid && !IsCentroidStreamDatagram(datagram.bytes))
        return {DataRecord::Decode(datagram)};
    DecodedCameraDatagram decoded = DecodeCameraDatagram(stream_, datagram.bytes);
    const std::uint64_t sender = SenderKey(datagram);
    PendingFrame& pending =
        pending_.try_emplace(sender, stream_, WithoutBytes(datagram)).first->second;
    if (decoded.trailer)
    {
        StreamEvent event = Finish(pending, std::move(decoded), datagram);
        pending_.erase(sender);
        return {std::move(event)};
    }
    if (pending.faulted)
        return {};
    std::string problem = decoded.problem;
    if (decoded.Ok() &&
        pending.builder.AddItems(std::move(decoded.items), datagram.bytes.size(), problem))
        return {};
    pending.faulted = true;
    return {Fault(datagram, problem)};
}

std::vector<StreamFault> TrailerFrameAssembler::Flush()
{
    std::vector<StreamFault> faults;
    for (const auto& entry : pending_)
        if (!entry.second.faulted)
            faults.push_back(Fault(entry.second.origin, "frame without its trailer"));
    pending_.clear();
    return faults;
}

StreamEvent TrailerFrameAssembler::Finish(PendingFrame& pending, DecodedCameraDatagram decoded,
                                          const Datagram& datagram) const
{
    const FrameTrailer& trailer = *decoded.trailer;
    const auto fault = [&](std::string what)
    { return FrameFault(datagram, trailer.deviceId, trailer.frameNumber, std::move(what)); };
    if (!decoded.Ok())
        return fault(decoded.problem);
    if (pending.faulted)
        return fault("frame dropped: an earlier datagram of it is faulty");
    if (trailer.streamKind != ExpectedStreamKind())
        return fault(Format("trailer of stream kind %u on the %s", trailer.streamKind,
                            CameraStreamName(stream_)));
    if (trailer.payloadBytes != pending.builder.PayloadBytes())
        return fault(Format("trailer states %u payload bytes, %zu arrived", trailer.payloadBytes,
                            pending.builder.PayloadBytes()));
    pending.builder.AddTrailer(trailer);
    return pending.builder.Take(datagram);
}

std::uint16_t TrailerFrameAssembler::ExpectedStreamKind() const
{
    return stream_ == CameraStream::Centroid ? FrameTrailer::kCentroidStream
                                             : FrameTrailer::kGreyscaleStream;
}
} // namespace HalProbe
