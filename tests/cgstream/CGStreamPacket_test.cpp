#include "cgstream/CGStreamPacket.h"

#include <gtest/gtest.h>

using namespace SarnetCGStream;

namespace
{
// Payload bytes of hand-made items, so the tests do not depend on the writer.
class ItemBytes
{
public:
    ItemBytes& Item(std::uint32_t type, std::vector<std::uint8_t> payload)
    {
        return Item(type, static_cast<std::uint32_t>(payload.size()), payload);
    }
    ItemBytes& Item(std::uint32_t type, std::uint32_t claimedLength,
                    const std::vector<std::uint8_t>& payload)
    {
        VPayloadWriter writer(bytes_);
        writer.WriteU32(type);
        writer.WriteU32(claimedLength);
        bytes_.insert(bytes_.end(), payload.begin(), payload.end());
        return *this;
    }
    bool Parse(VParsedPacket& packet) const
    {
        return ParsePacket(bytes_.data(), bytes_.size(), packet);
    }

private:
    std::vector<std::uint8_t> bytes_;
};

std::vector<std::uint8_t> U32(std::uint32_t value)
{
    std::vector<std::uint8_t> bytes;
    VPayloadWriter(bytes).WriteU32(value);
    return bytes;
}
} // namespace

TEST(CGStreamPacketTest, UnknownItemsAreSkippedByTheirLength)
{
    VParsedPacket packet;
    ASSERT_TRUE(ItemBytes()
                    .Item(kFrameInfo, U32(7))
                    .Item(424242, {1, 2, 3, 4, 5, 6, 7, 8, 9})
                    .Item(kFrameInfo, U32(8))
                    .Parse(packet));
    EXPECT_EQ(packet.frame->frameNumber, 8u);
}

TEST(CGStreamPacketTest, ARecordLongerThanItsReaderResumesAfterItsWholeLength)
{
    VParsedPacket packet;
    ASSERT_TRUE(ItemBytes()
                    .Item(kFrameInfo, {0x2A, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF})
                    .Item(kStreamInfo, {9, 0, 0, 0, 0, 0, 0, 0})
                    .Parse(packet));
    EXPECT_EQ(packet.frame->frameNumber, 42u);
    EXPECT_EQ(packet.streamInfo->value, 9u);
}

TEST(CGStreamPacketTest, RecordsGoToTheBundleOfTheirKind)
{
    VParsedPacket packet;
    ASSERT_TRUE(ItemBytes()
                    .Item(kSubjectInfo, {1})
                    .Item(kCentroids, {2})
                    .Item(kEyeTrackerInfo, {})
                    .Item(kHardwareFrameInfo, {})
                    .Item(kContents, {5, 6})
                    .Parse(packet));
    EXPECT_EQ(packet.streamInfo->otherRecords, (std::vector<std::uint32_t>{2, 33}));
    EXPECT_EQ(packet.frame->otherRecords, (std::vector<std::uint32_t>{16, 36}));
    ASSERT_TRUE(packet.contents);
    EXPECT_EQ(packet.contents->payload, (std::vector<std::uint8_t>{5, 6}));
}

TEST(CGStreamPacketTest, TruncatedOrLyingItemsAreRefused)
{
    VParsedPacket packet;
    EXPECT_FALSE(ItemBytes().Item(kFrameInfo, {1, 2}).Parse(packet)) << "short frame number";
    EXPECT_FALSE(ItemBytes().Item(kFrameInfo, 9, U32(1)).Parse(packet)) << "beyond the packet";
    EXPECT_FALSE(ItemBytes().Item(77, 0xFFFFFFFF, {}).Parse(packet)) << "4 GiB item";
    EXPECT_FALSE(ItemBytes().Item(kTimecode, std::vector<std::uint8_t>(14)).Parse(packet));
    EXPECT_FALSE(ItemBytes().Item(kObjectEnums, U32(0xFFFFFFFF)).Parse(packet))
        << "a count beyond the payload is refused before anything is read";
    const std::uint8_t halfHeader[] = {5, 0, 0, 0, 4, 0};
    EXPECT_FALSE(ParsePacket(halfHeader, sizeof halfHeader, packet));
}

TEST(CGStreamPacketTest, BuiltPacketsReadBackWithTheirHeader)
{
    VTimecode timecode;
    timecode.hours = 10;
    timecode.subFrame = 2;
    timecode.userBits = 0xA1B2C3D4;
    timecode.fieldFlag = 1;
    VFrameInfo frame;
    frame.frameNumber = 100004;
    VPacketBuilder builder;
    builder.Add(frame);
    builder.Add(timecode);
    const std::vector<std::uint8_t> bytes = builder.Finish();

    const VPacketHeader header = DecodeHeader(bytes.data());
    EXPECT_EQ(header.magic, kMagic);
    ASSERT_EQ(header.payloadLength, bytes.size() - kHeaderSize);
    VParsedPacket packet;
    ASSERT_TRUE(ParsePacket(bytes.data() + kHeaderSize, header.payloadLength, packet));
    EXPECT_EQ(packet.frame->frameNumber, 100004u);
    ASSERT_TRUE(packet.frame->timecode);
    EXPECT_EQ(packet.frame->timecode->hours, 10);
    EXPECT_EQ(packet.frame->timecode->subFrame, 2);
    EXPECT_EQ(packet.frame->timecode->userBits, 0xA1B2C3D4u);
    EXPECT_EQ(packet.frame->timecode->fieldFlag, 1);
}
