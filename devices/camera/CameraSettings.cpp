#include "devices/camera/CameraSettings.h"

#include "params/ParamList.h"
#include "params/ParamObjectTypes.h"

#include <string>

namespace
{
template <class T> T Value(const IParamList& parameters, const char* name, T fallback = T())
{
    const IParam* param = parameters.FindParam(VStringStd(name));
    T value = fallback;
    if (param)
        GetParamValue(*param, value);
    return value;
}

std::string Text(const IParamList& parameters, const char* name)
{
    return Value<VStringStd>(parameters, name).Str();
}
} // namespace

CameraPackets::EncodingMode EncodingModeOf(const std::string& text)
{
    using CameraPackets::EncodingMode;
    if (text == "none")
        return EncodingMode::kNone;
    if (text == "some")
        return EncodingMode::kSome;
    if (text == "only")
        return EncodingMode::kOnly;
    return EncodingMode::kAll;
}

TrackingMode TrackingModeOf(const std::string& text)
{
    if (text == "Generate")
        return TrackingMode::kGenerate;
    if (text == "Read")
        return TrackingMode::kRead;
    return TrackingMode::kOff;
}

VCameraSettings VCameraSettings::Read(const IParamList& parameters)
{
    VCameraSettings settings;
    settings.protocolVersion = Value<int>(parameters, "ProtocolVersion");
    settings.supportsCentroids = Value<bool>(parameters, "SupportsCentroids");
    settings.supportsGreyscale = Value<bool>(parameters, "SupportsGreyscale");
    settings.packetSize = Value<int>(parameters, "PacketSize");
    settings.sensorWidth = Value<int>(parameters, "SensorWidth");
    settings.sensorHeight = Value<int>(parameters, "SensorHeight");
    settings.threshold = Value<int>(parameters, "Threshold");
    settings.minRatio = Value<int>(parameters, "MinRatio");
    settings.maxPixelsPerLine = Value<int>(parameters, "MaxPixelsPerLine");
    settings.minThreshold = Value<int>(parameters, "MinThreshold");
    settings.maxThreshold = Value<int>(parameters, "MaxThreshold");
    settings.strobe = Value<int>(parameters, "Strobe");
    settings.centroidsX = Value<int>(parameters, "CentroidsX");
    settings.centroidsY = Value<int>(parameters, "CentroidsY");
    settings.gridType = Value<int>(parameters, "GridType");
    settings.greyMode = EncodingModeOf(Text(parameters, "GreyMode"));
    settings.coordMode = EncodingModeOf(Text(parameters, "CoordMode"));
    settings.tracking = TrackingModeOf(Text(parameters, "Tracking"));
    return settings;
}

CameraPackets::FrameSettings FrameSettingsOf(const VCameraSettings& settings)
{
    return {static_cast<std::uint16_t>(settings.threshold),
            static_cast<std::uint16_t>(settings.minRatio),
            static_cast<std::uint16_t>(settings.maxPixelsPerLine), settings.greyMode};
}
