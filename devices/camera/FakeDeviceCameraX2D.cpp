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
    std::lock_guard<std::mutex> lock(sourcesMutex_);
    sources_ = Sources();
}

std::string VFakeDeviceCameraX2D::GetDescription() const
{
    return "X2D: " + Text("DeviceType") + " " + Text("DeviceID");
}

// The combined source stays until "portset" replaces it.
void VFakeDeviceCameraX2D::OnDisconnected()
{
    {
        std::lock_guard<std::mutex> lock(sourcesMutex_);
        sources_.centroid.reset();
        sources_.greyscale.reset();
    }
    VFakeDeviceCamera::OnDisconnected();
}

void VFakeDeviceCameraX2D::OnPortSet(std::uint16_t port)
{
    const std::shared_ptr<const VCameraSettings> settings = GetSettings();
    if (settings->protocolVersion == 1)
    {
        auto centroid = std::make_shared<VFakeSourceCentroidX2D>(*this, GetIoService(), port,
                                                                 holder_, cameraIndex_);
        auto greyscale = std::make_shared<VFakeSourceGreyscaleX2D>(
            *this, GetIoService(), static_cast<std::uint16_t>(port + 1000), holder_, cameraIndex_);
        std::lock_guard<std::mutex> lock(sourcesMutex_);
        sources_.centroid.swap(centroid);
        sources_.greyscale.swap(greyscale);
    }
    else if (settings->protocolVersion == 2)
    {
        auto combined = std::make_shared<VFakeSourceCombinedX2D>(
            *this, GetIoService(), static_cast<std::uint16_t>(port + 5000), holder_, cameraIndex_,
            static_cast<std::size_t>(std::max(0, settings->packetSize)));
        std::lock_guard<std::mutex> lock(sourcesMutex_);
        sources_.combined.swap(combined);
    }
}

VFakeDeviceCameraX2D::Sources VFakeDeviceCameraX2D::CurrentSources()
{
    std::lock_guard<std::mutex> lock(sourcesMutex_);
    return sources_;
}

void VFakeDeviceCameraX2D::ProduceFrame()
{
    const std::int32_t current = GetCurrentFrame();
    const std::int32_t previous = GetPreviousFrame();
    ReportSkippedFrames();
    if (!IsEnabled() || !IsSystemEnabled() || IsPreview())
        return;
    const std::shared_ptr<const VCameraSettings> settings = GetSettings();
    const Sources sources = CurrentSources();
    const auto c = static_cast<std::uint32_t>(current), p = static_cast<std::uint32_t>(previous);
    std::uint32_t bytesSent = 0;
    if (sources.combined)
    {
        sources.combined->SetTrackingMode(settings->tracking);
        sources.combined->Produce(c, p, bytesSent);
    }
    if (sources.centroid && settings->supportsCentroids)
    {
        sources.centroid->SetTrackingMode(settings->tracking);
        sources.centroid->Produce(c, p, bytesSent);
    }
    if (sources.greyscale && settings->supportsGreyscale)
        sources.greyscale->Produce(c, p, bytesSent);
}
