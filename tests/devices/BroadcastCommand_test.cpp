#include "devices/BroadcastCommand.h"
#include "tests/support/UdpTestSocket.h"

#include <gtest/gtest.h>

using BriselTest::BigEndianWords;

namespace
{
std::string LogOf(const std::vector<std::uint32_t>& words)
{
    const std::vector<std::uint8_t> bytes = BigEndianWords(words);
    return BroadcastCommand::DescribeForLog(bytes.data(), bytes.size());
}
} // namespace

TEST(BroadcastCommand, EveryKnownCodeHasItsLogLine)
{
    EXPECT_EQ(LogOf({0x00010001, 0xFFFFFFFE}),
              "Received broadcast command: 00010001 (BROADCAST_CMD_SYNC, frame = -2)\n");
    EXPECT_EQ(LogOf({0x00020001, 0xFFFFFFFF}),
              "Received broadcast command: 00020001 (BROADCAST_CMD_RESET, device = -1)\n");
    EXPECT_EQ(LogOf({0x00030005, 7, 1, 59, 940, 0}),
              "Received broadcast command: 00030005 (BROADCAST_CMD_MASTER, device = 7)\n");
    EXPECT_EQ(LogOf({0x00040006, 111, 222}),
              "Received broadcast command: 00040006 (BROADCAST_CMD_AWAKE, device = 222)\n");
    EXPECT_EQ(LogOf({0x00050002, 5, 1}),
              "Received broadcast command: 00050002 (BROADCAST_CMD_PREVIEW, device = 5)\n");
    EXPECT_EQ(LogOf({0x00060007, 111, 333}),
              "Received broadcast command: 00060007 (BROADCAST_CMD_ALIVE_PING, device = 333)\n");
    EXPECT_EQ(LogOf({0x00070001, 1000}),
              "Received broadcast command: 00070001 (BROADCAST_CMD_FRAME_NUMBER, frame = 1000)\n");
    EXPECT_EQ(LogOf({0x00080001, 1}), "Received broadcast command: 00080001 "
                                      "(BROADCAST_CMD_DATA_DISABLE, flags = 0x00000001)\n");
    EXPECT_EQ(LogOf({0x00090001, 0xABCDEF}),
              "Received broadcast command: 00090001 "
              "(BROADCAST_CMD_STROBE_DISABLE, flags = 0x00ABCDEF)\n");
    EXPECT_EQ(LogOf({0x000A0001}),
              "Received broadcast command: 000A0001 (BROADCAST_CMD_TEST_SYNC)\n");
    EXPECT_EQ(LogOf({0x000B0001, 0x1F}), "Received broadcast command: 000B0001 "
                                         "(BROADCAST_CMD_SYSTEM_EVENT, type = 0x0000001F)\n");
}

TEST(BroadcastCommand, UnknownCodesAreLoggedAsSuchEvenInAKnownFamily)
{
    EXPECT_EQ(LogOf({0x00010002, 5}), "Received broadcast command: 00010002 (unknown)\n");
    EXPECT_EQ(LogOf({0xDEADBEEF}), "Received broadcast command: DEADBEEF (unknown)\n");
    EXPECT_EQ(BroadcastCommand::FamilyOf(0x00010002), 0x00010000u);
}

TEST(BroadcastCommand, ShortDatagramsAreLoggedWithoutReadingPastTheirEnd)
{
    // Exactly sized copies, so AddressSanitizer sees any read past the end.
    const std::vector<std::uint8_t> empty;
    EXPECT_EQ(BroadcastCommand::DescribeForLog(empty.data(), 0),
              "Received broadcast datagram too short for a command: 0 bytes\n");
    const std::vector<std::uint8_t> threeBytes{0, 1, 0};
    EXPECT_EQ(BroadcastCommand::DescribeForLog(threeBytes.data(), threeBytes.size()),
              "Received broadcast datagram too short for a command: 3 bytes\n");
    EXPECT_EQ(LogOf({0x00010001}),
              "Received broadcast command: 00010001 (BROADCAST_CMD_SYNC, too short: 4 bytes)\n");
    EXPECT_EQ(LogOf({0x00040006, 1}),
              "Received broadcast command: 00040006 (BROADCAST_CMD_AWAKE, too short: 8 bytes)\n");
    std::vector<std::uint8_t> sevenBytes = BigEndianWords({0x00080001, 0});
    sevenBytes.pop_back();
    EXPECT_EQ(BroadcastCommand::DescribeForLog(sevenBytes.data(), sevenBytes.size()),
              "Received broadcast command: 00080001 (BROADCAST_CMD_DATA_DISABLE, too short: 7 "
              "bytes)\n");
}
