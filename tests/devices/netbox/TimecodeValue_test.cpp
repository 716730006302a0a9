// Timecode arithmetic: which values exist, counting them in ticks and back (drop-frame
// labels, day boundaries), and the start timecode of a recording in the box's terms.

#include "FileIO/X2DIO/Timecode.h"
#include "devices/netbox/TimecodeValue.h"
#include "tests/devices/netbox/TimecodeTestValues.h"

#include <gtest/gtest.h>

using BriselTest::TimecodeAt;
using namespace TimecodeRates;

namespace
{
constexpr ETimecodeStandard kAllStandards[] = {
    ETimecodeStandard::Timecode24,      ETimecodeStandard::Timecode24Drift,
    ETimecodeStandard::Timecode25,      ETimecodeStandard::Timecode30,
    ETimecodeStandard::Timecode30Drift, ETimecodeStandard::Timecode30Drop,
};

std::string Text(const VTimecodeValue& v)
{
    return std::to_string(v.days) + "d " + std::to_string(v.hours) + ":" +
           std::to_string(v.minutes) + ":" + std::to_string(v.seconds) + ":" +
           std::to_string(v.frames) + "+" + std::to_string(v.subframe);
}

VTimecodeValue Advanced(VTimecodeValue value, std::int64_t ticks)
{
    value.SetFromTicks(value.ToTicks() + ticks);
    return value;
}
} // namespace

TEST(TimecodeValueTest, ValidityFollowsTheStandard)
{
    using S = ETimecodeStandard;
    EXPECT_TRUE(TimecodeAt(S::Timecode30, 23, 59, 59, 29, 3999).IsValid());
    EXPECT_TRUE(TimecodeAt(S::Timecode25, 0, 0, 0, 24, 4799).IsValid());
    EXPECT_FALSE(TimecodeAt(S::Timecode25, 0, 0, 0, 25).IsValid());
    EXPECT_FALSE(TimecodeAt(S::Timecode24, 0, 0, 0, 24).IsValid());
    EXPECT_FALSE(TimecodeAt(S::Timecode24Drift, 0, 0, 0, 0, 5005).IsValid());
    EXPECT_FALSE(TimecodeAt(S::Timecode30, 0, 0, 0, 0, -1).IsValid());
    EXPECT_FALSE(TimecodeAt(S::Timecode30, 24, 0, 0, 0).IsValid());
    EXPECT_FALSE(TimecodeAt(S::Timecode30, 0, 60, 0, 0).IsValid());
    EXPECT_FALSE(TimecodeAt(S::Timecode30, 0, 0, 60, 0).IsValid());
    EXPECT_FALSE(TimecodeAt(S(-1), 0, 0, 0, 0).IsValid());
    EXPECT_FALSE(TimecodeAt(S(6), 0, 0, 0, 0).IsValid());

    // Drop-frame numbering skips frames 0 and 1 at second 0 of every minute but every tenth.
    EXPECT_FALSE(TimecodeAt(S::Timecode30Drop, 10, 1, 0, 0).IsValid());
    EXPECT_FALSE(TimecodeAt(S::Timecode30Drop, 10, 1, 0, 1).IsValid());
    EXPECT_TRUE(TimecodeAt(S::Timecode30Drop, 10, 1, 0, 2).IsValid());
    EXPECT_TRUE(TimecodeAt(S::Timecode30Drop, 10, 20, 0, 0).IsValid());
    EXPECT_TRUE(TimecodeAt(S::Timecode30Drop, 10, 1, 1, 0).IsValid());
    EXPECT_TRUE(TimecodeAt(S::Timecode30Drift, 10, 1, 0, 0).IsValid());

    VTimecodeValue farAway = TimecodeAt(S::Timecode30, 0, 0, 0, 0);
    farAway.days = -VTimecodeValue::kMaxDays;
    EXPECT_TRUE(farAway.IsValid());
    farAway.days = VTimecodeValue::kMaxDays + 1;
    EXPECT_FALSE(farAway.IsValid());
}

TEST(TimecodeValueTest, DropFrameLabelsSkipAtTheMinute)
{
    using S = ETimecodeStandard;
    EXPECT_EQ(Text(Advanced(TimecodeAt(S::Timecode30Drop, 0, 0, 59, 29), 4004)), "0d 0:1:0:2+0");
    EXPECT_EQ(Text(Advanced(TimecodeAt(S::Timecode30Drop, 0, 9, 59, 29), 4004)), "0d 0:10:0:0+0");
    EXPECT_EQ(Text(Advanced(TimecodeAt(S::Timecode30Drop, 0, 1, 0, 2), -1)), "0d 0:0:59:29+4003");
    EXPECT_EQ(Text(Advanced(TimecodeAt(S::Timecode30Drift, 0, 0, 59, 29), 4004)), "0d 0:1:0:0+0");
    // 1296 dropping minutes a day lose two labels each; ten minutes hold 17982 frames.
    EXPECT_EQ(GetTicksPerDay(S::Timecode30Drop), 4004LL * (30 * 86400 - 2592));
    EXPECT_EQ(TimecodeAt(S::Timecode30Drop, 0, 10, 0, 0).ToTicks(), 17982LL * 4004);
}

