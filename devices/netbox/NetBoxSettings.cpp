#include "devices/netbox/NetBoxSettings.h"

#include "devices/netbox/NetBoxParameters.h"
#include "params/ParamList.h"
#include "params/ParamObjectTypes.h"

namespace
{
template <class T> T Value(const IParamList& parameters, const std::string& name)
{
    T value{};
    if (const IParam* param = parameters.FindParam(VStringStd(name)))
        GetParamValue(*param, value);
    return value;
}
} // namespace

VNetBoxSettings VNetBoxSettings::Read(const IParamList& parameters)
{
    using namespace NetBoxParameters;
    VNetBoxSettings settings;
    settings.sampleRate = Value<double>(parameters, SlotName(0, "SampleRate"));
    settings.prescaler = Value<int>(parameters, SlotName(0, "Prescaler"));
    settings.divisor = Value<int>(parameters, SlotName(0, "Divisor"));
    settings.numChannels = Value<int>(parameters, SlotName(0, "NumChannels"));
    for (int channel = 0; channel < kChannels; ++channel)
    {
        if (Value<bool>(parameters, ChannelName(0, channel, "Enabled")))
            settings.enabledChannels |= std::uint64_t(1) << channel;
        settings.gains[std::size_t(channel)] =
            Value<int>(parameters, ChannelName(0, channel, "Gain"));
    }
    settings.captureActive = Value<bool>(parameters, SlotName(0, "CaptureActive"));
    settings.analogueCard = Value<VStringStd>(parameters, CardTypeName(0)).Str() == "Analogue";
    settings.testSignalFrequency = Value<double>(parameters, SlotName(0, "TestSignalFreq"));
    return settings;
}
