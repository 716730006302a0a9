#pragma once
// Makes a synthetic X2D recording: cameras that see markers moving smoothly on circles about
// the sensor centre. Per camera and frame: the markers as centroids, tracks that keep their
// identifiers from frame to frame, small greyscale blobs and edge pairs on the markers.
// Frames are numbered from 1. Reentrant.

#include "FileIO/X2DIO/X2DExportData.h"
#include "FileIO/X2DIO/X2DExportOptions.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace TrialTool
{
struct X2DSynthesisOptions
{
    std::uint32_t cameras = 3;
    std::uint32_t frames = 100;
    double rate = 100.0;
    std::uint32_t centroids = 4;
    std::uint32_t tracks = 4;
    std::uint32_t blobs = 2;
    std::uint32_t edges = 2;
    std::string typeName = "LumeD";
    std::int32_t sensorWidth = 2352;
    std::int32_t sensorHeight = 1728;
    // The start timecode text; none is stored when absent.
    std::optional<std::string> timecode;
    std::int32_t version = 3;
};

class X2DSynthesizer
{
public:
    // Outside the range the reader names "dv:", so the cameras are named "lume:1001" on.
    static constexpr std::int32_t kFirstCameraIdentifier = 1001;

    explicit X2DSynthesizer(const X2DSynthesisOptions& options);

    X2DIO::VX2DHeaderDescription Header() const;
    // Frame index `frame` (0-based).
    X2DIO::VX2DFrame Frame(std::uint32_t frame) const;
    // False when the file cannot be written. `layout` says how the file is laid out, but for
    // its version, which is the synthesis options'.
    // `written(frames)` follows each frame written.
    bool Write(const std::string& path, X2DIO::VX2DExportOptions layout = {},
               const std::function<void(std::uint32_t)>& written = {}) const;

private:
    struct Point
    {
        double x;
        double y;
    };

    // Where marker `marker` is seen by `camera` in frame index `frame`.
    Point MarkerPosition(std::uint32_t camera, std::uint32_t marker, std::uint32_t frame) const;
    X2DIO::VX2DCameraFrame CameraFrame(std::uint32_t camera, std::uint32_t frame) const;
    void AddBlob(X2DIO::GreyscaleBlobSet& set, std::uint16_t index, Point centre) const;
    X2DIO::EdgePair EdgePairAt(Point centre) const;
    std::uint16_t Column(double x) const;
    std::uint16_t Row(double y) const;

    X2DSynthesisOptions options_;
};
} // namespace TrialTool
