#pragma once
// Test support: small camera recordings written by VX2DExport and read back in full. Every
// value depends on the frame, camera and item, and is exact in the writer's fixed-point
// encoding, so mixed-up or lost data shows as a difference.

#include "../TestFiles.h"

#include "FileIO/X2DIO/X2DExport.h"
#include "FileIO/X2DIO/X2DImport.h"

#include <cstdint>
#include <string>
#include <vector>

struct VX2DRecording
{
    X2DIO::VX2DHeaderDescription header;
    std::vector<X2DIO::VX2DFrame> frames;
};

// Camera 0 is named "dv:", camera 1 "lume:"; camera 2 has no display name.
VX2DRecording MakeX2DRecording(std::uint32_t cameras, std::uint32_t frames);
// Replaces any file at `path`.
bool WriteX2DRecording(const std::string& path, const VX2DRecording& recording,
                       const X2DIO::VX2DExportOptions& options = {});

// One result object per camera and kind.
struct VX2DFrameResults
{
    explicit VX2DFrameResults(std::uint32_t cameras);
    bool Read(X2DIO::VX2DImport& reader, std::int32_t index);

    X2DIO::CentroidSetList centroidSets;
    X2DIO::CentroidTrackSetList trackSets;
    X2DIO::GreyscaleBlobSetList blobSets;
    X2DIO::EdgePairSetList edgeSets;
};

// The items of camera `camera` are those written (names, flags and value D are not compared).
void ExpectCameraItems(const X2DIO::VX2DCameraFrame& written, const VX2DFrameResults& read,
                       std::size_t camera);
void ExpectFrame(const X2DIO::VX2DFrame& written, const VX2DFrameResults& read);
// The camera list as the reader gives it back: empty display names become the type name.
std::vector<X2DIO::CameraInfo> ExpectedCameraInfos(const VX2DRecording& recording);
