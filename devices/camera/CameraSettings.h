#pragma once
// What a camera's frame path needs of its parameters, read once on the main thread after
// every committed change and handed to the frame threads whole, so that no frame reads a
// parameter (or compares a text) while the main thread may be writing it.
//
// Thread rules: a plain value; Read() is thread-bound to the main thread.

#include "devices/camera/CameraPackets.h"

#include <cstdint>

class IParamList;

enum class TrackingMode
{
    kOff = 0,
    kGenerate = 1,
    kRead = 2,
};

struct VCameraSettings
{
    int protocolVersion = 0;
    bool supportsCentroids = false;
    bool supportsGreyscale = false;
    int packetSize = 0;
    int sensorWidth = 0;
    int sensorHeight = 0;
    int threshold = 0;
    int minRatio = 0;
    int maxPixelsPerLine = 0;
    int minThreshold = 0;
    int maxThreshold = 0;
    int strobe = 0;
    // The synthetic grid: columns, rows and pattern ("GridType"); 0 for recorded cameras.
    int centroidsX = 0;
    int centroidsY = 0;
    int gridType = 0;
    CameraPackets::EncodingMode greyMode = CameraPackets::EncodingMode::kAll;
    CameraPackets::EncodingMode coordMode = CameraPackets::EncodingMode::kAll;
    TrackingMode tracking = TrackingMode::kOff;

    static VCameraSettings Read(const IParamList& parameters);
};

// The protocol-2 frame settings item of a camera with these settings.
CameraPackets::FrameSettings FrameSettingsOf(const VCameraSettings& settings);

// "none", "some", "only" or "all"; anything else counts as "all".
CameraPackets::EncodingMode EncodingModeOf(const std::string& text);
// "Generate" or "Read"; anything else is off.
TrackingMode TrackingModeOf(const std::string& text);
