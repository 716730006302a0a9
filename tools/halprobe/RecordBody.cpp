#include "tools/halprobe/RecordBody.h"

#include "tools/halprobe/TextFormat.h"
#include "tools/halprobe/WireReader.h"

#include <optional>

namespace HalProbe
{
namespace
{
// Records a bad field of the record; only the first one is reported.
void Expect(std::uint32_t value, std::uint32_t expected, const char* field, std::string& problem)
{
    if (value != expected && problem.empty())
        problem = Format("%s is %u, not %u", field, value, expected);
}

void ExpectZeros(WireReader& reader, std::size_t count, std::string& problem)
{
    const std::size_t start = reader.Offset();
    for (std::uint8_t byte : reader.Bytes(count))
        if (byte != 0 && problem.empty())
            problem = Format("reserved bytes %zu-%zu are not zero", start, start + count - 1);
}

std::optional<unsigned> FromBcd(std::uint8_t packed)
{
    const unsigned tens = packed >> 4;
    const unsigned ones = packed & 0x0Fu;
    if (tens > 9 || ones > 9)
        return std::nullopt;
    return tens * 10 + ones;
}

unsigned ReadBcd(WireReader& reader, const char* field, std::string& problem)
{
    const std::uint8_t packed = reader.Bytes(1).at(0);
    const std::optional<unsigned> value = FromBcd(packed);
    if (!value && problem.empty())
        problem = Format("%s 0x%02X is not packed BCD", field, packed);
    return value.value_or(0);
}

// Each decoder starts at offset 6, after type, length and version.
RecordBody DecodePortInformation(WireReader& reader, std::string& problem)
{
    reader.Bytes(6); // tag and DeviceID, kept in the record's header
    PortInformation information;
    information.portModEight = reader.Uint16();
    information.portDivEight = reader.Uint16();
    ExpectZeros(reader, 8, problem);
    return information;
}

RecordBody DecodeSyncStatus(WireReader& reader, std::string& problem)
{
    reader.Bytes(6);
    const SyncStatus status{reader.Uint32()};
    ExpectZeros(reader, 8, problem);
    return status;
}

RecordBody DecodeGpi(WireReader& reader, std::string& problem)
{
    reader.Bytes(6);
    GpiRecord record;
    record.frameNumber = reader.Uint32();
    record.states = reader.Uint16();
    record.changed = reader.Uint16();
    ExpectZeros(reader, 8, problem);
    return record;
}

RecordBody DecodeTimecodeStatus(WireReader& reader, std::string& problem)
{
    reader.Bytes(6);
    ExpectZeros(reader, 12, problem);
    Expect(reader.Uint32(), 1, "word at 24", problem);
    return TimecodeStatus{reader.Uint32()};
}

RecordBody DecodeTimecode(WireReader& reader, std::string& problem)
{
    Expect(reader.Uint16(), 0, "word at 6", problem);
    TimecodeRecord record;
    record.deviceId = reader.Uint32();
    record.frameNumber = reader.Uint32();
    record.previousFrameNumber = reader.Uint32();
    Expect(reader.Uint32(), 0, "word at 20", problem);
    record.hours = ReadBcd(reader, "hours", problem);
    record.minutes = ReadBcd(reader, "minutes", problem);
    record.seconds = ReadBcd(reader, "seconds", problem);
    record.frames = ReadBcd(reader, "frames", problem);
    const std::uint16_t subframe = reader.Uint16();
    record.subframe = subframe & 0x7FFFu;
    record.pastHalf = subframe & 0x8000u;
    const std::uint16_t rate = reader.Uint16();
    record.systemFramesPerFrame = rate & 0x0FFFu;
    record.rateCode = rate & 0xF000u;
    record.userValue = reader.Uint32();
    Expect(reader.Uint32(), 0, "word at 36", problem);
    return record;
}

RecordBody DecodeAnalogueFrame(WireReader& reader, std::string& problem)
{
    AnalogueFrameRecord record;
    record.slot = reader.Uint16();
    record.deviceId = reader.Uint32();
    record.frameNumber = reader.Uint32();
    record.previousFrameNumber = reader.Uint32();
    record.runningTotal = reader.Uint32();
    record.samplesPerChannel = reader.Uint16();
    record.channelCount = reader.Uint16();
    record.channelMask = reader.Uint32();
    record.channelMask |= std::uint64_t(reader.Uint32()) << 32;
    record.sampleBytes = reader.Uint32();
    Expect(reader.Uint32(), 0, "word at 40", problem);
    return record;
}

struct RecordLayout
{
    std::uint16_t type;
    std::uint16_t length;
    std::uint16_t version;
    const char* name;
    RecordBody (*decode)(WireReader&, std::string&);
};

const RecordLayout kLayouts[] = {
    {RecordType::kPortInformation, 24, 1, "port information", DecodePortInformation},
    {RecordType::kSyncStatus, 24, 1, "sync status", DecodeSyncStatus},
    {RecordType::kGpi, 28, 1, "GPI", DecodeGpi},
    {RecordType::kTimecodeStatus, 32, 1, "timecode status", DecodeTimecodeStatus},
    {RecordType::kTimecode, 40, 2, "timecode", DecodeTimecode},
    {RecordType::kAnalogueFrame, 44, 1, "analogue frame", DecodeAnalogueFrame},
};

const RecordLayout* FindLayout(std::uint16_t type)
{
    for (const RecordLayout& layout : kLayouts)
        if (layout.type == type)
            return &layout;
    return nullptr;
}

// Why `bytes` cannot be a whole record of `layout`, or nothing.
std::string ShapeProblem(const RecordLayout& layout, const std::vector<std::uint8_t>& bytes,
                         std::uint16_t statedLength)
{
    if (statedLength != layout.length)
        return Format("%s record states length %u, not %u", layout.name, statedLength,
                      layout.length);
    if (bytes.size() != layout.length)
        return Format("%s record in %zu bytes, not %u", layout.name, bytes.size(), layout.length);
    return "";
}
} // namespace

std::vector<unsigned> AnalogueFrameRecord::Channels() const
{
    std::vector<unsigned> channels;
    for (unsigned channel = 0; channel < 64; ++channel)
        if ((channelMask >> channel) & 1u)
            channels.push_back(channel);
    return channels;
}

std::uint16_t KnownRecordLength(std::uint16_t type)
{
    const RecordLayout* layout = FindLayout(type);
    return layout ? layout->length : 0;
}

RecordBody DecodeRecordBody(const std::vector<std::uint8_t>& bytes, std::string& problem)
{
    WireReader reader(bytes);
    const RecordLayout* layout = FindLayout(reader.Uint16());
    const std::uint16_t statedLength = reader.Uint16();
    if (!layout || reader.Failed())
        return {};
    problem = ShapeProblem(*layout, bytes, statedLength);
    if (!problem.empty())
        return {};
    Expect(reader.Uint16(), layout->version, "version", problem);
    RecordBody body = layout->decode(reader, problem);
    if (!problem.empty())
    {
        problem = std::string(layout->name) + " record: " + problem;
        return {};
    }
    return body;
}
} // namespace HalProbe
