#pragma once
// A network box that needs no trial file: its control card type is chosen by the user and
// it carries the frequency of its analogue test signal. The sources that generate the test
// signal come with the synthetic sources; until then it answers, announces and steps its
// frames like any box and sends no analogue data.
//
// Thread rules: as for every network box.

#include "devices/DefinitionRegistry.h"
#include "devices/netbox/FakeDeviceNet.h"

class VFakeDeviceNetSynth : public VFakeDeviceNet
{
public:
    // The parameter definitions of every synthetic box of the process.
    static VDefinitionRegistry& Definitions();

    // Runs on the main thread.
    VFakeDeviceNetSynth(VFakeDeviceManager& manager, std::uint32_t deviceId, std::uint32_t port,
                        std::uint32_t localAddress, std::uint32_t halAddress);

    std::string GetDescription() const override;
    // The reset; the card type is then fixed until the box goes down.
    void OnConnected() override;
    void OnDisconnected() override;
    void OnPortSet(std::uint16_t port) override;

protected:
    std::string GetSlotInformation() const override { return Text("Card0Type"); }
};
