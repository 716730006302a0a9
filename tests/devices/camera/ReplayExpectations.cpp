#include "tests/devices/camera/ReplayExpectations.h"

#include <algorithm>
#include <gtest/gtest.h>

using HalProbe::CameraFrame;
using HalProbe::CameraStream;
using HalProbe::GreyscaleKind;

namespace BriselTest
{
namespace
{
std::int32_t Fixed8(double value)
{
    return static_cast<std::int32_t>(value * 256.0);
}

void ExpectCentroids(const X2DIO::CentroidSet& written, const CameraFrame& frame)
{
    ASSERT_EQ(frame.centroids.size(), written.centroids.size()) << frame.frameNumber;
    for (std::size_t i = 0; i < written.centroids.size(); ++i)
    {
        const X2DIO::Centroid& c = written.centroids[i];
        const HalProbe::CentroidItem& item = frame.centroids[i];
        EXPECT_EQ(item.rawX, Fixed8(c.x));
        EXPECT_EQ(item.rawY, Fixed8(c.y));
        EXPECT_EQ(item.rawRadius, Fixed8(c.radius));
        EXPECT_EQ(item.rawQuality, static_cast<std::uint16_t>(c.quality * 256.0));
    }
}

// Read: the file's tracks; Generate: one new or continued track per centroid.
void ExpectTracks(const X2DIO::VX2DCameraFrame& written, const CameraFrame& frame,
                  const std::string& tracking)
{
    if (tracking == "Read")
    {
        const auto& tracks = written.tracks.tracks;
        ASSERT_EQ(frame.tracks.size(), tracks.size());
        for (std::size_t i = 0; i < tracks.size(); ++i)
        {
            EXPECT_EQ(frame.tracks[i].index, i);
            EXPECT_EQ(frame.tracks[i].value, static_cast<std::uint16_t>(tracks[i].value));
            EXPECT_EQ(frame.tracks[i].rawWeight,
                      static_cast<std::uint16_t>(double(tracks[i].weight) * 65535.0));
            EXPECT_EQ(frame.tracks[i].trackId, static_cast<std::uint64_t>(tracks[i].identifier));
        }
        return;
    }
    if (tracking != "Generate")
    {
        EXPECT_TRUE(frame.tracks.empty());
        return;
    }
    ASSERT_EQ(frame.tracks.size(), written.centroids.centroids.size());
    for (std::size_t i = 0; i < frame.tracks.size(); ++i)
    {
        EXPECT_EQ(frame.tracks[i].index, i);
        EXPECT_GE(frame.tracks[i].value, 1) << "age";
        EXPECT_NE(frame.tracks[i].trackId & 0x8000000000000000ULL, 0u);
    }
}

struct Line
{
    std::uint16_t blobWord;
    const X2DIO::GreyscaleLine* line;
    std::uint32_t flags;
};

std::vector<Line> LinesOf(const X2DIO::GreyscaleBlobSet& blobs, bool leaveOutFlagged)
{
    std::vector<Line> lines;
    for (std::size_t b = 0; b < blobs.blobs.size(); ++b)
    {
        const X2DIO::GreyscaleBlob& blob = blobs.blobs[b];
        if (leaveOutFlagged && (blob.flags & 1) != 0)
            continue;
        const std::uint16_t word = std::uint16_t(b | 0x8000 | ((blob.flags & 1) ? 0 : 0x2000));
        for (std::uint32_t l = blob.firstLine; l < blob.firstLine + blob.lineCount; ++l)
            lines.push_back({word, &blobs.lines[l], blob.flags});
    }
    return lines;
}

void ExpectLine(const X2DIO::GreyscaleBlobSet& blobs, const Line& expected,
                const HalProbe::GreyscaleLine& line, bool withBlobWord)
{
    EXPECT_EQ(line.x, expected.line->x);
    EXPECT_EQ(line.y, expected.line->y);
    const auto first = blobs.pixels.begin() + expected.line->pixelOffset;
    EXPECT_EQ(line.pixels, std::vector<std::uint8_t>(first, first + expected.line->pixelCount));
    if (withBlobWord)
    {
        EXPECT_EQ(line.blobWord, expected.blobWord);
    }
}

void ExpectEdgePair(const X2DIO::EdgePair& expected, const HalProbe::EdgePairItem& edge)
{
    EXPECT_EQ(edge.e0, expected.e0);
    EXPECT_EQ(edge.e1, expected.e1);
    EXPECT_EQ(edge.e2, expected.e2);
}

void ExpectGreyscaleV1(const X2DIO::VX2DCameraFrame& written, const CameraFrame& frame,
                       const ReplayModes& modes)
{
    const std::vector<Line> lines =
        modes.greyMode == "none" ? std::vector<Line>() : LinesOf(written.blobs, false);
    ASSERT_EQ(frame.lines.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        ExpectLine(written.blobs, lines[i], frame.lines[i], true);
    const auto& edges = written.edgePairs.edgePairs;
    const std::size_t edgeCount = modes.coordMode == "none" ? 0 : edges.size();
    ASSERT_EQ(frame.edgePairs.size(), edgeCount);
    for (std::size_t i = 0; i < edgeCount; ++i)
        ExpectEdgePair(edges[i], frame.edgePairs[i]);
}

// By row, then column: a line keyed (y, 2x + 1), an edge pair (e1, 2 e0).
void ExpectGreyscaleV2(const X2DIO::VX2DCameraFrame& written, const CameraFrame& frame,
                       const ReplayModes& modes)
{
    struct Entry
    {
        std::uint64_t key;
        const Line* line;
        const X2DIO::EdgePair* edge;
    };
    const std::vector<Line> lines = LinesOf(written.blobs, modes.greyMode == "some");
    std::vector<Entry> entries;
    for (const Line& line : lines)
        entries.push_back(
            {(std::uint64_t(line.line->y) << 16) + 2u * line.line->x + 1, &line, nullptr});
    for (const X2DIO::EdgePair& edge : written.edgePairs.edgePairs)
        entries.push_back({(std::uint64_t(edge.e1) << 16) + 2u * edge.e0, nullptr, &edge});
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.key < b.key; });
    ASSERT_EQ(frame.greyscaleOrder.size(), entries.size());
    std::size_t nextLine = 0, nextEdge = 0;
    for (std::size_t i = 0; i < entries.size(); ++i)
    {
        if (entries[i].line)
        {
            ASSERT_EQ(frame.greyscaleOrder[i], GreyscaleKind::Line) << i;
            ExpectLine(written.blobs, *entries[i].line, frame.lines[nextLine++], false);
        }
        else
        {
            ASSERT_EQ(frame.greyscaleOrder[i], GreyscaleKind::EdgePair) << i;
            ExpectEdgePair(*entries[i].edge, frame.edgePairs[nextEdge++]);
        }
    }
}

std::uint32_t GreyFlags(const std::string& mode)
{
    return (mode != "none" ? 2u : 0u) | (mode == "all" ? 4u : 0u) | (mode != "only" ? 8u : 0u);
}

void ExpectCentroidStream(const X2DIO::VX2DCameraFrame* written, const CameraFrame& frame,
                          const ReplayModes& modes)
{
    ASSERT_TRUE(frame.trailer);
    EXPECT_EQ(frame.trailer->flags, modes.tracking == "Off" ? 0u : 8u);
    EXPECT_EQ(frame.trailer->centroidCount, written ? written->centroids.centroids.size() : 0u);
    if (!written)
    {
        EXPECT_EQ(frame.ItemCount(), 0u);
        return;
    }
    ExpectCentroids(written->centroids, frame);
    ExpectTracks(*written, frame, modes.tracking);
}

void ExpectGreyscaleStream(const X2DIO::VX2DCameraFrame* written, const CameraFrame& frame,
                           const ReplayModes& modes)
{
    ASSERT_TRUE(frame.trailer);
    EXPECT_EQ(frame.trailer->threshold, modes.threshold);
    if (!written)
    {
        EXPECT_EQ(frame.ItemCount(), 0u);
        return;
    }
    ExpectGreyscaleV1(*written, frame, modes);
}

void ExpectCombinedStream(const X2DIO::VX2DCameraFrame* written, const CameraFrame& frame,
                          const ReplayModes& modes)
{
    ASSERT_TRUE(frame.settings);
    EXPECT_EQ(frame.settings->threshold, modes.threshold);
    EXPECT_EQ(frame.settings->greyFlags, GreyFlags(modes.greyMode));
    if (!written)
    {
        EXPECT_EQ(frame.ItemCount(), 0u);
        return;
    }
    if (modes.supportsCentroids)
    {
        ExpectCentroids(written->centroids, frame);
        ExpectTracks(*written, frame, modes.tracking);
    }
    if (modes.supportsGreyscale && modes.greyMode != "none")
        ExpectGreyscaleV2(*written, frame, modes);
    else
        EXPECT_TRUE(frame.greyscaleOrder.empty());
}
} // namespace

