#include "diagnostics/LogConfig.h"

#include <gtest/gtest.h>

using Qelt::ParseLogConfig;

TEST(LogConfigTest, UnconfiguredCategoriesGetLevelTwo)
{
    EXPECT_EQ(ParseLogConfig("").thresholds.LevelFor("X2DImport"), 2);
}

TEST(LogConfigTest, AppliesEveryValidEntry)
{
    const auto config = ParseLogConfig(" Event System = 5 ,UtilsIO=2,,*=4,\tUtilsIO=-1,");
    EXPECT_TRUE(config.malformed.empty());
    EXPECT_EQ(config.thresholds.LevelFor("Event System"), 5);
    EXPECT_EQ(config.thresholds.LevelFor("UtilsIO"), -1);
    EXPECT_EQ(config.thresholds.LevelFor("X2DImport"), 4);
    EXPECT_EQ(config.thresholds.levels.size(), 2u);
}

TEST(LogConfigTest, ReportsMalformedEntriesAndAppliesTheRest)
{
    const auto config = ParseLogConfig("A=4,NoEquals,B=x,=3,C=2x,D=,E=99999999999,F=1");
    EXPECT_EQ(config.thresholds.LevelFor("A"), 4);
    EXPECT_EQ(config.thresholds.LevelFor("F"), 1);
    EXPECT_EQ(config.thresholds.levels.size(), 2u);

    std::vector<std::string> reported;
    for (const auto& bad : config.malformed)
    {
        reported.push_back(bad.entry + ": " + bad.reason);
    }
    const std::vector<std::string> expected = {"NoEquals: missing '='",
                                               "B=x: level is not a whole number",
                                               "=3: no category name",
                                               "C=2x: level is not a whole number",
                                               "D=: level is not a whole number",
                                               "E=99999999999: level is not a whole number"};
    EXPECT_EQ(reported, expected);
}
