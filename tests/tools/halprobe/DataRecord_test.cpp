#include "net/ByteOrder.h"
#include "tests/support/UdpTestSocket.h"
#include "tools/halprobe/DataPortListener.h"
#include "tools/halprobe/RecordText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace HalProbe;
using testing::HasSubstr;
using namespace std::chrono_literals;

namespace
{
// Port information of device 0x02000006 at Port 13 under session tag 7, byte for byte.
const std::vector<std::uint8_t> kPortInformation = {0x02, 0x00, 0x18, 0x00, 0x01, 0x00, 0x07, 0x00,
                                                    0x06, 0x00, 0x00, 0x02, 0x05, 0x00, 0x01, 0x00,
                                                    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

std::vector<std::uint8_t> StatusRecord(std::uint16_t type, std::uint16_t length, std::uint32_t word)
{
    std::vector<std::uint8_t> bytes(24);
    ByteOrder::StoreLittleEndian16(&bytes[0], type);
    ByteOrder::StoreLittleEndian16(&bytes[2], length);
    ByteOrder::StoreLittleEndian16(&bytes[4], 1);
    ByteOrder::StoreLittleEndian16(&bytes[6], 0xBEEF);
    ByteOrder::StoreLittleEndian32(&bytes[8], 0x00ABCDEF);
    ByteOrder::StoreLittleEndian32(&bytes[12], word);
    return bytes;
}

DataRecord Decode(std::vector<std::uint8_t> bytes)
{
    return DataRecord::Decode({std::move(bytes), 0, {}});
}

std::vector<std::uint8_t> Resized(std::vector<std::uint8_t> bytes, std::size_t size)
{
    bytes.resize(size);
    return bytes;
}
} // namespace

TEST(DataRecord, PortInformationGivesThePortInTwoHalves)
{
    const DataRecord record = Decode(kPortInformation);
    EXPECT_EQ(record.type, 2);
    EXPECT_EQ(record.length, 24);
    ASSERT_TRUE(record.header);
    EXPECT_EQ(record.header->version, 1);
    EXPECT_EQ(record.header->tag, 7);
    EXPECT_EQ(record.header->deviceId, 0x02000006u);
    const auto* information = std::get_if<PortInformation>(&record.body);
    ASSERT_TRUE(information);
    EXPECT_EQ(information->portModEight, 5);
    EXPECT_EQ(information->portDivEight, 1);
    EXPECT_EQ(information->Port(), 13u);
}

TEST(DataRecord, SyncStatusFlagsTellSynchronisedAndMaster)
{
    const struct
    {
        std::uint32_t flags;
        bool synchronised;
        bool master;
        const char* text;
    } cases[] = {{0, false, false, "flags 0x00000000 (free-running)"},
                 {1, true, false, "flags 0x00000001 (synchronised)"},
                 {3, true, true, "flags 0x00000003 (synchronised, master)"}};
    for (const auto& expected : cases)
    {
        const DataRecord record = Decode(StatusRecord(3, 24, expected.flags));
        const auto* status = std::get_if<SyncStatus>(&record.body);
        ASSERT_TRUE(status) << expected.flags;
        EXPECT_EQ(status->IsSynchronised(), expected.synchronised);
        EXPECT_EQ(status->IsMaster(), expected.master);
        EXPECT_EQ(record.header->tag, 0xBEEF);
        EXPECT_THAT(DataRecordText(record), HasSubstr(expected.text));
    }
}

TEST(DataRecord, ShortOrUnknownRecordsStayRawAndAreNeverReadPastTheirEnd)
{
    for (std::size_t size : {0, 1, 3})
    {
        const DataRecord record = Decode(Resized(kPortInformation, size));
        EXPECT_EQ(record.type, 0) << size;
        EXPECT_FALSE(record.header) << size;
        EXPECT_THAT(DataRecordText(record), HasSubstr("too short")) << size;
    }
    for (std::size_t size : {4, 11, 12, 16, 23})
    {
        const DataRecord record = Decode(Resized(kPortInformation, size));
        EXPECT_EQ(record.type, 2) << size;
        EXPECT_EQ(record.header.has_value(), size >= 12) << size;
        EXPECT_TRUE(std::holds_alternative<std::monostate>(record.body)) << size;
    }
    const DataRecord wrongLength = Decode(StatusRecord(3, 20, 3));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(wrongLength.body));
    const DataRecord other = Decode(Resized(StatusRecord(0x0105, 40, 3), 40));
    EXPECT_EQ(other.type, 0x0105);
    EXPECT_EQ(other.length, 40);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(other.body));
    EXPECT_EQ(other.bytes.size(), 40u);
    EXPECT_THAT(DataRecordText(other), HasSubstr(": 05 01 28 00 01 00 EF BE"));
}

TEST(DataPortListener, ReceivesAndDecodesOnTheGivenPort)
{
    DataPortListener listener("127.0.0.2", 5000);
    BriselTest::UdpTestSocket("127.0.0.1").SendTo("127.0.0.2", 5000, StatusRecord(3, 24, 2));
    const std::optional<DataRecord> record = listener.Receive(2s);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->sender, 0x7F000001u);
    ASSERT_TRUE(std::holds_alternative<SyncStatus>(record->body));
    EXPECT_TRUE(std::get<SyncStatus>(record->body).IsMaster());
    EXPECT_FALSE(listener.Receive(20ms));
}