VX2DRecording MakeTypedRecording(const std::vector<std::string>& types, std::uint32_t frames)
{
    VX2DRecording recording = MakeX2DRecording(static_cast<std::uint32_t>(types.size()), frames);
    for (std::size_t camera = 0; camera < types.size(); ++camera)
        recording.header.cameras[camera].typeName = types[camera];
    return recording;
}

bool ExpectReplayedFrame(const VX2DRecording& recording, std::uint32_t camera,
                         const CameraFrame& frame, const ReplayModes& modes)
{
    const auto count = static_cast<std::uint32_t>(recording.frames.size());
    const std::uint32_t current = frame.frameNumber, previous = frame.previousFrameNumber;
    const bool hasNewData = count > 0 && current > previous && current % count > previous % count;
    const X2DIO::VX2DCameraFrame* written =
        hasNewData ? &recording.frames[current % count].cameras[camera] : nullptr;
    SCOPED_TRACE("frame " + std::to_string(current) + " after " + std::to_string(previous));
    switch (frame.stream)
    {
    case CameraStream::Centroid:
        ExpectCentroidStream(written, frame, modes);
        break;
    case CameraStream::Greyscale:
        ExpectGreyscaleStream(written, frame, modes);
        break;
    case CameraStream::Combined:
        ExpectCombinedStream(written, frame, modes);
        break;
    }
    return written != nullptr;
}
int ExpectReplayedFrames(const VX2DRecording& recording,
                         const std::vector<HalProbe::CameraStreamListener*>& listeners,
                         const ReplayModes& modes, int frames, const WaitUntil& waitUntil)
{
    int withData = 0;
    std::vector<int> received(listeners.size(), 0);
    const bool complete = waitUntil(
        [&]
        {
            for (std::size_t i = 0; i < listeners.size(); ++i)
                for (; received[i] < frames; ++received[i])
                {
                    const auto frame = listeners[i]->NextFrame(std::chrono::milliseconds(0));
                    if (!frame)
                        break;
                    const std::uint32_t camera = frame->stream == CameraStream::Combined ? 1 : 0;
                    withData += ExpectReplayedFrame(recording, camera, *frame, modes) ? 1 : 0;
                }
            return std::all_of(received.begin(), received.end(),
                               [&](int count) { return count >= frames; });
        });
    EXPECT_TRUE(complete) << "frames stopped arriving";
    return withData;
}
} // namespace BriselTest
