#include "tools/trialtool/X2DSynthesizer.h"

#include "FileIO/X2DIO/X2DExport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace TrialTool
{
namespace
{
constexpr double kPi = 3.14159265358979323846;
// Every marker goes once round its circle in this time.
constexpr double kSecondsPerTurn = 2.0;
constexpr double kMarkerRadius = 3.0;
// Each blob is a small diamond: kBlobLines rows of kBlobWidth pixels, brightest at the centre.
constexpr int kBlobLines = 3;
constexpr int kBlobWidth = 5;
constexpr int kBlobPeak = 250;
constexpr int kBlobFalloff = 50;

std::uint16_t Clamp(double value, std::int32_t size)
{
    return std::uint16_t(std::clamp<long>(std::lround(value), 0, std::max(size - 1, 0)));
}
} // namespace

X2DSynthesizer::X2DSynthesizer(const X2DSynthesisOptions& options) : options_(options) {}

X2DIO::VX2DHeaderDescription X2DSynthesizer::Header() const
{
    X2DIO::VX2DHeaderDescription header;
    header.frameRate = options_.rate;
    header.startTimecode = options_.timecode;
    for (std::uint32_t camera = 0; camera < options_.cameras; ++camera)
    {
        X2DIO::CameraInfo info;
        info.sensorWidth = options_.sensorWidth;
        info.sensorHeight = options_.sensorHeight;
        info.identifier = kFirstCameraIdentifier + std::int32_t(camera);
        info.valueB = std::int32_t(camera);
        info.typeName = options_.typeName;
        info.displayName = options_.typeName;
        header.cameras.push_back(info);
    }
    return header;
}

X2DSynthesizer::Point X2DSynthesizer::MarkerPosition(std::uint32_t camera, std::uint32_t marker,
                                                     std::uint32_t frame) const
{
    const double smaller = std::min(options_.sensorWidth, options_.sensorHeight);
    const double circle = smaller * (0.1 + 0.06 * (marker % 6));
    const double turn = double(frame) / (options_.rate * kSecondsPerTurn);
    const double angle = 2.0 * kPi * turn + 0.9 * marker + 0.4 * camera;
    return {options_.sensorWidth / 2.0 + circle * std::cos(angle),
            options_.sensorHeight / 2.0 + circle * std::sin(angle)};
}

std::uint16_t X2DSynthesizer::Column(double x) const
{
    return Clamp(x, options_.sensorWidth);
}

std::uint16_t X2DSynthesizer::Row(double y) const
{
    return Clamp(y, options_.sensorHeight);
}

void X2DSynthesizer::AddBlob(X2DIO::GreyscaleBlobSet& set, std::uint16_t index, Point centre) const
{
    set.blobs.push_back({std::uint32_t(set.lines.size()), std::uint16_t(kBlobLines), index});
    for (int row = 0; row < kBlobLines; ++row)
    {
        const int dy = row - kBlobLines / 2;
        set.lines.push_back({Column(centre.x - kBlobWidth / 2), Row(centre.y + dy),
                             std::uint16_t(kBlobWidth), std::uint32_t(set.pixels.size())});
        for (int column = 0; column < kBlobWidth; ++column)
        {
            const int distance = std::abs(column - kBlobWidth / 2) + std::abs(dy);
            set.pixels.push_back(std::uint8_t(kBlobPeak - kBlobFalloff * distance));
        }
    }
}

X2DIO::EdgePair X2DSynthesizer::EdgePairAt(Point centre) const
{
    return {Row(centre.y), Column(centre.x - kMarkerRadius), Column(centre.x + kMarkerRadius)};
}

X2DIO::VX2DCameraFrame X2DSynthesizer::CameraFrame(std::uint32_t camera, std::uint32_t frame) const
{
    X2DIO::VX2DCameraFrame result;
    for (std::uint32_t marker = 0; marker < options_.centroids; ++marker)
    {
        const Point at = MarkerPosition(camera, marker, frame);
        const float quality = 0.9f - 0.1f * float(marker % 4);
        result.centroids.centroids.push_back({at.x, at.y, kMarkerRadius, quality});
    }
    for (std::uint32_t track = 0; track < options_.tracks; ++track)
        result.tracks.tracks.push_back({std::int64_t(track) + 1, 1.0f, std::int32_t(track)});
    for (std::uint32_t blob = 0; blob < options_.blobs; ++blob)
        AddBlob(result.blobs, std::uint16_t(blob), MarkerPosition(camera, blob, frame));
    for (std::uint32_t edge = 0; edge < options_.edges; ++edge)
        result.edgePairs.edgePairs.push_back(EdgePairAt(MarkerPosition(camera, edge, frame)));
    return result;
}

X2DIO::VX2DFrame X2DSynthesizer::Frame(std::uint32_t frame) const
{
    X2DIO::VX2DFrame result;
    result.number = std::int32_t(frame + 1);
    for (std::uint32_t camera = 0; camera < options_.cameras; ++camera)
        result.cameras.push_back(CameraFrame(camera, frame));
    return result;
}

bool X2DSynthesizer::Write(const std::string& path, X2DIO::VX2DExportOptions layout,
                           const std::function<void(std::uint32_t)>& written) const
{
    layout.version = options_.version;
    X2DIO::VX2DExport file(std::move(layout));
    if (!file.Open(path, Header()))
        return false;
    for (std::uint32_t frame = 0; frame < options_.frames; ++frame)
    {
        if (!file.WriteFrame(Frame(frame)))
            return false;
        if (written)
            written(frame + 1);
    }
    return file.Close();
}
} // namespace TrialTool
