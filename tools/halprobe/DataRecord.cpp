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

// Status records are decoded only when whole: the datagram and the stated length both
// cover all 24 bytes.
bool IsWholeStatusRecord(const DataRecord& record)
{
    return record.bytes.size() >= DataRecord::kStatusLength &&
           record.length == DataRecord::kStatusLength;
}

void DecodeStatusBody(DataRecord& record)
{
    const std::uint8_t* bytes = record.bytes.data();
    if (record.type == DataRecord::kPortInformationType)
        record.body = PortInformation{ByteOrder::LoadLittleEndian16(bytes + 12),
                                      ByteOrder::LoadLittleEndian16(bytes + 14)};
    else if (record.type == DataRecord::kSyncStatusType)
        record.body = SyncStatus{ByteOrder::LoadLittleEndian32(bytes + 12)};
}
} // namespace

DataRecord DataRecord::Decode(Datagram datagram)
{
    DataRecord record;
    record.sender = datagram.sender;
    record.arrival = datagram.arrival;
    record.bytes = std::move(datagram.bytes);
    if (record.bytes.size() < kTypeAndLength)
        return record;
    record.type = ByteOrder::LoadLittleEndian16(record.bytes.data());
    record.length = ByteOrder::LoadLittleEndian16(record.bytes.data() + 2);
    if (record.bytes.size() >= kHeaderEnd)
        record.header = DecodeHeader(record.bytes.data());
    if (IsWholeStatusRecord(record))
        DecodeStatusBody(record);
    return record;
}
} // namespace HalProbe
