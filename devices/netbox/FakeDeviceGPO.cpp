#include "devices/netbox/FakeDeviceGPO.h"

#include "devices/FakeDeviceParameters.h"
#include "net/ByteOrder.h"
#include "params/ParamObjectTypes.h"

#include <string>

namespace
{
constexpr std::uint16_t kGpiRecordType = 0x0004;
const char* const kInputNames[VFakeDeviceGPO::kInputCount] = {"GPI0", "GPI1",        "GPI2",
                                                              "GPI3", "RemoteStart", "RemoteStop"};

void AddBool(IParamDefinitionList& definitions, const std::string& name, const std::string& display,
             const std::string& description, bool value)
{
    FakeDeviceParameters::Add(definitions,
                              {name.c_str(), display.c_str(), description.c_str(), "Control",
                               FakeDeviceParameters::kNone},
                              VParamObjectBool(value));
}
} // namespace

void VFakeDeviceGPO::DefineParameters(IParamDefinitionList& definitions, int outputs)
{
    for (int i = 0; i < 4; ++i)
        AddBool(definitions, "GPI" + std::to_string(i), "GPI " + std::to_string(i),
                "General-purpose input " + std::to_string(i) + ".", false);
    for (int i = 0; i < outputs; ++i)
        AddBool(definitions, "GPO" + std::to_string(i), "GPO " + std::to_string(i),
                "General-purpose output " + std::to_string(i), false);
    AddBool(definitions, "RemoteStart", "Remote Start", "Uncheck to send remote start trigger.",
            true);
    AddBool(definitions, "RemoteStop", "Remote Stop", "Uncheck to send remote stop trigger.", true);
}

VFakeDeviceGPO::VFakeDeviceGPO(VFakeDeviceManager& manager, std::uint32_t deviceId,
                               std::uint32_t port, std::uint32_t localAddress,
                               std::uint32_t halAddress, IParamDefinitionList& definitions,
                               std::uint32_t deviceClass)
    : VFakeDevice(manager, deviceId, port, localAddress, halAddress, definitions, deviceClass)
{
    const auto param = [this](const char* name) -> IParam&
    { return *GetParamList().FindParam(VStringStd(name)); };
    gpi0Observer_ = std::make_unique<decltype(gpi0Observer_)::element_type>(param("GPI0"), *this);
    gpi1Observer_ = std::make_unique<decltype(gpi1Observer_)::element_type>(param("GPI1"), *this);
    gpi2Observer_ = std::make_unique<decltype(gpi2Observer_)::element_type>(param("GPI2"), *this);
    gpi3Observer_ = std::make_unique<decltype(gpi3Observer_)::element_type>(param("GPI3"), *this);
    remoteStartObserver_ =
        std::make_unique<decltype(remoteStartObserver_)::element_type>(param("RemoteStart"), *this);
    remoteStopObserver_ =
        std::make_unique<decltype(remoteStopObserver_)::element_type>(param("RemoteStop"), *this);
}

VFakeDeviceGPO::~VFakeDeviceGPO() = default;

void VFakeDeviceGPO::OnGPI0Changed(bool /*value*/)
{
    SendGpiRecord(0);
}

void VFakeDeviceGPO::OnGPI1Changed(bool /*value*/)
{
    SendGpiRecord(1);
}

void VFakeDeviceGPO::OnGPI2Changed(bool /*value*/)
{
    SendGpiRecord(2);
}

void VFakeDeviceGPO::OnGPI3Changed(bool /*value*/)
{
    SendGpiRecord(3);
}

void VFakeDeviceGPO::OnRemoteStartChanged(bool /*value*/)
{
    SendGpiRecord(4);
}

void VFakeDeviceGPO::OnRemoteStopChanged(bool /*value*/)
{
    SendGpiRecord(5);
}

std::array<std::uint8_t, VFakeDeviceGPO::kGpiRecordSize>
VFakeDeviceGPO::MakeGpiRecord(int changedInput) const
{
    std::uint16_t states = 0;
    for (int i = 0; i < kInputCount; ++i)
    {
        bool value = false;
        const IParam* input = GetParamList().FindParam(VStringStd(kInputNames[i]));
        if (input && GetParamValue(*input, value) && value)
            states |= std::uint16_t(1u << i);
    }
    std::array<std::uint8_t, kGpiRecordSize> record{};
    ByteOrder::StoreLittleEndian16(record.data(), kGpiRecordType);
    ByteOrder::StoreLittleEndian16(record.data() + 2, kGpiRecordSize);
    ByteOrder::StoreLittleEndian16(record.data() + 4, 1);
    ByteOrder::StoreLittleEndian32(record.data() + 8, GetDeviceID());
    ByteOrder::StoreLittleEndian32(record.data() + 12,
                                   static_cast<std::uint32_t>(GetCurrentFrame()));
    ByteOrder::StoreLittleEndian16(record.data() + 16, states);
    ByteOrder::StoreLittleEndian16(record.data() + 18,
                                   changedInput < 0 ? 0 : std::uint16_t(1u << changedInput));
    return record;
}

void VFakeDeviceGPO::SendGpiRecord(int changedInput)
{
    std::array<std::uint8_t, kGpiRecordSize> record = MakeGpiRecord(changedInput);
    SendDeviceRecord(record.data(), record.size());
}
