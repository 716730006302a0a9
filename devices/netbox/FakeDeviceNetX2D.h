#pragma once
// The network box of an X2D recording with a start timecode: its control card is "Not
// populated", and once the HAL gives it a data port (and "Timecode" is on) it sends a
// timecode record each frame, counting on from the recording's start timecode. It answers
// "tcctl" and "vidref" and reports its timecode standard after "notify" and on
// "tcctl -e on".
//
// Thread rules: as for every network box; the start timecode is fixed at creation.

#include "devices/DefinitionRegistry.h"
#include "devices/netbox/FakeDeviceNet.h"
#include "devices/netbox/TimecodeValue.h"

class VFakeDeviceNetX2D : public VFakeDeviceNet
{
public:
    // The parameter definitions of every X2D box of the process.
    static VDefinitionRegistry& Definitions();

    // The box of a recording whose start timecode is `start`. Runs on the main thread.
    VFakeDeviceNetX2D(VFakeDeviceManager& manager, const VTimecodeValue& start,
                      std::uint32_t deviceId, std::uint32_t port, std::uint32_t localAddress,
                      std::uint32_t halAddress);

    std::string GetDescription() const override;
    void HandleDeviceCommand(const std::string& command, std::string& reply) override;
    // The timecode source, on `port` + 2000, while "Timecode" is on.
    void OnPortSet(std::uint16_t port) override;
    // Sends the timecode status record.
    void OnNotify() override;

protected:
    std::string GetExtraInformation() const override;

private:
    const VTimecodeValue start_;
};
