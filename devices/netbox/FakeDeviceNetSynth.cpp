#include "devices/netbox/FakeDeviceNetSynth.h"

#include "devices/netbox/NetBoxParameters.h"

VDefinitionRegistry& VFakeDeviceNetSynth::Definitions()
{
    static VDefinitionRegistry definitions("Synth Network Box", NetBoxParameters::DefineSynthBox);
    return definitions;
}

VFakeDeviceNetSynth::VFakeDeviceNetSynth(VFakeDeviceManager& manager, std::uint32_t deviceId,
                                         std::uint32_t port, std::uint32_t localAddress,
                                         std::uint32_t halAddress)
    : VFakeDeviceNet(manager, deviceId, port, localAddress, halAddress, Definitions().Get())
{
    SetParameter("Card0Type", std::string("Not populated"));
}

std::string VFakeDeviceNetSynth::GetDescription() const
{
    return "Synth: " + Text("DeviceType") + " " + Text("DeviceID");
}

void VFakeDeviceNetSynth::OnConnected()
{
    VFakeDeviceNet::OnConnected();
    SetCardTypeReadOnly(true);
}

void VFakeDeviceNetSynth::OnDisconnected()
{
    VFakeDeviceNet::OnDisconnected();
    SetCardTypeReadOnly(false);
}

// The test-signal sources are not part of this version: the box sends no analogue data.
void VFakeDeviceNetSynth::OnPortSet(std::uint16_t /*port*/) {}
