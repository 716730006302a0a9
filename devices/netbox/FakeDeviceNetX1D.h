#pragma once
// A network box that replays one recorded device of an X1D file: its control card is fixed
// to "Analogue", and once the HAL gives it a data port it sends the device's samples,
// resampled to the rate and channels the HAL configured. A device without any recorded
// block gets no source and sends nothing.
//
// Thread rules: as for every network box.

#include "devices/DefinitionRegistry.h"
#include "devices/netbox/FakeDeviceNet.h"

#include <memory>

class VX1DHolder;

class VFakeDeviceNetX1D : public VFakeDeviceNet
{
public:
    // The parameter definitions of every X1D box of the process.
    static VDefinitionRegistry& Definitions();

    // Recorded device `device` of the file that `holder` plays. Runs on the main thread.
    VFakeDeviceNetX1D(VFakeDeviceManager& manager, std::shared_ptr<VX1DHolder> holder,
                      std::uint32_t device, std::uint32_t deviceId, std::uint32_t port,
                      std::uint32_t localAddress, std::uint32_t halAddress);

    std::string GetDescription() const override;
    void OnPortSet(std::uint16_t port) override;

private:
    const std::shared_ptr<VX1DHolder> holder_;
    const std::uint32_t device_;
};
