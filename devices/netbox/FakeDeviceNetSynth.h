#pragma once
// A network box that needs no trial file: its analogue card sends a sine test signal at the
// frequency the box carries. The card type can be chosen while the box is down; it starts as
// an analogue card, the only kind that sends data, and is fixed while the box is connected.
// Only control card 0 exists: the box has one analogue slot and one source.
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
    // Starts the test signal of slot 0 on `port` when its card is analogue.
    void OnPortSet(std::uint16_t port) override;

protected:
    std::string GetSlotInformation() const override { return Text("Card0Type"); }
};
