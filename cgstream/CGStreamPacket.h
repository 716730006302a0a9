#pragma once
// One CG stream packet: a 32-bit magic, a 32-bit payload length and the items back to
// back. ParsePacket() reads a whole payload into fresh bundles and refuses any item that
// claims more bytes than the packet holds; VPacketBuilder writes packets. Reentrant.

#include "cgstream/CGStreamRecords.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace SarnetCGStream
{
constexpr std::uint32_t kMagic = 0x1A2B0001;
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kItemHeaderSize = 8;
// The largest payload a packet may claim; anything longer is refused before it is read.
constexpr std::uint32_t kMaxPayloadLength = 64u << 20;

// The stream-information records of one packet. The descriptive records whose layout is
// the stream's own are noted by type.
struct VStreamInfoBundle : VStreamInfo
{
    std::vector<std::uint32_t> otherRecords;
};

// The per-frame records of one packet; the frame number is the bundle's own.
struct VFrameBundle : VFrameInfo
{
    std::optional<VTimecode> timecode;
    std::vector<std::uint32_t> otherRecords;
};

struct VParsedPacket
{
    std::shared_ptr<VStreamInfoBundle> streamInfo = std::make_shared<VStreamInfoBundle>();
    std::shared_ptr<VFrameBundle> frame = std::make_shared<VFrameBundle>();
    std::optional<VObjectEnums> objectEnums;
    std::optional<VRequestFrame> requestFrame;
    std::optional<VContents> contents;
};

struct VPacketHeader
{
    std::uint32_t magic = 0;
    std::uint32_t payloadLength = 0;
};

VPacketHeader DecodeHeader(const std::uint8_t* header);
// False when an item's header or payload does not fit in the packet, or a known record's
// payload is too short; `packet` then holds what was read so far.
bool ParsePacket(const std::uint8_t* payload, std::size_t size, VParsedPacket& packet);

class VPacketBuilder
{
public:
    VPacketBuilder();
    void Add(const VItem& item);
    bool IsEmpty() const { return bytes_.size() == kHeaderSize; }
    // The packet with its payload length filled in.
    std::vector<std::uint8_t> Finish();

private:
    std::vector<std::uint8_t> bytes_;
};
} // namespace SarnetCGStream
