#pragma once
// One frame of one camera stream as the HAL puts it together from its datagrams, and what
// a stream can deliver besides: a fault (a datagram or frame that breaks the stream's
// rules) or, on the data port, a status or other device record. Reentrant.

#include "tools/halprobe/CameraDatagram.h"
#include "tools/halprobe/DataRecord.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace HalProbe
{
enum class GreyscaleKind
{
    Line,
    EdgePair
};

struct CameraFrame
{
    CameraStream stream = CameraStream::Centroid;
    std::uint32_t deviceId = 0;
    std::uint32_t frameNumber = 0;
    // From the trailer in protocol 1; in the combined stream rebuilt from its 16-bit
    // difference to the frame number (see DatagramHeader::PreviousFrameNumber).
    std::uint32_t previousFrameNumber = 0;
    std::vector<CentroidItem> centroids;
    std::vector<TrackItem> tracks;
    std::vector<GreyscaleLine> lines;
    std::vector<EdgePairItem> edgePairs;
    // Lines and edge pairs in the order they came: the n-th Line entry is lines[n] and
    // the n-th EdgePair entry edgePairs[n].
    std::vector<GreyscaleKind> greyscaleOrder;
    std::optional<FrameSettings> settings; // combined stream
    std::optional<FrameTrailer> trailer;   // protocol-1 streams
    std::vector<DatagramHeader> headers;   // combined stream, by datagram index
    // Every datagram of the frame, trailer included, in the order of the frame.
    std::vector<std::size_t> datagramSizes;
    std::size_t payloadBytes = 0; // the items' bytes
    bool arrivedOutOfOrder = false;
    std::uint32_t sender = 0; // host order
    std::uint16_t senderPort = 0;
    Clock::time_point arrival; // of the datagram that completed the frame

    std::size_t DatagramCount() const { return datagramSizes.size(); }
    // Centroids, tracks, lines and edge pairs; the settings item is not counted.
    std::size_t ItemCount() const;
};

// What an incomplete frame of the combined stream showed of its datagrams.
struct DatagramTally
{
    std::size_t received = 0;
    std::size_t reached = 0;   // the highest index received, plus 1
    bool lastReceived = false; // then `reached` is the frame's datagram count
};

struct StreamFault
{
    CameraStream stream = CameraStream::Centroid;
    std::optional<std::uint32_t> deviceId; // where the faulty datagram says so
    std::optional<std::uint32_t> frameNumber;
    std::string what;
    std::optional<DatagramTally> datagrams; // an incomplete frame of the combined stream
    std::uint32_t sender = 0;               // host order
    std::uint16_t senderPort = 0;
    Clock::time_point arrival;
};

using StreamEvent = std::variant<CameraFrame, StreamFault, DataRecord>;
} // namespace HalProbe
