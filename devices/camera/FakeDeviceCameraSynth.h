#pragma once
// A camera that needs no trial file: it is made with a camera type code and a strobe kind
// code and carries the parameters of its synthetic centroid grid (columns, rows, pattern),
// which its sources draw every frame.
//
// Thread rules: as for every camera; the source slots are thread-safe.

#include "devices/DefinitionRegistry.h"
#include "devices/camera/CameraSourceSlots.h"
#include "devices/camera/FakeDeviceCamera.h"

class VFakeSourceCentroid;
class VFakeSourceGreyscale;
class VFakeSourceCombined;

class VFakeDeviceCameraSynth : public VFakeDeviceCamera
{
public:
    // The parameter definitions of every synthetic camera of the process.
    static VDefinitionRegistry& Definitions();

    // Runs on the main thread.
    VFakeDeviceCameraSynth(VFakeDeviceManager& manager, int typeCode, int strobeKind,
                           std::uint32_t deviceId, std::uint32_t port, std::uint32_t localAddress,
                           std::uint32_t halAddress);
    ~VFakeDeviceCameraSynth() override;

    std::string GetDescription() const override;
    void OnDisconnected() override;
    // Protocol 1: centroid source at `port`, greyscale source at `port` + 1000; protocol
    // 2: combined source at `port` + 5000.
    void OnPortSet(std::uint16_t port) override;
    void ProduceFrame() override;

private:
    using Slots =
        VCameraSourceSlots<VFakeSourceCombined, VFakeSourceCentroid, VFakeSourceGreyscale>;

    Slots sources_;
};
