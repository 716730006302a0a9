#include "tools/halprobe/CameraFrameText.h"

#include "tools/halprobe/RecordText.h"
#include "tools/halprobe/SocketAddress.h"
#include "tools/halprobe/TextFormat.h"

namespace HalProbe
{
namespace
{
std::string SourceText(std::uint32_t sender, std::uint16_t senderPort)
{
    return DottedAddress(sender) + ":" + std::to_string(senderPort);
}

std::string TrailerText(const FrameTrailer& trailer)
{
    return Format("trailer: stream kind %u, version %u, payload %u bytes, centroid count %u, "
                  "threshold %u, flags 0x%08X",
                  trailer.streamKind, trailer.version, trailer.payloadBytes, trailer.centroidCount,
                  trailer.threshold, trailer.flags);
}

std::string SettingsText(const FrameSettings& settings)
{
    return Format("settings: threshold %u, min ratio %u, max pixels per line %u, grey flags %u, "
                  "reserved %u",
                  settings.threshold, settings.minRatio, settings.maxPixelsPerLine,
                  settings.greyFlags, settings.reserved);
}

std::string HeaderText(const DatagramHeader& header, std::size_t size)
{
    return Format("datagram %u: %zu bytes, payload offset %u, clock %u Hz, period %u ticks, "
                  "previous delta 0x%04X, words %u %u, flags 0x%04X%s",
                  header.index, size, header.payloadOffset, header.tickClock, header.period,
                  header.previousDelta, header.word24, header.word28, header.flags,
                  header.IsLast() ? " (last)" : "");
}

std::string ItemText(std::size_t number, const CentroidItem& centroid)
{
    return Format("centroid %zu: x %.3f, y %.3f, radius %.3f, quality %.3f (raw %d %d %d %u)",
                  number, centroid.X(), centroid.Y(), centroid.Radius(), centroid.Quality(),
                  centroid.rawX, centroid.rawY, centroid.rawRadius, centroid.rawQuality);
}

std::string ItemText(std::size_t number, const TrackItem& track)
{
    return Format("track %zu: index %u, value %u, weight %.5f (raw %u), id 0x%016llX", number,
                  track.index, track.value, track.Weight(), track.rawWeight,
                  static_cast<unsigned long long>(track.trackId));
}

std::string ItemText(std::size_t number, const GreyscaleLine& line)
{
    const std::string blob =
        line.blobWord ? Format("blob %u (word 0x%04X, flag bit 0 %s), ", line.BlobIndex(),
                               *line.blobWord, line.BlobFlagClear() ? "clear" : "set")
                      : "";
    return Format("line %zu: %sy %u, x %u, %zu pixels: ", number, blob.c_str(), line.y, line.x,
                  line.pixels.size()) +
           HexBytes(line.pixels, line.pixels.size());
}

std::string ItemText(std::size_t number, const EdgePairItem& pair)
{
    return Format("edge pair %zu: e0 %u, e1 %u, e2 %u", number, pair.e0, pair.e1, pair.e2);
}

template <typename Item>
void AddItemLines(const std::vector<Item>& items, std::vector<std::string>& lines)
{
    for (std::size_t number = 0; number < items.size(); ++number)
        lines.push_back("  " + ItemText(number, items[number]));
}

// Lines and edge pairs in the order they came.
void AddGreyscaleLines(const CameraFrame& frame, std::vector<std::string>& lines)
{
    std::size_t line = 0;
    std::size_t pair = 0;
    for (GreyscaleKind kind : frame.greyscaleOrder)
    {
        if (kind == GreyscaleKind::Line)
            lines.push_back("  " + ItemText(line, frame.lines[line]));
        else
            lines.push_back("  " + ItemText(pair, frame.edgePairs[pair]));
        ++(kind == GreyscaleKind::Line ? line : pair);
    }
}

void AddFrameWordLines(const CameraFrame& frame, std::vector<std::string>& lines)
{
    if (frame.trailer)
        lines.push_back("  " + TrailerText(*frame.trailer));
    for (std::size_t index = 0; index < frame.headers.size(); ++index)
        lines.push_back("  " + HeaderText(frame.headers[index], frame.datagramSizes[index]));
    if (frame.settings)
        lines.push_back("  " + SettingsText(*frame.settings));
}
} // namespace

std::string CameraFrameSummary(const CameraFrame& frame)
{
    return Format("camera %s %s, frame %u (previous %u): %zu centroids, %zu tracks, %zu lines, "
                  "%zu edge pairs in %zu datagrams%s",
                  DeviceIdText(frame.deviceId).c_str(), CameraStreamName(frame.stream),
                  frame.frameNumber, frame.previousFrameNumber, frame.centroids.size(),
                  frame.tracks.size(), frame.lines.size(), frame.edgePairs.size(),
                  frame.DatagramCount(), frame.arrivedOutOfOrder ? " (out of order)" : "");
}

std::vector<std::string> CameraFrameLines(const CameraFrame& frame)
{
    std::vector<std::string> lines = {CameraFrameSummary(frame)};
    AddFrameWordLines(frame, lines);
    AddItemLines(frame.centroids, lines);
    AddItemLines(frame.tracks, lines);
    AddGreyscaleLines(frame, lines);
    return lines;
}

std::string StreamFaultText(const StreamFault& fault)
{
    std::string text = std::string(CameraStreamName(fault.stream)) + " from " +
                       SourceText(fault.sender, fault.senderPort);
    if (fault.deviceId)
        text += ", camera " + DeviceIdText(*fault.deviceId);
    if (fault.frameNumber)
        text += ", frame " + std::to_string(*fault.frameNumber);
    return text + ": " + fault.what;
}
} // namespace HalProbe
