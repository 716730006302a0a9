#include "errorreporter/ByteWriter.h"
#include "errorreporter/CommandLine.h"
#include "errorreporter/Incident.h"
#include "errorreporter/ProcessMemory.h"

#include <gtest/gtest.h>

using namespace QeltErrorReporting;

TEST(ReporterCommandLine, NumbersAreWholeDecimalOrHexadecimalTexts)
{
    EXPECT_EQ(ParseNumber("4711"), 4711u);
    EXPECT_EQ(ParseNumber("0x7ffe12345678"), 0x7ffe12345678u);
    EXPECT_EQ(ParseNumber("0XfF"), 255u);
    EXPECT_EQ(ParseNumber("18446744073709551615"), UINT64_MAX);
    for (const char* bad : {"", "0x", "12a", "-5", " 12", "0x1g", "18446744073709551616"})
        EXPECT_FALSE(ParseNumber(bad)) << bad;
}

TEST(ReporterCommandLine, OnlyOneSelectsTheSecondBranding)
{
    EXPECT_EQ(ParseBranding("1"), Branding::Sarnet);
    EXPECT_EQ(ParseBranding("0x1"), Branding::Sarnet);
    for (const char* other : {"0", "2", "Sarnet", "", "-1", "4294967297"})
        EXPECT_EQ(ParseBranding(other), Branding::Qelt) << other;
    EXPECT_STREQ(BrandingName(Branding::Qelt), "Qelt");
    EXPECT_STREQ(BrandingName(Branding::Sarnet), "Sarnet");
}

TEST(ReporterCommandLine, BatchModeNeedsExactlyTheFlagInPositionFive)
{
    char* exact[] = {(char*)"r", (char*)"1", (char*)"2", (char*)"3", (char*)"0", (char*)"--batch"};
    char* capital[] = {(char*)"r", (char*)"1", (char*)"2",
                       (char*)"3", (char*)"0", (char*)"--Batch"};
    EXPECT_TRUE(IsBatch(6, exact));
    EXPECT_FALSE(IsBatch(6, capital));
    EXPECT_FALSE(IsBatch(5, exact));
}

TEST(ReporterIncident, IncidentIDCarriesTheModuleAndTheLocalTime)
{
    std::tm when = {};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 0;
    when.tm_mday = 7;
    when.tm_hour = 3;
    when.tm_min = 4;
    when.tm_sec = 5;
    EXPECT_EQ(MakeIncidentID("briselCL", when), "briselCL-20260107-030405");
}

TEST(ReporterIncident, SystemDescriptionNamesSystemArchitectureReleaseAndRange)
{
    EXPECT_EQ(FormatSystemDescription("Debian GNU/Linux 12 (bookworm)", "6.1.0-9-amd64",
                                      (std::uint64_t(1) << 47) - 65536 - 4097),
              "Debian GNU/Linux 12 (bookworm) x64 6.1.0-9-amd64, 131072.0 GB available");
    EXPECT_EQ(FormatSystemDescription("S", "R", 3ull << 29), "S x64 R, 1.5 GB available");
    EXPECT_EQ(FormatSystemDescription(std::string(300, 'n'), "R", 0).size(), 260u);
    const std::string here = DescribeSystem();
    EXPECT_NE(here.find(" x64 "), std::string::npos) << here;
    EXPECT_NE(here.find(" GB available"), std::string::npos) << here;
}

TEST(ReporterText, Utf8BecomesUtf16WithSurrogatesAndReplacements)
{
    EXPECT_EQ(ToUtf16("Grüße"), u"Grüße");
    EXPECT_EQ(ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(ToUtf16("a\xC3"), u"a\uFFFD");
    EXPECT_EQ(ToUtf16("\xED\xA0\x80x"), u"\uFFFDx");

    ByteWriter writer;
    writer.CountedString(u"ab");
    EXPECT_EQ(writer.Data(), (std::vector<std::uint8_t>{4, 0, 0, 0, 'a', 0, 'b', 0, 0, 0}));
}

TEST(ReporterMappings, MapsLinesGiveRangeReadabilityOffsetAndPath)
{
    MemoryMapping mapping;
    ASSERT_TRUE(ParseMappingLine(
        "7f0000001000-7f0000003000 r-xp 00002000 08:01 1234   /usr/lib/lib x.so", mapping));
    EXPECT_EQ(mapping.start, 0x7f0000001000u);
    EXPECT_EQ(mapping.end, 0x7f0000003000u);
    EXPECT_TRUE(mapping.readable);
    EXPECT_EQ(mapping.fileOffset, 0x2000u);
    EXPECT_EQ(mapping.path, "/usr/lib/lib x.so");
    ASSERT_TRUE(ParseMappingLine("1000-2000 ---p 00000000 00:00 0", mapping));
    EXPECT_FALSE(mapping.readable);
    EXPECT_EQ(mapping.path, "");
    EXPECT_FALSE(ParseMappingLine("garbage", mapping));
}
