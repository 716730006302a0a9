#include "devices/netbox/FakeDeviceNetX2D.h"

#include "devices/CommandText.h"
#include "devices/netbox/FakeSourceTimecode.h"
#include "devices/netbox/NetBoxParameters.h"
#include "devices/netbox/TimecodePackets.h"

namespace
{
constexpr std::uint16_t kTimecodePortOffset = 2000;
// The value the timecode source is made with; it has no effect.
constexpr std::int32_t kUnusedSourceValue = 0;
} // namespace

VDefinitionRegistry& VFakeDeviceNetX2D::Definitions()
{
    static VDefinitionRegistry definitions("X2D Network Box", NetBoxParameters::DefineTimecodeBox);
    return definitions;
}

VFakeDeviceNetX2D::VFakeDeviceNetX2D(VFakeDeviceManager& manager, const VTimecodeValue& start,
                                     std::uint32_t deviceId, std::uint32_t port,
                                     std::uint32_t localAddress, std::uint32_t halAddress)
    : VFakeDeviceNet(manager, deviceId, port, localAddress, halAddress, Definitions().Get()),
      start_(start)
{
    FixCardType("Not populated");
    SetParameter("StartTime", std::to_string(start.hours) + ";" + std::to_string(start.minutes) +
                                  ";" + std::to_string(start.seconds) + ";" +
                                  std::to_string(start.frames));
}

std::string VFakeDeviceNetX2D::GetDescription() const
{
    return "X2D: " + Text("DeviceType") + " " + Text("DeviceID");
}

// "tcctl -e on" reports the standard; "tcctl -i", "tcctl -d", "vidref -e" and "vidref -i"
// are accepted and change nothing. None of them replies.
void VFakeDeviceNetX2D::HandleDeviceCommand(const std::string& command, std::string& reply)
{
    std::string rest;
    if (CommandText::ConsumePrefix(command, "tcctl", rest))
    {
        if (rest.rfind(" -e ", 0) == 0 && rest.substr(4) == "on")
            OnNotify();
        return;
    }
    if (CommandText::ConsumePrefix(command, "vidref", rest))
        return;
    VFakeDeviceNet::HandleDeviceCommand(command, reply);
}

void VFakeDeviceNetX2D::OnPortSet(std::uint16_t port)
{
    bool timecode = false;
    if (!GetParameter("Timecode", timecode) || !timecode)
        return;
    SetSource(std::make_shared<VFakeSourceTimecode>(
        *this, GetIoService(), static_cast<std::uint16_t>(port + kTimecodePortOffset), start_,
        kUnusedSourceValue));
}

void VFakeDeviceNetX2D::OnNotify()
{
    std::optional<TimecodePackets::StatusRecord> status =
        TimecodePackets::EncodeStatus(start_.standard, GetSessionTag(), GetDeviceID());
    if (status)
        SendDeviceRecord(status->data(), status->size());
}

std::string VFakeDeviceNetX2D::GetExtraInformation() const
{
    return "Timecode Source : Internal PAL NTSC NTSC_DROP FILM\n"
           "Genlock Source : Internal PAL NTSC FILM24 FILM23.976\n";
}
