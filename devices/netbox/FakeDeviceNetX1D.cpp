#include "devices/netbox/FakeDeviceNetX1D.h"

#include "devices/netbox/FakeSourceAnalogueX1D.h"
#include "devices/netbox/NetBoxParameters.h"
#include "devices/netbox/X1DHolder.h"

VDefinitionRegistry& VFakeDeviceNetX1D::Definitions()
{
    static VDefinitionRegistry definitions("X1D Network Box", NetBoxParameters::Define);
    return definitions;
}

VFakeDeviceNetX1D::VFakeDeviceNetX1D(VFakeDeviceManager& manager,
                                     std::shared_ptr<VX1DHolder> holder, std::uint32_t device,
                                     std::uint32_t deviceId, std::uint32_t port,
                                     std::uint32_t localAddress, std::uint32_t halAddress)
    : VFakeDeviceNet(manager, deviceId, port, localAddress, halAddress, Definitions().Get()),
      holder_(std::move(holder)), device_(device)
{
    FixCardType("Analogue");
}

std::string VFakeDeviceNetX1D::GetDescription() const
{
    return "X1D: " + Text("DeviceType") + " " + Text("DeviceID");
}

void VFakeDeviceNetX1D::OnPortSet(std::uint16_t port)
{
    if (holder_->DeviceHasData(device_))
        SetSource(std::make_shared<VFakeSourceAnalogueX1D>(*this, GetIoService(), port, holder_,
                                                           device_));
}
