#pragma once
// The parameters of every camera: those of every device, then the camera's own, with the
// camera type names as the choices of "DeviceType". Thread-bound to the thread that builds
// the definition lists (the main thread).

#include "params/ParamDefinitionList.h"

namespace CameraParameters
{
// Appends the base and the camera definitions; the list must still accept definitions.
void Define(IParamDefinitionList& definitions);

// The twelve parameters that cannot change while the HAL sees the camera.
const char* const kFixedWhileConnected[] = {
    "SensorType",
    "SensorWidth",
    "SensorHeight",
    "FineThresholdGridWidth",
    "FineThresholdGridHeight",
    "FineThresholdGridTileWidth",
    "FineThresholdGridTileHeight",
    "MaxStrobe",
    "MinStrobe",
    "StrobeType",
    "MaxThreshold",
    "MinThreshold",
};
} // namespace CameraParameters
