#pragma once
// A camera that replays one recorded camera of an X2D file: its identity, type and sensor
// come from the file, and its sources send the recorded centroids, tracks, greyscale
// blobs and edge pairs of the file frame each HAL frame replays.
//
// Thread rules: as for every camera; the source slots are thread-safe.

#include "devices/DefinitionRegistry.h"
#include "devices/camera/CameraSourceSlots.h"
#include "devices/camera/FakeDeviceCamera.h"

#include <memory>

class VX2DHolder;
class VFakeSourceCentroidX2D;
class VFakeSourceGreyscaleX2D;
class VFakeSourceCombinedX2D;

class VFakeDeviceCameraX2D : public VFakeDeviceCamera
{
public:
    // The parameter definitions of every recorded camera of the process.
    static VDefinitionRegistry& Definitions();

    // Camera `cameraIndex` of the file that `holder` plays. Runs on the main thread.
    VFakeDeviceCameraX2D(VFakeDeviceManager& manager, std::shared_ptr<VX2DHolder> holder,
                         std::uint32_t cameraIndex, std::uint32_t deviceId, std::uint32_t port,
                         std::uint32_t localAddress, std::uint32_t halAddress);
    ~VFakeDeviceCameraX2D() override;

    std::string GetDescription() const override;
    void OnDisconnected() override;
    // Protocol 1: centroid source at `port`, greyscale source at `port` + 1000; protocol
    // 2: combined source at `port` + 5000.
    void OnPortSet(std::uint16_t port) override;
    void ProduceFrame() override;

private:
    using Slots =
        VCameraSourceSlots<VFakeSourceCombinedX2D, VFakeSourceCentroidX2D, VFakeSourceGreyscaleX2D>;

    const std::shared_ptr<VX2DHolder> holder_;
    const std::uint32_t cameraIndex_;
    Slots sources_;
};
