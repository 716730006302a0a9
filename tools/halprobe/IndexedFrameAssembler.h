#pragma once
// Frames of the protocol-2 combined stream, reassembled by datagram index: every datagram
// names its camera, frame, index and payload offset, and the last one of a frame carries
// the last-datagram flag. Datagrams may arrive in any order (the frame then says so);
// a datagram that arrives twice, lies beyond the last one or whose payload offset does not
// continue its predecessor's is a fault. A frame still missing datagrams when a later
// frame of the same camera completes, or when too many of that camera's frames wait, is
// reported incomplete. Thread-bound to its owner.

#include "tools/halprobe/FrameAssembler.h"

#include <map>

namespace HalProbe
{
class IndexedFrameAssembler : public FrameAssembler
{
public:
    // Frames of one camera that may wait for datagrams before the oldest is given up.
    static constexpr std::size_t kMaxWaitingFrames = 16;

    IndexedFrameAssembler();

    std::vector<StreamEvent> Add(const Datagram& datagram) override;
    std::vector<StreamFault> Flush() override;

private:
    struct Part
    {
        DatagramHeader header;
        std::vector<CameraItem> items;
        std::size_t size = 0;
    };

    struct PendingFrame
    {
        std::map<std::uint16_t, Part> parts; // by datagram index
        std::optional<std::uint16_t> lastIndex;
        bool outOfOrder = false;
        bool faulted = false;       // reported already; the frame is dropped when complete
        std::uint64_t sequence = 0; // when its first datagram came, among all frames
        Datagram origin;            // its first datagram, without the bytes

        bool IsComplete() const { return lastIndex && parts.size() == *lastIndex + 1u; }
    };

    using FrameKey = std::pair<std::uint32_t, std::uint32_t>; // DeviceID, frame number
    using Waiting = std::map<FrameKey, PendingFrame>::iterator;

    // The frame `key` waiting for datagrams, started by `datagram` if it is new.
    Waiting FindOrStart(const FrameKey& key, const Datagram& datagram);
    // Files `part` under its index; what is wrong with its place, or nothing.
    static std::string Place(PendingFrame& frame, Part part);
    // Hands out the frame all of whose datagrams arrived, unless it was spoilt, and gives
    // up the camera's frames that began before it.
    void Complete(Waiting waiting, const Datagram& last, std::vector<StreamEvent>& events);
    StreamEvent Assemble(PendingFrame& frame, const Datagram& last) const;
    // Forgets a waiting frame; its fault unless one was reported already.
    std::optional<StreamFault> GiveUp(Waiting waiting);
    // Gives up the frames of `deviceId` that began before `sequence`.
    void GiveUpEarlier(std::uint32_t deviceId, std::uint64_t sequence,
                       std::vector<StreamEvent>& events);
    // Gives up the oldest frames of `deviceId` beyond kMaxWaitingFrames.
    void LimitWaiting(std::uint32_t deviceId, std::vector<StreamEvent>& events);

    std::map<FrameKey, PendingFrame> pending_;
    std::uint64_t nextSequence_ = 0;
};
} // namespace HalProbe
