#include "devices/camera/FakeDeviceCamera.h"

#include "devices/BroadcastCommand.h"
#include "devices/CommandText.h"
#include "devices/PreviewServer.h"
#include "devices/camera/CameraParameters.h"
#include "devices/camera/CameraTypes.h"
#include "net/ByteOrder.h"
#include "params/ParamObjectTypes.h"

#include <algorithm>

namespace
{
bool IsLedNumber(const std::string& token)
{
    return token.size() == 1 && token[0] >= '0' && token[0] <= '3';
}
} // namespace

VFakeDeviceCamera::VFakeDeviceCamera(VFakeDeviceManager& manager, std::uint32_t deviceId,
                                     std::uint32_t port, std::uint32_t localAddress,
                                     std::uint32_t halAddress, IParamDefinitionList& definitions)
    : VFakeDevice(manager, deviceId, port, localAddress, halAddress, definitions, kCameraClass)
{
    IParamList& parameters = GetParamList();
    previewModeObserver_ = std::make_unique<decltype(previewModeObserver_)::element_type>(
        *parameters.FindParam(VStringStd("PreviewMode")), *this);
    deviceTypeObserver_ = std::make_unique<decltype(deviceTypeObserver_)::element_type>(
        *parameters.FindParam(VStringStd("DeviceType")), *this);
    // The default type's table values, which no change has applied yet.
    CameraTypes::ApplyCameraType(parameters, Text("DeviceType"));
    settings_.Publish(VCameraSettings::Read(parameters));
}

VFakeDeviceCamera::~VFakeDeviceCamera()
{
    deviceTypeObserver_.reset();
    previewModeObserver_.reset();
    preview_.reset();
}

std::string VFakeDeviceCamera::Text(const char* name) const
{
    std::string text;
    GetParameter(name, text);
    return text;
}

void VFakeDeviceCamera::OnParameterCommitted(const IParam& /*param*/)
{
    settings_.Publish(VCameraSettings::Read(GetParamList()));
}

CameraPackets::DatagramHeader
VFakeDeviceCamera::GetDatagramHeader(std::uint32_t currentFrame, std::uint32_t previousFrame) const
{
    return {currentFrame, GetDeviceID(), CameraPackets::FramePeriodTicks(GetSystemFrameRate()),
            previousFrame};
}

// ---- type, preview, connection ---------------------------------------------------------

void VFakeDeviceCamera::OnDeviceTypeChanged(VStringStd type)
{
    CameraTypes::ApplyCameraType(GetParamList(), type.Str());
}

// A camera whose sensor has no size (an unknown type) has no image to preview.
void VFakeDeviceCamera::OnPreviewModeChanged(bool on)
{
    if (!on)
    {
        preview_.reset();
        return;
    }
    if (preview_)
        return;
    const std::shared_ptr<const VCameraSettings> settings = GetSettings();
    preview_ = std::make_unique<VPreviewServer>(
        GetLocalAddress(), GetHalAddress(), GetDeviceID(),
        static_cast<std::uint32_t>(std::max(0, settings->sensorWidth)),
        static_cast<std::uint32_t>(std::max(0, settings->sensorHeight)), GetIoService());
    if (!preview_->IsRunning())
        preview_.reset();
}

void VFakeDeviceCamera::SetFixedParametersReadOnly(bool readOnly)
{
    for (const char* name : CameraParameters::kFixedWhileConnected)
        GetParamList().FindParam(VStringStd(name))->SetReadOnly(readOnly);
}

void VFakeDeviceCamera::OnConnected()
{
    SetFixedParametersReadOnly(true);
}

void VFakeDeviceCamera::OnDisconnected()
{
    SetFixedParametersReadOnly(false);
    preview_.reset();
}

void VFakeDeviceCamera::HandleDeviceBroadcast(const std::uint8_t* data, std::size_t length)
{
    std::uint32_t code = 0, device = 0, flags = 0;
    if (!ByteOrder::ReadBigEndian32(data, length, 0, code) ||
        BroadcastCommand::FamilyOf(code) !=
            BroadcastCommand::FamilyOf(BroadcastCommand::kPreview) ||
        !ByteOrder::ReadBigEndian32(data, length, 4, device) ||
        !ByteOrder::ReadBigEndian32(data, length, 8, flags))
        return;
    SetParameter("PreviewMode", (flags & 1) != 0 && device == GetDeviceID());
}

// ---- commands --------------------------------------------------------------------------

