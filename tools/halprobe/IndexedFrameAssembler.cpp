#include "tools/halprobe/IndexedFrameAssembler.h"

#include "tools/halprobe/CameraFrameBuilder.h"
#include "tools/halprobe/TextFormat.h"

#include <cstdint>
#include <iterator>
#include <tuple>

namespace HalProbe
{
namespace
{
constexpr unsigned kListedMissing = 8;

// The words every datagram of a frame repeats besides the camera and frame number.
bool SameFrameWords(const DatagramHeader& first, const DatagramHeader& other)
{
    return std::tie(first.tickClock, first.period, first.word24, first.previousDelta,
                    first.word28) ==
           std::tie(other.tickClock, other.period, other.word24, other.previousDelta, other.word28);
}

// The indices below `end` that `parts` (a map by datagram index) lacks, the first few.
template <typename Parts> std::string MissingIndices(const Parts& parts, unsigned end)
{
    std::string missing;
    unsigned listed = 0;
    for (unsigned index = 0; index < end && listed <= kListedMissing; ++index)
    {
        if (parts.count(static_cast<std::uint16_t>(index)))
            continue;
        missing += missing.empty() ? "" : ", ";
        missing += ++listed > kListedMissing ? "..." : std::to_string(index);
    }
    return missing;
}
} // namespace

IndexedFrameAssembler::IndexedFrameAssembler() : FrameAssembler(CameraStream::Combined) {}

std::vector<StreamEvent> IndexedFrameAssembler::Add(const Datagram& datagram)
{
    DecodedCameraDatagram decoded = DecodeCameraDatagram(stream_, datagram.bytes);
    if (!decoded.header)
        return {Fault(datagram, decoded.problem)};
    const FrameKey key{decoded.header->deviceId, decoded.header->frameNumber};
    const auto waiting = FindOrStart(key, datagram);
    std::vector<StreamEvent> events;
    std::string problem =
        Place(waiting->second, {*decoded.header, std::move(decoded.items), datagram.bytes.size()});
    if (problem.empty())
        problem = decoded.problem;
    if (!problem.empty())
    {
        waiting->second.faulted = true;
        events.push_back(FrameFault(datagram, key.first, key.second, problem));
    }
    if (waiting->second.IsComplete())
        Complete(waiting, datagram, events);
    else
        LimitWaiting(key.first, events);
    return events;
}

std::vector<StreamFault> IndexedFrameAssembler::Flush()
{
    std::vector<StreamFault> faults;
    while (!pending_.empty())
        if (std::optional<StreamFault> fault = GiveUp(pending_.begin()))
            faults.push_back(std::move(*fault));
    return faults;
}

IndexedFrameAssembler::Waiting IndexedFrameAssembler::FindOrStart(const FrameKey& key,
                                                                  const Datagram& datagram)
{
    const auto [waiting, isNew] = pending_.try_emplace(key);
    if (isNew)
    {
        waiting->second.sequence = nextSequence_++;
        waiting->second.origin = WithoutBytes(datagram);
    }
    return waiting;
}

std::string IndexedFrameAssembler::Place(PendingFrame& frame, Part part)
{
    const std::uint16_t index = part.header.index;
    if (frame.parts.count(index))
        return Format("datagram %u arrived twice", index);
    if (frame.lastIndex && index > *frame.lastIndex)
        return Format("datagram %u after the last datagram %u", index, *frame.lastIndex);
    const std::optional<std::uint16_t> highest =
        frame.parts.empty() ? std::nullopt : std::optional(frame.parts.rbegin()->first);
    if (part.header.IsLast())
    {
        if (highest && *highest > index)
            return Format("last datagram %u, but datagram %u arrived", index, *highest);
        frame.lastIndex = index;
    }
    frame.outOfOrder = frame.outOfOrder || (highest && index < *highest);
    frame.parts.emplace(index, std::move(part));
    return "";
}

StreamEvent IndexedFrameAssembler::Assemble(PendingFrame& frame, const Datagram& last) const
{
    const DatagramHeader& first = frame.parts.begin()->second.header;
    const auto fault = [&](const std::string& what)
    { return FrameFault(last, first.deviceId, first.frameNumber, what); };
    CameraFrameBuilder builder(stream_);
    std::uint32_t offset = 0;
    std::string problem;
    for (auto& [index, part] : frame.parts)
    {
        if (part.header.payloadOffset != offset)
            return fault(Format("datagram %u states payload offset %u, %u expected", index,
                                part.header.payloadOffset, offset));
        if (!SameFrameWords(first, part.header))
            return fault(Format("datagram %u states other clock, period or frame words than "
                                "datagram 0",
                                index));
        if (!builder.AddItems(std::move(part.items), part.size, problem))
            return fault(Format("datagram %u: %s", index, problem.c_str()));
        builder.AddHeader(part.header);
        offset += static_cast<std::uint32_t>(part.size - CameraItemSize::kDatagramHeader);
    }
    if (!builder.Complete(problem))
        return fault(problem);
    CameraFrame assembled = builder.Take(last);
    assembled.arrivedOutOfOrder = frame.outOfOrder;
    return assembled;
}

void IndexedFrameAssembler::Complete(Waiting waiting, const Datagram& last,
                                     std::vector<StreamEvent>& events)
{
    std::optional<StreamEvent> assembled;
    if (!waiting->second.faulted)
        assembled = Assemble(waiting->second, last);
    const std::uint32_t deviceId = waiting->first.first;
    const std::uint64_t sequence = waiting->second.sequence;
    pending_.erase(waiting);
    GiveUpEarlier(deviceId, sequence, events);
    if (assembled)
        events.push_back(std::move(*assembled));
}

std::optional<StreamFault> IndexedFrameAssembler::GiveUp(Waiting waiting)
{
    const auto [key, frame] = std::move(*waiting);
    pending_.erase(waiting);
    if (frame.faulted)
        return std::nullopt;
    const unsigned end = frame.lastIndex ? *frame.lastIndex + 1u : frame.parts.rbegin()->first;
    std::string what = "incomplete frame:";
    if (const std::string missing = MissingIndices(frame.parts, end); !missing.empty())
        what += " missing datagram(s) " + missing + (frame.lastIndex ? "" : ";");
    if (!frame.lastIndex)
        what += Format(" no last datagram after datagram %u", frame.parts.rbegin()->first);
    StreamFault fault = FrameFault(frame.origin, key.first, key.second, what);
    fault.datagrams = DatagramTally{frame.parts.size(), frame.parts.rbegin()->first + 1u,
                                    frame.lastIndex.has_value()};
    return fault;
}

void IndexedFrameAssembler::GiveUpEarlier(std::uint32_t deviceId, std::uint64_t sequence,
                                          std::vector<StreamEvent>& events)
{
    const auto end = pending_.upper_bound({deviceId, UINT32_MAX});
    for (auto waiting = pending_.lower_bound({deviceId, 0}); waiting != end;)
    {
        const auto next = std::next(waiting);
        if (waiting->second.sequence < sequence)
            if (std::optional<StreamFault> fault = GiveUp(waiting))
                events.push_back(std::move(*fault));
        waiting = next;
    }
}

void IndexedFrameAssembler::LimitWaiting(std::uint32_t deviceId, std::vector<StreamEvent>& events)
{
    const auto begin = pending_.lower_bound({deviceId, 0});
    const auto end = pending_.upper_bound({deviceId, UINT32_MAX});
    if (static_cast<std::size_t>(std::distance(begin, end)) <= kMaxWaitingFrames)
        return;
    auto oldest = begin;
    for (auto waiting = begin; waiting != end; ++waiting)
        if (waiting->second.sequence < oldest->second.sequence)
            oldest = waiting;
    if (std::optional<StreamFault> fault = GiveUp(oldest))
        events.push_back(std::move(*fault));
}
} // namespace HalProbe
