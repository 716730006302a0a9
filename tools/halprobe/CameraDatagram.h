#pragma once
// One datagram of a camera's data stream, decoded by the rules of its stream: the
// protocol-1 centroid stream (centroid or track items, or the frame trailer alone), the
// protocol-1 greyscale stream (lines and edge pairs, or the trailer alone) and the
// protocol-2 combined stream (datagram header, then settings, centroid, track, line and
// edge pair items). Decoding stops at the first fault and says what and where it is.
// Reentrant.

#include "tools/halprobe/CameraItems.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace HalProbe
{
// Which of a camera's data streams a HAL port carries. A protocol-1 camera sends its
// centroid stream to the data port P and its greyscale stream to P + 1000; a protocol-2
// camera sends its combined stream to P + 5000.
enum class CameraStream
{
    Centroid,
    Greyscale,
    Combined
};

// "centroid stream", "greyscale stream" or "combined stream".
const char* CameraStreamName(CameraStream stream);
// The HAL port of `stream` for the data port `dataPort`; nothing above 65535.
std::optional<std::uint16_t> CameraStreamPort(CameraStream stream, std::uint16_t dataPort);

struct DecodedCameraDatagram
{
    std::optional<DatagramHeader> header; // combined stream, kept when the payload is faulty
    std::optional<FrameTrailer> trailer;  // a protocol-1 trailer datagram
    std::vector<CameraItem> items;        // in the order they came
    std::string problem;                  // empty when the whole datagram was decoded

    bool Ok() const { return problem.empty(); }
};

DecodedCameraDatagram DecodeCameraDatagram(CameraStream stream,
                                           const std::vector<std::uint8_t>& bytes);
} // namespace HalProbe
