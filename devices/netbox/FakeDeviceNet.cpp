#include "devices/netbox/FakeDeviceNet.h"

#include "devices/CommandText.h"
#include "devices/netbox/NetBoxParameters.h"

#include <algorithm>
#include <cstdio>

using NetBoxParameters::ChannelName;
using NetBoxParameters::SlotName;

namespace
{
constexpr const char* kWordSeparators = " \t\r\n";
constexpr double kDefaultRate = 180000.0;
constexpr int kDefaultPrescaler = 5;
constexpr int kDefaultDivisor = 150;
// Frames between two assertions of a slot's capture.
constexpr int kCaptureRestartFrames = 2;

// The word at `index`, or an empty word past the end.
const std::string& WordAt(const std::vector<std::string>& words, std::size_t index)
{
    static const std::string none;
    return index < words.size() ? words[index] : none;
}

// A prescaler or divisor: a decimal number of at least 0; any other word counts as 0.
int ClockFactor(const std::string& word)
{
    const std::optional<int> value = CommandText::DecimalInt(word);
    return value && *value > 0 ? *value : 0;
}

double RateFor(int prescaler, int divisor)
{
    const double product = double(prescaler) * double(divisor);
    return product == 0.0 ? 0.0 : NetBoxParameters::kMasterClockHz / product;
}

std::string FormatRate(double rate)
{
    char text[64];
    std::snprintf(text, sizeof text, "%f\r\n", rate);
    return text;
}
} // namespace

VFakeDeviceNet::VFakeDeviceNet(VFakeDeviceManager& manager, std::uint32_t deviceId,
                               std::uint32_t port, std::uint32_t localAddress,
                               std::uint32_t halAddress, IParamDefinitionList& definitions)
    : VFakeDeviceGPO(manager, deviceId, port, localAddress, halAddress, definitions,
                     kNetworkBoxClass)
{
    settings_.Publish(VNetBoxSettings::Read(GetParamList()));
}

int VFakeDeviceNet::ChannelsForRate(double rate)
{
    int channels = NetBoxParameters::kChannels;
    double limit = 3000.0;
    while (rate > limit && channels > 1)
    {
        channels /= 2;
        limit *= 2.0;
    }
    return channels;
}

std::string VFakeDeviceNet::Text(const std::string& name) const
{
    std::string text;
    GetParameter(name, text);
    return text;
}

void VFakeDeviceNet::OnParameterCommitted(const IParam& /*param*/)
{
    settings_.Publish(VNetBoxSettings::Read(GetParamList()));
}

void VFakeDeviceNet::FixCardType(const std::string& type)
{
    SetParameter(NetBoxParameters::CardTypeName(0), type);
    SetCardTypeReadOnly(true);
}

void VFakeDeviceNet::SetCardTypeReadOnly(bool readOnly)
{
    GetParamList().FindParam(VStringStd(NetBoxParameters::CardTypeName(0)))->SetReadOnly(readOnly);
}

// ---- reset and rates ---------------------------------------------------------------------

void VFakeDeviceNet::OnConnected()
{
    clockOutSet_ = false;
    clockOutFollows_ = false;
    configState_ = kIdle;
    SetInCapture(0, false);
    ApplyRate(0, kDefaultRate, kDefaultPrescaler, kDefaultDivisor);
    SetClockOut(kDefaultRate, kDefaultPrescaler, kDefaultDivisor);
}

void VFakeDeviceNet::OnDisconnected()
{
    SetSource(nullptr);
}

// Channels 0 … count-1 are enabled; those above keep their state.
void VFakeDeviceNet::ApplyRate(int slot, double rate, int prescaler, int divisor)
{
    const int channels = ChannelsForRate(rate);
    SetParameter(SlotName(slot, "NumChannels"), channels);
    for (int channel = 0; channel < channels; ++channel)
        SetParameter(ChannelName(slot, channel, "Enabled"), true);
    SetParameter(SlotName(slot, "SampleRate"), rate);
    // A prescaler of 3 or less is the divisor's place on the card: the two come swapped.
    SetParameter(SlotName(slot, "Prescaler"), prescaler > 3 ? prescaler : divisor);
    SetParameter(SlotName(slot, "Divisor"), prescaler > 3 ? divisor : prescaler);
}

void VFakeDeviceNet::SetClockOut(double rate, int prescaler, int divisor)
{
    SetParameter("ClkOutSampleRate", rate);
    SetParameter("ClkOutPrescaler", prescaler);
    SetParameter("ClkOutDivisor", divisor);
}

// ---- commands ------------------------------------------------------------------------------

void VFakeDeviceNet::HandleDeviceBroadcast(const std::uint8_t* /*data*/, std::size_t /*length*/) {}

