#pragma once
// A camera that needs no trial file: it is made with a camera type code and a strobe kind
// code and carries the parameters of its synthetic centroid grid (columns, rows, pattern).
// The sources that draw the grid come with the synthetic sources; until then it answers,
// announces and steps its frames like any camera and sends no frame data.
//
// Thread rules: as for every camera.

#include "devices/DefinitionRegistry.h"
#include "devices/camera/FakeDeviceCamera.h"

class VFakeDeviceCameraSynth : public VFakeDeviceCamera
{
public:
    // The parameter definitions of every synthetic camera of the process.
    static VDefinitionRegistry& Definitions();

    // Runs on the main thread.
    VFakeDeviceCameraSynth(VFakeDeviceManager& manager, int typeCode, int strobeKind,
                           std::uint32_t deviceId, std::uint32_t port, std::uint32_t localAddress,
                           std::uint32_t halAddress);

    std::string GetDescription() const override;
    void OnPortSet(std::uint16_t port) override;
    void ProduceFrame() override;
};
