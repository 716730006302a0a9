#include "tools/halprobe/AnalogueFrameAssembler.h"

#include "net/ByteOrder.h"
#include "tools/halprobe/TextFormat.h"

#include <bitset>

namespace HalProbe
{
namespace
{
std::uint64_t SenderKey(std::uint32_t sender, std::uint16_t senderPort)
{
    return (std::uint64_t(sender) << 16) | senderPort;
}

AnalogueFault Fault(const DataRecord& datagram, std::string what)
{
    AnalogueFault fault;
    fault.what = std::move(what);
    fault.sender = datagram.sender;
    fault.senderPort = datagram.senderPort;
    fault.arrival = datagram.arrival;
    return fault;
}

AnalogueFault FrameFault(const DataRecord& datagram, const AnalogueFrameRecord& record,
                         std::string what)
{
    AnalogueFault fault = Fault(datagram, std::move(what));
    fault.deviceId = record.deviceId;
    fault.frameNumber = record.frameNumber;
    return fault;
}

// A datagram that opens with the frame record's type and length is taken as a frame
// record, and one that is not whole as a broken record rather than as samples.
bool IsMeantAsFrameRecord(const DataRecord& datagram)
{
    return datagram.type == RecordType::kAnalogueFrame &&
           datagram.length == KnownRecordLength(RecordType::kAnalogueFrame);
}

std::string SampleDatagramProblem(const std::vector<std::uint8_t>& bytes,
                                  const std::vector<std::size_t>& earlierSizes)
{
    if (bytes.empty())
        return "empty datagram";
    if (bytes.size() % 2 != 0)
        return Format("sample datagram of odd length %zu", bytes.size());
    if (bytes.size() > AnalogueFrameAssembler::kMaxSampleDatagram)
        return Format("sample datagram of %zu bytes, more than %zu", bytes.size(),
                      AnalogueFrameAssembler::kMaxSampleDatagram);
    if (!earlierSizes.empty() && earlierSizes.back() != AnalogueFrameAssembler::kMaxSampleDatagram)
        return Format("sample datagram after a short one of %zu bytes", earlierSizes.back());
    return "";
}

// Why the record does not describe the samples that arrived, or nothing.
std::string MismatchOf(const AnalogueFrameRecord& record, const std::vector<std::uint16_t>& values)
{
    const std::size_t bytes = values.size() * 2;
    if (record.sampleBytes != bytes)
        return Format("record states %u sample bytes, %zu arrived", record.sampleBytes, bytes);
    const std::size_t maskChannels = std::bitset<64>(record.channelMask).count();
    if (maskChannels != record.channelCount)
        return Format("channel mask 0x%016llX names %zu channels, the record states %u",
                      static_cast<unsigned long long>(record.channelMask), maskChannels,
                      record.channelCount);
    const std::size_t expected = std::size_t(record.samplesPerChannel) * record.channelCount;
    if (values.size() != expected)
        return Format("%zu values arrived, not %u samples x %u channels = %zu", values.size(),
                      record.samplesPerChannel, record.channelCount, expected);
    return "";
}
} // namespace

std::optional<AnalogueEvent> AnalogueFrameAssembler::Add(DataRecord datagram)
{
    if (const auto* record = std::get_if<AnalogueFrameRecord>(&datagram.body))
        return Finish(datagram, *record);
    if (IsMeantAsFrameRecord(datagram))
    {
        pending_.erase(SenderKey(datagram.sender, datagram.senderPort));
        return Fault(datagram, datagram.problem);
    }
    if (!std::holds_alternative<std::monostate>(datagram.body))
        return datagram;
    return AddSamples(datagram);
}

std::vector<AnalogueFault> AnalogueFrameAssembler::Flush()
{
    std::vector<AnalogueFault> faults;
    for (const auto& [key, pending] : pending_)
    {
        if (pending.faulted)
            continue;
        AnalogueFault fault;
        fault.what = Format("%zu sample values without their frame record", pending.values.size());
        fault.sender = std::uint32_t(key >> 16);
        fault.senderPort = std::uint16_t(key);
        fault.arrival = pending.firstArrival;
        faults.push_back(std::move(fault));
    }
    pending_.clear();
    return faults;
}

std::optional<AnalogueEvent> AnalogueFrameAssembler::AddSamples(const DataRecord& datagram)
{
    auto [entry, added] = pending_.try_emplace(SenderKey(datagram.sender, datagram.senderPort));
    PendingFrame& pending = entry->second;
    if (added)
        pending.firstArrival = datagram.arrival;
    if (pending.faulted)
        return std::nullopt;
    const std::string problem = SampleDatagramProblem(datagram.bytes, pending.datagramSizes);
    if (!problem.empty())
    {
        pending.faulted = true;
        return Fault(datagram, problem);
    }
    pending.datagramSizes.push_back(datagram.bytes.size());
    for (std::size_t offset = 0; offset < datagram.bytes.size(); offset += 2)
        pending.values.push_back(ByteOrder::LoadLittleEndian16(&datagram.bytes[offset]));
    return std::nullopt;
}

AnalogueEvent AnalogueFrameAssembler::Finish(const DataRecord& datagram,
                                             const AnalogueFrameRecord& record)
{
    PendingFrame pending;
    if (auto found = pending_.find(SenderKey(datagram.sender, datagram.senderPort));
        found != pending_.end())
    {
        pending = std::move(found->second);
        pending_.erase(found);
    }
    if (pending.faulted)
        return FrameFault(datagram, record, "frame dropped: an earlier datagram of it is faulty");
    if (std::string mismatch = MismatchOf(record, pending.values); !mismatch.empty())
        return FrameFault(datagram, record, std::move(mismatch));
    AnalogueFrame frame;
    frame.record = record;
    frame.values = std::move(pending.values);
    frame.datagramSizes = std::move(pending.datagramSizes);
    frame.sender = datagram.sender;
    frame.senderPort = datagram.senderPort;
    frame.arrival = datagram.arrival;
    return frame;
}
} // namespace HalProbe
