// The timecode record and the timecode status record, byte by byte.

#include "devices/netbox/TimecodePackets.h"
#include "tests/devices/netbox/TimecodeTestValues.h"

#include <gtest/gtest.h>
#include <vector>

using namespace TimecodePackets;

namespace
{
template <std::size_t N> std::vector<std::uint8_t> Bytes(const std::array<std::uint8_t, N>& a)
{
    return {a.begin(), a.end()};
}

VTimecodeValue Timecode(ETimecodeStandard standard)
{
    VTimecodeValue value = BriselTest::TimecodeAt(standard, 23, 59, 8, 27);
    value.userValue = 0x04030201;
    return value;
}
} // namespace

TEST(TimecodePacketsTest, RecordCarriesTheTimecodeInBcd)
{
    const Record record = EncodeRecord(Timecode(ETimecodeStandard::Timecode30Drop), {4, 3},
                                       0x02000003, 0x11223344, 7);
    const std::vector<std::uint8_t> expected = {
        0x03, 0xC0, 0x28, 0x00, 0x02, 0x00, 0x00, 0x00, // type, length, 2, 0
        0x03, 0x00, 0x00, 0x02, 0x44, 0x33, 0x22, 0x11, // DeviceID, current frame
        0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // previous frame, 0
        0x23, 0x59, 0x08, 0x27, 0x03, 0x80, 0x04, 0x20, // BCD time, h with bit 15, g | code
        0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0x00, 0x00, // user value, 0
    };
    EXPECT_EQ(Bytes(record), expected);
}

TEST(TimecodePacketsTest, StatusNamesEachStandard)
{
    const std::uint32_t words[] = {0x214F0000, 0x214F0000, 0x211F0000,
                                   0x212F0000, 0x212F0000, 0x213F0000};
    for (std::int32_t standard = 0; standard < 6; ++standard)
    {
        const std::optional<StatusRecord> status =
            EncodeStatus(ETimecodeStandard(standard), 0xBEEF, 0x02000001);
        ASSERT_TRUE(status) << standard;
        const std::uint32_t word = words[standard];
        const std::vector<std::uint8_t> expected = {0x05,
                                                    0x00,
                                                    0x20,
                                                    0x00,
                                                    0x01,
                                                    0x00,
                                                    0xEF,
                                                    0xBE,
                                                    0x01,
                                                    0x00,
                                                    0x00,
                                                    0x02,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0x01,
                                                    0x00,
                                                    0x00,
                                                    0x00,
                                                    std::uint8_t(word),
                                                    std::uint8_t(word >> 8),
                                                    std::uint8_t(word >> 16),
                                                    std::uint8_t(word >> 24)};
        EXPECT_EQ(Bytes(*status), expected) << standard;
    }
    EXPECT_FALSE(EncodeStatus(ETimecodeStandard::TimecodeNone, 1, 1));
    EXPECT_FALSE(EncodeStatus(ETimecodeStandard(6), 1, 1));
}
