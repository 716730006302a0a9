#pragma once
// The three data streams of a camera, each turning one frame's items into datagrams on
// its own socket: the protocol-1 centroid stream (centroids, tracks, trailer), the
// protocol-1 greyscale stream (greyscale lines, edge pairs, trailer) and the protocol-2
// combined stream (everything, in datagrams that carry the frame header). Buffers are
// allocated once and reused frame after frame.
//
// A greyscale line too long for an empty datagram cannot be sent whole; lines are never
// cut or split, so such a line is left out and not counted in the frame's payload.
//
// Thread rules: each stream is thread-bound to the thread producing its source's frames.

#include "devices/camera/CameraPackets.h"
#include "devices/camera/PacketAssembler.h"

#include <cstdint>
#include <vector>

class VAsioUdpSocket;

namespace CameraStreams
{
struct FrameIds
{
    std::uint32_t deviceId = 0;
    std::uint32_t currentFrame = 0;
    std::uint32_t previousFrame = 0;
};

// Protocol 1, on the data port.
class VCentroidStream
{
public:
    explicit VCentroidStream(VAsioUdpSocket& socket);

    // Centroids, then tracks, at most 87 items to a datagram, then the trailer on its own.
    // `countCentroids`: the trailer names the number of centroids (recorded cameras do,
    // synthetic ones leave 0). Returns the bytes sent.
    std::uint32_t Send(const FrameIds& ids, const std::vector<X2DIO::Centroid>& centroids,
                       const std::vector<CameraPackets::TrackItem>& tracks,
                       std::uint32_t trailerFlags, bool countCentroids);

private:
    VAsioUdpSocket& socket_;
    VPacketAssembler items_;
};

// Protocol 1, on the data port + 1000.
class VGreyscaleStream
{
public:
    explicit VGreyscaleStream(VAsioUdpSocket& socket);

    // The lines of every blob (unless `greyMode` is none), the edge pairs (unless
    // `coordMode` is none), then the trailer in a datagram of its own. Either set may be
    // absent. Returns the bytes sent.
    std::uint32_t Send(const FrameIds& ids, const X2DIO::GreyscaleBlobSet* blobs,
                       const X2DIO::EdgePairSet* edgePairs, CameraPackets::EncodingMode greyMode,
                       CameraPackets::EncodingMode coordMode, std::uint32_t threshold);
    // A frame without greyscale data: only its trailer (payload 0, threshold 0), in one
    // datagram. Returns the bytes sent.
    std::uint32_t SendTrailerOnly(const FrameIds& ids);

private:
    void SendTrailer(const FrameIds& ids, std::uint32_t payload, std::uint32_t threshold);
    std::uint32_t SendLines(const X2DIO::GreyscaleBlobSet& blobs);
    std::uint32_t SendEdgePairs(const X2DIO::EdgePairSet& edgePairs);

    VPacketAssembler assembler_;
};

// What a protocol-2 frame carries besides its header and settings; absent parts are not sent.
struct CombinedFrame
{
    const std::vector<X2DIO::Centroid>* centroids = nullptr;
    const std::vector<CameraPackets::TrackItem>* tracks = nullptr;
    const X2DIO::GreyscaleBlobSet* blobs = nullptr;
    const X2DIO::EdgePairSet* edgePairs = nullptr;
    // Lines sent in the order of the set's line list, after the blobs' lines and the edge
    // pairs; the set's blobs are not looked at.
    const X2DIO::GreyscaleBlobSet* orderedLines = nullptr;
    // With "some", the lines of blobs whose flag bit 0 is set are left out.
    CameraPackets::EncodingMode greyMode = CameraPackets::EncodingMode::kAll;
};

// Protocol 2, on the data port + 5000, in datagrams of `packetSize` bytes.
class VCombinedStream
{
public:
    VCombinedStream(VAsioUdpSocket& socket, std::size_t packetSize);

    // The settings item, the centroids and the tracks in chunks that fill a datagram, then
    // the greyscale lines and edge pairs in the order of their rows. Returns the bytes sent.
    std::uint32_t Send(const CameraPackets::DatagramHeader& header,
                       const CameraPackets::FrameSettings& settings, const CombinedFrame& frame);
    // The most pixels a greyscale line can have and still fit a datagram.
    std::size_t GetMaxLinePixels() const
    {
        return assembler_.GetCapacity() - CameraPackets::kDatagramHeaderSize -
               CameraPackets::kLineHeaderSize;
    }

private:
    // A line or an edge pair, in the order the HAL expects: by row, then column.
    struct GreyscaleEntry
    {
        std::uint64_t key;
        std::uint32_t sequence;
        const X2DIO::GreyscaleLine* line;
        const X2DIO::EdgePair* edgePair;
    };

    template <class Item, class Write>
    void AppendInChunks(const std::vector<Item>& items, Write write);
    void GatherGreyscale(const CombinedFrame& frame);
    void AppendGreyscale(const X2DIO::GreyscaleBlobSet* blobs);
    void AppendOrderedLines(const X2DIO::GreyscaleBlobSet* lines);
    void AppendLine(const X2DIO::GreyscaleBlobSet& blobs, const X2DIO::GreyscaleLine& line);

    VPacketAssembler assembler_;
    const std::size_t itemsPerChunk_;
    std::vector<GreyscaleEntry> entries_;
};
} // namespace CameraStreams
