#include "net/NetAddress.h"

#include <gtest/gtest.h>
#include <sstream>

namespace
{
VNetAddress Parsed(const std::string& text, bool strict = true)
{
    VNetAddress address(0xDEADBEEF);
    EXPECT_TRUE(ParseNetAddress(text, address, strict)) << text;
    return address;
}

void ExpectRejected(const std::string& text, bool strict = true)
{
    VNetAddress address(0xDEADBEEF);
    EXPECT_FALSE(ParseNetAddress(text, address, strict)) << text;
    EXPECT_EQ(address.Get(), 0xDEADBEEFu) << "a failed parse must not change the address";
}
} // namespace

TEST(NetAddress, ParsesDottedTextMostSignificantFirstAndPrintsItBack)
{
    const VNetAddress address = Parsed("192.168.1.2");
    EXPECT_EQ(address.Get(), 0xC0A80102u);
    EXPECT_EQ(ToString(address), "192.168.1.2");
    EXPECT_EQ(ToString(VNetAddress(0xFFFFFFFF)), "255.255.255.255");
    EXPECT_EQ(ToString(VNetAddress()), "0.0.0.0");
    EXPECT_EQ(address.GetNetworkOrder(), 0x0201A8C0u);
}

TEST(NetAddress, KeepsLowEightBitsAndAcceptsAnySeparator)
{
    EXPECT_EQ(Parsed("300.1.1.1").Get(), 0x2C010101u);
    EXPECT_EQ(Parsed("1-2-3-4").Get(), 0x01020304u);
    EXPECT_EQ(Parsed("1x2y3z4").Get(), 0x01020304u);
}

TEST(NetAddress, StrictParsingNeedsTheWholeText)
{
    ExpectRejected("1.2.3");
    ExpectRejected("");
    ExpectRejected("localhost");
    ExpectRejected("10.0.0.1x");
    ExpectRejected("10.0.0.1 ");
    ExpectRejected("1..2.3");
    EXPECT_EQ(Parsed("10.0.0.1x", false).Get(), 0x0A000001u);
    ExpectRejected("1.2.3", false);
}

TEST(NetAddress, StreamInputStopsAfterTheFourthNumber)
{
    std::istringstream in("10.1.2.3:8666");
    VNetAddress address;
    in >> address;
    ASSERT_TRUE(in);
    EXPECT_EQ(address.Get(), 0x0A010203u);
    EXPECT_EQ(in.get(), ':');
}

TEST(NetAddress, NullAndNumericOrdering)
{
    EXPECT_TRUE(VNetAddress().IsNull());
    EXPECT_FALSE(Parsed("0.0.0.1").IsNull());
    const VNetAddress low = Parsed("10.0.0.2");
    const VNetAddress high = Parsed("10.0.0.10");
    EXPECT_LT(low, high);
    EXPECT_GT(high, low);
    EXPECT_NE(low, high);
    EXPECT_EQ(low, Parsed("10.0.0.2"));
    EXPECT_LT(Parsed("127.255.255.255"), Parsed("128.0.0.0")) << "comparison must be unsigned";
    EXPECT_GT(Parsed("200.0.0.0"), Parsed("100.0.0.0"));
}