void VFakeDeviceNet::HandleDeviceCommand(const std::string& command, std::string& reply)
{
    std::string rest;
    if (CommandText::ConsumePrefix(command, "info", rest))
        reply = GetInformation();
    else if (CommandText::ConsumePrefix(command, "samplerate", rest))
        HandleSampleRate(CommandText::Tokens(rest, kWordSeparators), reply);
    else if (CommandText::ConsumePrefix(command, "anactl", rest))
        HandleAnalogueControl(CommandText::Tokens(rest, kWordSeparators), reply);
    else if (CommandText::ConsumePrefix(command, "capture", rest))
        HandleCapture(CommandText::Tokens(rest, kWordSeparators), reply);
}

// "-s X P D" sets the clock output (X "c") or a slot (X "0" or "1"; another word keeps the
// previous choice) to 135 MHz / (P × D); "-d", "-p" and "-i" take a word that is not used.
// Each of these four leaves the line without a reply; otherwise the reply is slot 0's
// rate. A "-s" without all three of its words changes nothing.
void VFakeDeviceNet::HandleSampleRate(const std::vector<std::string>& words, std::string& reply)
{
    bool suppressReply = false;
    char target = '0';
    for (std::size_t i = 0; i < words.size(); ++i)
    {
        const std::string& word = words[i];
        if (word == "-d" || word == "-p" || word == "-i")
        {
            suppressReply = true;
            ++i;
        }
        else if (word == "-f")
            clockOutFollows_ = WordAt(words, ++i) == "on";
        else if (word == "-s")
        {
            suppressReply = true;
            if (i + 3 < words.size())
            {
                const char first = words[i + 1].empty() ? '\0' : words[i + 1][0];
                if (first == 'c' || first == '0' || first == '1')
                    target = first;
                SetRate(target, ClockFactor(words[i + 2]), ClockFactor(words[i + 3]));
            }
            i += 3;
        }
    }
    if (!suppressReply)
        reply = FormatRate(GetNetSettings()->sampleRate);
}

void VFakeDeviceNet::SetRate(char target, int prescaler, int divisor)
{
    const double rate = RateFor(prescaler, divisor);
    if (target == 'c')
    {
        SetClockOut(rate, prescaler, divisor);
        clockOutSet_ = true;
        return;
    }
    const int slot = target - '0';
    ApplyRate(slot, rate, prescaler, divisor);
    if (slot == 0 && (clockOutFollows_ || !clockOutSet_))
        SetClockOut(rate, prescaler, divisor);
}

namespace
{
// A range of channels as "-a", "-c N" or "-r A B" gave it; it changes channels only when it
// runs forwards over at most 65 channels. None is chosen at first.
struct ChannelRange
{
    int first = 0;
    int last = -1;

    bool IsValid() const { return first <= last && std::int64_t(last) - first <= 64; }
};
} // namespace

// "-s N" picks the slot; "-a", "-c N" and "-r A B" pick channels, and the first "on", "off"
// or "-g G" after them switches or sets the gain of those channels. "-1 W" with a W other
// than "on" or "off" replies "off". A number that is not one leaves the previous value.
void VFakeDeviceNet::HandleAnalogueControl(const std::vector<std::string>& words,
                                           std::string& reply)
{
    int slot = 0;
    ChannelRange range;
    for (std::size_t i = 0; i < words.size(); ++i)
    {
        const std::string& word = words[i];
        if (word == "-s")
            slot = CommandText::DecimalInt(WordAt(words, ++i)).value_or(slot);
        else if (word == "-1")
        {
            const std::string& state = WordAt(words, ++i);
            if (state != "on" && state != "off")
                reply = "off";
        }
        else if (word == "-a" || word == "-c" || word == "-r")
        {
            if (word == "-a")
                range = {0, NetBoxParameters::kChannels - 1};
            else if (word == "-c")
            {
                if (const std::optional<int> channel = CommandText::DecimalInt(WordAt(words, ++i)))
                    range.first = range.last = *channel;
            }
            else
            {
                range.first = CommandText::DecimalInt(WordAt(words, ++i)).value_or(range.first);
                range.last = CommandText::DecimalInt(WordAt(words, ++i)).value_or(range.last);
            }
            i = ApplyToChannels(words, i + 1, slot, range.first, range.last);
        }
    }
}

// Looks from `from` for the first "on", "off" or "-g G" and applies it to the channels of
// slot `slot` from `first` to `last`; returns the index of the last word it used.
std::size_t VFakeDeviceNet::ApplyToChannels(const std::vector<std::string>& words, std::size_t from,
                                            int slot, int first, int last)
{
    const ChannelRange range{first, last};
    const int begin = std::max(first, 0);
    const int end = std::min(last, NetBoxParameters::kChannels - 1);
    for (std::size_t i = from; i < words.size(); ++i)
    {
        const std::string& word = words[i];
        if (word == "on" || word == "off")
        {
            SetInCapture(slot, false);
            if (range.IsValid())
                for (int channel = begin; channel <= end; ++channel)
                    SetParameter(ChannelName(slot, channel, "Enabled"), word == "on");
            configState_ = kChanged;
            return i;
        }
        if (word == "-g")
        {
            const std::optional<int> gain = CommandText::DecimalInt(WordAt(words, i + 1));
            if (gain && range.IsValid())
                for (int channel = begin; channel <= end; ++channel)
                    SetParameter(ChannelName(slot, channel, "Gain"), *gain);
            return i + 1;
        }
    }
    return words.size();
}

