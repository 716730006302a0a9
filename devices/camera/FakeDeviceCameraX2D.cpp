#include "devices/camera/FakeDeviceCameraX2D.h"

#include "devices/camera/CameraParameters.h"
#include "devices/camera/CameraTypes.h"
#include "devices/camera/FakeSourceX2D.h"
#include "devices/camera/X2DHolder.h"

VDefinitionRegistry& VFakeDeviceCameraX2D::Definitions()
{
    static VDefinitionRegistry definitions("X2D Camera", CameraParameters::Define);
    return definitions;
}

// The type follows the recorded type text (or sensor), then the recorded sensor size
// overrides the type's.
VFakeDeviceCameraX2D::VFakeDeviceCameraX2D(VFakeDeviceManager& manager,
                                           std::shared_ptr<VX2DHolder> holder,
                                           std::uint32_t cameraIndex, std::uint32_t deviceId,
                                           std::uint32_t port, std::uint32_t localAddress,
                                           std::uint32_t halAddress)
    : VFakeDeviceCamera(manager, deviceId, port, localAddress, halAddress, Definitions().Get()),
      holder_(std::move(holder)), cameraIndex_(cameraIndex)
{
    const X2DIO::CameraInfo& info = holder_->GetCameraInfo(cameraIndex);
    SetParameter("DeviceType",
                 CameraTypes::TypeFromX2D(info.typeName, info.sensorWidth, info.sensorHeight));
    SetParameter("SensorWidth", static_cast<int>(info.sensorWidth));
    SetParameter("SensorHeight", static_cast<int>(info.sensorHeight));
    const std::uint64_t period = holder_->GetFramePeriod();
    SetParameter("SystemFrameRate",
                 period == 0 ? 0.0 : double(CameraPackets::kTickClockHz) / double(period));
}

VFakeDeviceCameraX2D::~VFakeDeviceCameraX2D()
{
    sources_.ReleaseAll();
}

std::string VFakeDeviceCameraX2D::GetDescription() const
{
    return "X2D: " + Text("DeviceType") + " " + Text("DeviceID");
}

void VFakeDeviceCameraX2D::OnDisconnected()
{
    sources_.ReleaseProtocol1();
    VFakeDeviceCamera::OnDisconnected();
}

void VFakeDeviceCameraX2D::OnPortSet(std::uint16_t port)
{
    const std::shared_ptr<const VCameraSettings> settings = GetSettings();
    sources_.Create(
        settings->protocolVersion, port,
        [this](std::uint16_t to)
        {
            return std::make_shared<VFakeSourceCentroidX2D>(*this, GetIoService(), to, holder_,
                                                            cameraIndex_);
        },
        [this](std::uint16_t to)
        {
            return std::make_shared<VFakeSourceGreyscaleX2D>(*this, GetIoService(), to, holder_,
                                                             cameraIndex_);
        },
        [this, &settings](std::uint16_t to)
        {
            return std::make_shared<VFakeSourceCombinedX2D>(
                *this, GetIoService(), to, holder_, cameraIndex_,
                static_cast<std::size_t>(std::max(0, settings->packetSize)));
        });
}

void VFakeDeviceCameraX2D::ProduceFrame()
{
    const auto current = static_cast<std::uint32_t>(GetCurrentFrame());
    const auto previous = static_cast<std::uint32_t>(GetPreviousFrame());
    ReportSkippedFrames();
    if (!IsEnabled() || !IsSystemEnabled() || IsPreview())
        return;
    const std::shared_ptr<const VCameraSettings> settings = GetSettings();
    const Slots::Sources sources = sources_.Current();
    if (sources.combined)
        sources.combined->SetTrackingMode(settings->tracking);
    if (sources.centroid)
        sources.centroid->SetTrackingMode(settings->tracking);
    Slots::Produce(sources, *settings, current, previous);
}
