#include "devices/netbox/AnalogueStream.h"

#include "net/AsioUdpSocket.h"
#include "net/ByteOrder.h"

#include <algorithm>

namespace
{
using ByteOrder::StoreLittleEndian16;
using ByteOrder::StoreLittleEndian32;

constexpr std::uint16_t kFrameRecordType = 0xC005;
constexpr std::uint16_t kRecordVersion = 1;
} // namespace

void WriteAnalogueFrameRecord(std::uint8_t* out, const VAnalogueFrameRecord& record)
{
    StoreLittleEndian16(out, kFrameRecordType);
    StoreLittleEndian16(out + 2, std::uint16_t(kAnalogueFrameRecordSize));
    StoreLittleEndian16(out + 4, kRecordVersion);
    StoreLittleEndian16(out + 6, record.slot);
    StoreLittleEndian32(out + 8, record.deviceId);
    StoreLittleEndian32(out + 12, record.currentFrame);
    StoreLittleEndian32(out + 16, record.previousFrame);
    StoreLittleEndian32(out + 20, record.runningTotal);
    StoreLittleEndian16(out + 24, record.samplesPerChannel);
    StoreLittleEndian16(out + 26, record.channelCount);
    StoreLittleEndian32(out + 28, std::uint32_t(record.channelMask));
    StoreLittleEndian32(out + 32, std::uint32_t(record.channelMask >> 32));
    StoreLittleEndian32(out + 36, record.sampleBytes);
    StoreLittleEndian32(out + 40, 0);
}

VAnalogueStream::VAnalogueStream(VAsioUdpSocket& socket) : socket_(socket) {}

std::uint32_t VAnalogueStream::Send(const std::vector<std::uint16_t>& values,
                                    VAnalogueFrameRecord record)
{
    record.sampleBytes = SendValues(values);
    std::uint8_t bytes[kAnalogueFrameRecordSize];
    WriteAnalogueFrameRecord(bytes, record);
    socket_.Send(bytes, sizeof(bytes));
    return record.sampleBytes + std::uint32_t(kAnalogueFrameRecordSize);
}

std::uint32_t VAnalogueStream::SendValues(const std::vector<std::uint16_t>& values)
{
    for (std::size_t first = 0; first < values.size(); first += kAnalogueValuesPerDatagram)
    {
        const std::size_t count = std::min(kAnalogueValuesPerDatagram, values.size() - first);
        for (std::size_t i = 0; i < count; ++i)
            StoreLittleEndian16(datagram_.data() + 2 * i, values[first + i]);
        socket_.Send(datagram_.data(), 2 * count);
    }
    return std::uint32_t(2 * values.size());
}
