#include "tools/halprobe/DataRecord.h"

#include "net/ByteOrder.h"

namespace HalProbe
{
namespace
{
constexpr std::size_t kTypeAndLength = 4;
constexpr std::size_t kHeaderEnd = 12;

DeviceRecordHeader DecodeHeader(const std::uint8_t* bytes)
{
    return {ByteOrder::LoadLittleEndian16(bytes + 4), ByteOrder::LoadLittleEndian16(bytes + 6),
            ByteOrder::LoadLittleEndian32(bytes + 8)};
}
} // namespace

DataRecord DataRecord::Decode(Datagram datagram)
{
    DataRecord record;
    record.sender = datagram.sender;
    record.arrival = datagram.arrival;
    record.senderPort = datagram.senderPort;
    record.bytes = std::move(datagram.bytes);
    if (record.bytes.size() < kTypeAndLength)
        return record;
    record.type = ByteOrder::LoadLittleEndian16(record.bytes.data());
    record.length = ByteOrder::LoadLittleEndian16(record.bytes.data() + 2);
    if (record.bytes.size() >= kHeaderEnd)
        record.header = DecodeHeader(record.bytes.data());
    record.body = DecodeRecordBody(record.bytes, record.problem);
    return record;
}
} // namespace HalProbe
