#pragma once
// A camera that replays one recorded camera of an X2D file: its identity, type and sensor
// come from the file, and its sources send the recorded centroids, tracks, greyscale
// blobs and edge pairs of the file frame each HAL frame replays.
//
// Thread rules: as for every camera. The source slots are set by "portset" on the I/O
// thread, released by going down on the main thread and used by the frame thread:
// `sourcesMutex_` guards them, and each user works on its own references.

#include "devices/DefinitionRegistry.h"
#include "devices/camera/FakeDeviceCamera.h"

#include <memory>
#include <mutex>

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
    struct Sources
    {
        std::shared_ptr<VFakeSourceCombinedX2D> combined;
        std::shared_ptr<VFakeSourceCentroidX2D> centroid;
        std::shared_ptr<VFakeSourceGreyscaleX2D> greyscale;
    };

    Sources CurrentSources();

    const std::shared_ptr<VX2DHolder> holder_;
    const std::uint32_t cameraIndex_;
    std::mutex sourcesMutex_;
    Sources sources_; // guarded by sourcesMutex_
};
