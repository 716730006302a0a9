#include "cgstream/CGRequestState.h"
#include "cgstream/CGStreamPacket.h"

#include <gtest/gtest.h>

using namespace SarnetCGStream;

namespace
{
VParsedPacket Parse(const std::vector<std::uint8_t>& bytes)
{
    VParsedPacket packet;
    EXPECT_GE(bytes.size(), kHeaderSize);
    EXPECT_EQ(DecodeHeader(bytes.data()).magic, kMagic);
    EXPECT_TRUE(ParsePacket(bytes.data() + kHeaderSize, bytes.size() - kHeaderSize, packet));
    return packet;
}

std::set<std::uint32_t> RequestedAfterOffer(std::set<std::uint32_t> offered)
{
    VCGRequestState state;
    state.SetRequestedTypes({kStreamInfo, kFrameInfo});
    state.SetOfferedTypes(std::move(offered));
    const VParsedPacket request = Parse(state.TakeRequestPacket());
    EXPECT_TRUE(request.objectEnums);
    return request.objectEnums ? request.objectEnums->types : std::set<std::uint32_t>{};
}
} // namespace

TEST(CGRequestStateTest, AsksForTheRequestedTypesTheServerOffersAndAlwaysForContents)
{
    EXPECT_EQ(RequestedAfterOffer({1, 2, 5, 23, 100004}), (std::set<std::uint32_t>{1, 5, 100004}));
    EXPECT_EQ(RequestedAfterOffer({1, 2, 23}), (std::set<std::uint32_t>{1}));
}

TEST(CGRequestStateTest, EveryLaterAnswerPullsOneFrameAndNamesTypesOnlyAfterAChange)
{
    VCGRequestState state;
    state.SetRequestedTypes({kFrameInfo});
    state.SetOfferedTypes({kFrameInfo});
    state.TakeRequestPacket();

    for (int round = 0; round < 2; ++round)
    {
        const VParsedPacket pull = Parse(state.TakeRequestPacket());
        EXPECT_FALSE(pull.objectEnums);
        ASSERT_TRUE(pull.requestFrame);
        EXPECT_FALSE(pull.requestFrame->streaming);
    }
    state.SetRequestedTypes({kStreamInfo});
    const VParsedPacket changed = Parse(state.TakeRequestPacket());
    ASSERT_TRUE(changed.objectEnums);
    EXPECT_TRUE(changed.objectEnums->types.empty()) << "the server offers neither";
}