TEST(TimecodeValueTest, EveryDropFrameOfADayCountsBackToItsTicks)
{
    VTimecodeValue value = TimecodeAt(ETimecodeStandard::Timecode30Drop, 0, 0, 0, 0);
    const std::int64_t framesPerDay = GetTicksPerDay(value.standard) / 4004;
    // Distinct tick counts give distinct labels, so a day of valid labels is all of them.
    for (std::int64_t frame = 0; frame < framesPerDay; ++frame)
    {
        const std::int64_t ticks = frame * 4004 + 17;
        value.SetFromTicks(ticks);
        ASSERT_TRUE(value.IsValid()) << Text(value);
        ASSERT_EQ(value.ToTicks(), ticks) << Text(value);
        ASSERT_EQ(value.days, 0);
    }
    EXPECT_EQ(Text(value), "0d 23:59:59:29+17");
}

TEST(TimecodeValueTest, DaysRollOverInBothDirections)
{
    for (ETimecodeStandard standard : kAllStandards)
    {
        const std::int32_t rate = GetWholeFrameRate(standard);
        const std::int32_t length = GetTicksPerFrame(standard);
        const VTimecodeValue last = TimecodeAt(standard, 23, 59, 59, rate - 1, length - 1);
        const VTimecodeValue next = Advanced(last, 1);
        EXPECT_EQ(Text(next), "1d 0:0:0:0+0") << int(standard);

        const VTimecodeValue before = Advanced(TimecodeAt(standard, 0, 0, 0, 0), -1);
        EXPECT_EQ(before.days, -1);
        EXPECT_EQ(Text(before), Text(Advanced(last, -GetTicksPerDay(standard))));
        EXPECT_EQ(before.ToTicks(), -1);

        VTimecodeValue weekBack = TimecodeAt(standard, 12, 30, 15, 3, 9);
        weekBack.days = -7;
        EXPECT_EQ(Text(Advanced(weekBack, 0)), Text(weekBack));
    }
}

TEST(TimecodeValueTest, CountingKeepsStandardUserValueAndPeriod)
{
    VTimecodeValue value = TimecodeAt(ETimecodeStandard::Timecode25, 1, 2, 3, 4);
    value.userValue = 0xDEADBEEF;
    value.framePeriod = 1125000;
    const VTimecodeValue advanced = Advanced(value, 4800 * 25 * 3600);
    EXPECT_EQ(Text(advanced), "0d 2:2:3:4+0");
    EXPECT_EQ(advanced.standard, ETimecodeStandard::Timecode25);
    EXPECT_EQ(advanced.userValue, 0xDEADBEEF);
    EXPECT_EQ(advanced.framePeriod, 1125000);

    VTimecodeValue none = TimecodeAt(ETimecodeStandard(7), 1, 2, 3, 4, 5);
    none.SetFromTicks(123456789);
    EXPECT_EQ(Text(none), "0d 1:2:3:4+5");
}

TEST(TimecodeValueTest, RecordedStandardsMapByName)
{
    struct Case
    {
        const char* text;
        std::uint64_t period;
        ETimecodeStandard expected;
    };
    // 120 Hz divides the 30 and 24 frames/s frame lengths; 119.88 Hz divides neither.
    const Case cases[] = {
        {"10 0 0 1 0 0 0 0", 1125000, ETimecodeStandard::Timecode25},
        {"10 0 0 1 0 0 1 0", 1125000, ETimecodeStandard::Timecode30},
        {"10 0 0 1 0 0 1 0", 1126125, ETimecodeStandard::Timecode30Drift},
        {"10 0 0 1 0 0 2 0", 1126125, ETimecodeStandard::Timecode30Drop},
        {"10 0 0 1 0 0 3 0", 1125000, ETimecodeStandard::Timecode24},
        {"10 0 0 1 0 0 3 0", 1126125, ETimecodeStandard::Timecode24Drift},
        {"10 0 0 1 0 0 4 0", 1125000, ETimecodeStandard::TimecodeNone},
    };
    for (const Case& c : cases)
    {
        X2DIO::Timecode recorded;
        recorded.Parse(c.text, c.period);
        const VTimecodeValue value = TimecodeFromRecording(recorded);
        EXPECT_EQ(value.standard, c.expected) << c.text << " " << c.period;
        EXPECT_EQ(Text(value), "0d 10:0:0:1+0");
        EXPECT_EQ(value.framePeriod, std::int32_t(c.period));
        EXPECT_EQ(value.IsValid(), recorded.IsValid()) << c.text;
    }
}

TEST(TimecodeValueTest, RecordedSubframeScalesToTheBoxTicks)
{
    X2DIO::Timecode recorded;
    // 30 frames/s drift: 4504500 ticks of 135 MHz a frame, 8 subframes of 563062.
    ASSERT_TRUE(recorded.Parse("1 2 3 4 7 0 1 8", 1126125));
    VTimecodeValue value = TimecodeFromRecording(recorded);
    EXPECT_EQ(value.subframe, 563062 * 7 / 1125);
    EXPECT_TRUE(value.IsValid());

    // The last 135 MHz tick of a frame stays inside the frame.
    ASSERT_TRUE(recorded.Parse("1 2 3 4 4504499 0 2 4504500", 1126125));
    value = TimecodeFromRecording(recorded);
    EXPECT_EQ(value.subframe, 4003);
    EXPECT_TRUE(value.IsValid());
    EXPECT_EQ(value.userValue, 0u);
    EXPECT_EQ(value.days, 0);
}