namespace
{
enum class CommandKind
{
    kReport,
    kNumber,
    kWindow,
    kLed,
    kMode,
};

struct CameraCommand
{
    const char* keyword;
    CommandKind kind;
    // The parameter a number or mode command sets.
    const char* parameter;
    // The words a mode command accepts.
    std::array<const char*, 4> modes;
};

// Tried in this order; the first keyword the line starts with wins.
const CameraCommand kCommands[] = {
    {"info", CommandKind::kReport, nullptr, {}},
    {"gain", CommandKind::kNumber, "Gain", {}},
    {"minratio", CommandKind::kNumber, "MinRatio", {}},
    {"setstrobe", CommandKind::kNumber, "Strobe", {}},
    {"threshold", CommandKind::kNumber, "Threshold", {}},
    {"window", CommandKind::kWindow, nullptr, {}},
    {"led", CommandKind::kLed, nullptr, {}},
    {"greymode", CommandKind::kMode, "GreyMode", {"some", "all", "only", "none"}},
    {"coordmode", CommandKind::kMode, "CoordMode", {"some", "only", "none"}},
    {"dspparams -s", CommandKind::kNumber, "MaxPixelsPerLine", {}},
};
} // namespace

// A number command without a number, and a mode command with a word it does not accept,
// change nothing.
void VFakeDeviceCamera::HandleDeviceCommand(const std::string& command, std::string& reply)
{
    for (const CameraCommand& candidate : kCommands)
    {
        std::string rest;
        if (!CommandText::ConsumePrefix(command, candidate.keyword, rest))
            continue;
        switch (candidate.kind)
        {
        case CommandKind::kReport:
            reply = GetDeviceReport();
            break;
        case CommandKind::kNumber:
            SetNumber(candidate.parameter, rest);
            break;
        case CommandKind::kWindow:
            reply = "0 " + Text("SensorHeight") + " 0 " + Text("SensorWidth") + "\n";
            break;
        case CommandKind::kLed:
            HandleLed(rest);
            break;
        case CommandKind::kMode:
            SetMode(candidate.parameter, candidate.modes, CommandText::TrimLineSpace(rest));
            break;
        }
        return;
    }
}

void VFakeDeviceCamera::SetNumber(const char* parameter, const std::string& arguments)
{
    unsigned long number = 0;
    if (CommandText::ReadUnsigned(arguments, number))
        SetParameter(parameter, static_cast<int>(number));
}

void VFakeDeviceCamera::SetMode(const char* parameter, const std::array<const char*, 4>& modes,
                                const std::string& word)
{
    for (const char* mode : modes)
        if (mode && word == mode)
            SetParameter(parameter, word);
}

// "led 1 2 p3": each LED number up to 3 takes the token after it as its setting, and that
// token is looked at next.
void VFakeDeviceCamera::HandleLed(const std::string& arguments)
{
    const std::vector<std::string> tokens = CommandText::Tokens(arguments);
    for (std::size_t i = 0; i + 1 < tokens.size() && IsLedNumber(tokens[i]); ++i)
        SetParameter("LED" + tokens[i], tokens[i + 1]);
}

std::string VFakeDeviceCamera::GetDeviceReport() const
{
    const std::string type = Text("DeviceType");
    const std::pair<const char*, std::string> items[] = {
        {"Device Type", type},
        {"Display Device Type", CameraTypes::GetDisplayName(type)},
        {"Sensor", Text("SensorType")},
        {"Sensor Dimensions", Text("SensorWidth") + " x " + Text("SensorHeight")},
        {"Strobe Range", Text("MinStrobe") + " - " + Text("MaxStrobe")},
        {"Threshold Range", Text("MinThreshold") + " - " + Text("MaxThreshold")},
        {"Fine Threshold Map Dimensions",
         Text("FineThresholdGridWidth") + " x " + Text("FineThresholdGridHeight")},
        {"Fine Threshold Map Tile Dimensions",
         Text("FineThresholdGridTileWidth") + " x " + Text("FineThresholdGridTileHeight")},
        {"Device ID", Text("DeviceID")},
        {"Strobe Type", Text("StrobeType")},
        {"Minimum HAL Version", Text("MinHalVersion")},
        {"Firmware Version", Text("FirmwareVersion")},
        {"Centroid Tracking Able", "yes"},
    };
    std::string report;
    for (const auto& [label, value] : items)
        report += std::string(label) + " : " + value + "\n";
    return report + GetStreamReport();
}

// Protocol-2 cameras name their streams.
std::string VFakeDeviceCamera::GetStreamReport() const
{
    if (Text("ProtocolVersion") != "2")
        return "";
    std::string streams;
    if (Text("SupportsCentroids") == "1" || Text("SupportsGreyscale") == "1")
        streams += "Stream : V2 6000 " + Text("PacketSize") + " Centroids Greyscale\n";
    if (Text("SupportsVideo") == "1")
        streams += "Stream : V2 7000 8000 Video\n";
    return streams;
}
