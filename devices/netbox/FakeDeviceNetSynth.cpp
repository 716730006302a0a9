#include "devices/netbox/FakeDeviceNetSynth.h"

#include "devices/netbox/FakeSourceAnalogueControl.h"
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
    // The card type is fixed while the box is connected, so a box that started without an
    // analogue card could never send its test signal: it starts with one.
    SetParameter(NetBoxParameters::CardTypeName(0), std::string("Analogue"));
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

void VFakeDeviceNetSynth::OnPortSet(std::uint16_t port)
{
    if (GetNetSettings()->analogueCard)
        SetSource(std::make_shared<VFakeSourceAnalogueControl>(*this, GetIoService(), port));
}
