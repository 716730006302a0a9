#include "devices/camera/FakeDeviceCameraSynth.h"

#include "devices/FakeDeviceParameters.h"
#include "devices/camera/CameraParameters.h"
#include "devices/camera/CameraTypes.h"
#include "devices/camera/FakeSourceSynth.h"
#include "params/ParamObjectTypes.h"

namespace
{
using FakeDeviceParameters::Add;
using FakeDeviceParameters::AddChild;

void DefineGridSize(IParamDefinitionList& definitions, const char* name, const char* display,
                    const char* direction)
{
    const std::string description = std::string("Number of centroids in the ") + direction +
                                    " direction for the centroid grid.";
    IParamDefinition& size = Add(
        definitions, {name, display, description.c_str(), "Output", FakeDeviceParameters::kNone},
        VParamObjectInt(25));
    size.SetRange(true);
    AddChild(size, "Min", VParamObjectInt(0));
    AddChild(size, "Max", VParamObjectInt(50));
}

void DefineSynthCamera(IParamDefinitionList& definitions)
{
    CameraParameters::Define(definitions);
    DefineGridSize(definitions, "CentroidsX", "Centroids X", "X");
    DefineGridSize(definitions, "CentroidsY", "Centroids Y", "Y");
    IParamDefinition& pattern =
        Add(definitions,
            {"GridType", "Pattern", "Output pattern.", "Output", FakeDeviceParameters::kNone},
            VParamObjectInt(0));
    AddChild(pattern, "Frame number", VParamObjectInt(0));
    AddChild(pattern, "Grid", VParamObjectInt(1));
}
} // namespace

VDefinitionRegistry& VFakeDeviceCameraSynth::Definitions()
{
    static VDefinitionRegistry definitions("Synth Camera", DefineSynthCamera);
    return definitions;
}

VFakeDeviceCameraSynth::VFakeDeviceCameraSynth(VFakeDeviceManager& manager, int typeCode,
                                               int strobeKind, std::uint32_t deviceId,
                                               std::uint32_t port, std::uint32_t localAddress,
                                               std::uint32_t halAddress)
    : VFakeDeviceCamera(manager, deviceId, port, localAddress, halAddress, Definitions().Get())
{
    SetParameter("DeviceType", CameraTypes::SyntheticTypeName(typeCode));
    SetParameter("StrobeType", CameraTypes::SyntheticStrobeTypeName(strobeKind));
}

std::string VFakeDeviceCameraSynth::GetDescription() const
{
    return "Synth: " + Text("DeviceType") + " " + Text("DeviceID");
}

VFakeDeviceCameraSynth::~VFakeDeviceCameraSynth()
{
    sources_.ReleaseAll();
}

void VFakeDeviceCameraSynth::OnDisconnected()
{
    sources_.ReleaseProtocol1();
    VFakeDeviceCamera::OnDisconnected();
}

void VFakeDeviceCameraSynth::OnPortSet(std::uint16_t port)
{
    const std::shared_ptr<const VCameraSettings> settings = GetSettings();
    sources_.Create(
        settings->protocolVersion, port,
        [this](std::uint16_t to)
        { return std::make_shared<VFakeSourceCentroid>(*this, GetIoService(), to); },
        [this](std::uint16_t to)
        { return std::make_shared<VFakeSourceGreyscale>(*this, GetIoService(), to); },
        [this, &settings](std::uint16_t to)
        {
            return std::make_shared<VFakeSourceCombined>(
                *this, GetIoService(), to,
                static_cast<std::size_t>(std::max(0, settings->packetSize)));
        });
}

void VFakeDeviceCameraSynth::ProduceFrame()
{
    if (!IsEnabled() || !IsSystemEnabled() || IsPreview())
        return;
    Slots::Produce(sources_.Current(), *GetSettings(),
                   static_cast<std::uint32_t>(GetCurrentFrame()),
                   static_cast<std::uint32_t>(GetPreviousFrame()));
}