// "on" and "off" start and stop capture on slot 0 or the slot "-s N" gave before them;
// a line with none of "on", "off" and "-s" asks for slot 0's state.
void VFakeDeviceNet::HandleCapture(const std::vector<std::string>& words, std::string& reply)
{
    int slot = 0;
    bool recognised = false;
    for (std::size_t i = 0; i < words.size(); ++i)
    {
        const std::string& word = words[i];
        if (word == "-s")
        {
            recognised = true;
            slot = CommandText::DecimalInt(WordAt(words, ++i)).value_or(slot);
        }
        else if (word == "on" || word == "off")
        {
            recognised = true;
            SetParameter(SlotName(slot, "CaptureActive"), word == "on");
            SetInCapture(slot, false);
            if (word == "on")
                startCountdown_ = kCaptureRestartFrames;
        }
    }
    if (!recognised)
        reply = std::string("Slot 0 capture ") + (GetNetSettings()->captureActive ? "on" : "off") +
                "\r\n";
}

std::string VFakeDeviceNet::GetInformation() const
{
    const std::pair<const char*, std::string> items[] = {
        {"Display Device Type", "LUME Gridlark"},
        {"Device Type", "Gridlark"},
        {"Device ID", std::to_string(GetDeviceID())},
        {"Slot1", GetSlotInformation()},
        {"Firmware Target", "Gridlark"},
        {"Minimum HAL Version", Text("MinHalVersion")},
        {"Firmware Version", Text("FirmwareVersion")},
        {"Status LED Count", "1"},
        {"GPI Count", "4"},
        {"GPO Count", "8"},
        {"Output Clock Count", "1"},
        {"Ethernet Master Able", "yes"},
    };
    std::string text;
    for (const auto& item : items)
        text += std::string(item.first) + " : " + item.second + "\n";
    return text + GetExtraInformation();
}

// ---- frame tick ----------------------------------------------------------------------------

void VFakeDeviceNet::ProduceFrame()
{
    ReportSkippedFrames();
    if (!IsEnabled() || !IsSystemEnabled() || IsPreview())
        return;
    ProduceSourceFrame(GetCurrentFrame(), GetPreviousFrame());
    const std::shared_ptr<const VNetBoxSettings> settings = GetNetSettings();
    StepConfiguration(*settings);
    StepCaptureCountdown(*settings);
}

void VFakeDeviceNet::ProduceSourceFrame(std::int32_t currentFrame, std::int32_t previousFrame)
{
    std::shared_ptr<VFakeSource> source;
    {
        std::lock_guard<std::mutex> lock(sourceLock_);
        source = source_;
    }
    if (!source)
        return;
    std::uint32_t bytesSent = 0;
    source->Produce(static_cast<std::uint32_t>(currentFrame),
                    static_cast<std::uint32_t>(previousFrame), bytesSent);
}

// The old source is destroyed outside the lock, so a frame never waits for its socket to
// close.
void VFakeDeviceNet::SetSource(std::shared_ptr<VFakeSource> source)
{
    std::lock_guard<std::mutex> lock(sourceLock_);
    source_.swap(source);
}

// After a channel change, capture (when active) is dropped on the change's first frame and
// again two frames later, when the restart countdown begins anew.
void VFakeDeviceNet::StepConfiguration(const VNetBoxSettings& settings)
{
    switch (configState_.load())
    {
    case kChanged:
        if (settings.captureActive)
            SetInCapture(0, false);
        configState_ = kSettling;
        break;
    case kSettling:
        configState_ = kRestart;
        break;
    case kRestart:
        if (settings.captureActive)
        {
            SetInCapture(0, false);
            startCountdown_ = kCaptureRestartFrames;
        }
        configState_ = kIdle;
        break;
    default:
        break;
    }
}

// While the card is analogue, capture is asserted again every second frame once started.
void VFakeDeviceNet::StepCaptureCountdown(const VNetBoxSettings& settings)
{
    int countdown = startCountdown_.load();
    if (countdown <= 0)
        return;
    startCountdown_ = --countdown;
    if (countdown > 0 || !settings.analogueCard)
        return;
    SetInCapture(0, true);
    startCountdown_ = kCaptureRestartFrames;
}

// Slot 0's capture is asserted every second frame: only a change of what was last asked for
// goes to the main thread, and the lock keeps the writes in the order they were asked for.
void VFakeDeviceNet::SetInCapture(int slot, bool inCapture)
{
    if (slot != 0)
        return SetParameter(SlotName(slot, "InCapture"), inCapture);
    std::lock_guard<std::mutex> lock(inCaptureLock_);
    if (inCaptureRequested_ == inCapture)
        return;
    inCaptureRequested_ = inCapture;
    SetParameter(SlotName(0, "InCapture"), inCapture);
}
