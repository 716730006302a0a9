#include "tools/halprobe/RecordText.h"

#include "tools/halprobe/BoxRecordText.h"
#include "tools/halprobe/SocketAddress.h"
#include "tools/halprobe/TextFormat.h"

namespace HalProbe
{
namespace
{
constexpr std::size_t kShownBytes = 32;

std::string HeaderText(const DataRecord& record)
{
    if (!record.header)
        return "";
    return ", device " + DeviceIdText(record.header->deviceId) + ", version " +
           std::to_string(record.header->version) + ", tag " + std::to_string(record.header->tag);
}

std::string BodyText(const PortInformation& information)
{
    return Format(" port information: Port %u (mod 8 = %u, div 8 = %u)", information.Port(),
                  information.portModEight, information.portDivEight);
}

std::string BodyText(const SyncStatus& status)
{
    return Format(" sync status: flags 0x%08X (%s%s)", status.flags,
                  status.IsSynchronised() ? "synchronised" : "free-running",
                  status.IsMaster() ? ", master" : "");
}

std::string BodyText(const GpiRecord& record)
{
    return " GPI: " + GpiText(record);
}

std::string BodyText(const TimecodeStatus& status)
{
    return " timecode status: " + TimecodeStatusText(status);
}

std::string BodyText(const TimecodeRecord& record)
{
    return ": " + TimecodeRecordText(record);
}

std::string BodyText(const AnalogueFrameRecord& record)
{
    return Format(" analogue frame: slot %u, frame %u (previous %u), total %u, %u samples x %u "
                  "channels (mask 0x%016llX), %u bytes",
                  record.slot, record.frameNumber, record.previousFrameNumber, record.runningTotal,
                  record.samplesPerChannel, record.channelCount,
                  static_cast<unsigned long long>(record.channelMask), record.sampleBytes);
}

std::string BodyText(const DataRecord& record)
{
    if (std::holds_alternative<std::monostate>(record.body))
        return ": " + (record.problem.empty() ? "" : record.problem + ": ") +
               HexBytes(record.bytes, kShownBytes);
    return std::visit(
        [](const auto& body)
        {
            if constexpr (std::is_same_v<std::decay_t<decltype(body)>, std::monostate>)
                return std::string();
            else
                return BodyText(body);
        },
        record.body);
}
} // namespace

std::string DeviceIdText(std::uint32_t deviceId)
{
    return Format("0x%08X (%u)", deviceId, deviceId);
}

std::string DeviceTableHeader()
{
    return Format("%-24s %-12s %-5s %-15s %s", "device ID", "class", "port", "local address",
                  "alive/s");
}

std::string DeviceLine(std::uint32_t deviceId, const DeviceSummary& device)
{
    const std::string port = device.port ? std::to_string(*device.port) : "-";
    return Format("%-24s %-12s %-5s %-15s %.1f", DeviceIdText(deviceId).c_str(),
                  DeviceClassName(device.deviceClass).c_str(), port.c_str(),
                  DottedAddress(device.localAddress).c_str(), device.AliveRate());
}

std::string DataRecordText(const DataRecord& record)
{
    if (record.bytes.size() < 4)
        return Format("%zu-byte datagram, too short for a record: ", record.bytes.size()) +
               HexBytes(record.bytes, kShownBytes);
    return Format("type %u, length %u, %zu bytes", record.type, record.length,
                  record.bytes.size()) +
           HeaderText(record) + BodyText(record);
}

std::string HexBytes(const std::vector<std::uint8_t>& bytes, std::size_t limit)
{
    std::string text;
    for (std::size_t index = 0; index < bytes.size() && index < limit; ++index)
        text += Format(index == 0 ? "%02X" : " %02X", bytes[index]);
    if (bytes.size() > limit)
        text += " ...";
    return text;
}
} // namespace HalProbe
