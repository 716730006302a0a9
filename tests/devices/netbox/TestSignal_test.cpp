// The synthetic box's test signal on its own: where the master clock puts the sample instants,
// what each instant's values are, and what carries over from one frame to the next.

#include "tests/support/AllocationCount.h"

#include "devices/netbox/TestSignal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Values = std::vector<std::uint16_t>;

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
// 135 MHz / 112500 Hz: a period of 1200 ticks, so instants 300 ticks apart fall on the
// quarters of the sine: 3276 (zero), 6553 (peak), 3276 (zero), 0 (trough).
constexpr double kQuarterEvery300Ticks = 112500.0;

// Slot 0 capturing channel 0 with gain 1, a sample every `interval` ticks.
VNetBoxSettings Capturing(int interval, double frequency = kQuarterEvery300Ticks)
{
    VNetBoxSettings settings;
    settings.prescaler = 1;
    settings.divisor = interval;
    settings.numChannels = 1;
    settings.enabledChannels = 1;
    settings.gains.fill(1);
    settings.captureActive = true;
    settings.testSignalFrequency = frequency;
    return settings;
}
} // namespace

TEST(TestSignal, InstantsAndPhaseCarryOverWhenTheIntervalDoesNotDivideTheFrame)
{
    VTestSignal signal;
    const VNetBoxSettings settings = Capturing(300);
    EXPECT_EQ(signal.Produce(settings, 1000), 4u) << "instants at 0, 300, 600 and 900";
    EXPECT_THAT(signal.Values(), ElementsAre(3276, 6553, 3276, 0));
    EXPECT_EQ(signal.GetSampleOffset(), 100);
    EXPECT_EQ(signal.GetPhase(), 1000);

    EXPECT_EQ(signal.Produce(settings, 1000), 3u) << "instants at 200, 500 and 800";
    EXPECT_THAT(signal.Values(), ElementsAre(3276, 6553, 3276)) << "phases 0, 300 and 600";
    EXPECT_EQ(signal.GetSampleOffset(), 200);
    EXPECT_EQ(signal.GetPhase(), 800);
}

// Cutting the clock into frames changes nothing of what is sampled: ten frames give the
// values of one frame ten times as long.
TEST(TestSignal, FramesCutTheSignalWithoutASeam)
{
    VNetBoxSettings settings = Capturing(300, 135e6 / 1277.0);
    settings.numChannels = 3;
    settings.enabledChannels = 0b101;
    settings.gains[2] = 3;
    VTestSignal whole;
    const std::uint32_t instants = whole.Produce(settings, 10 * 1033);
    VTestSignal framed;
    Values values;
    std::uint32_t framedInstants = 0;
    for (int frame = 0; frame < 10; ++frame)
    {
        framedInstants += framed.Produce(settings, 1033);
        values.insert(values.end(), framed.Values().begin(), framed.Values().end());
    }
    EXPECT_EQ(framedInstants, instants);
    EXPECT_EQ(values, whole.Values());
    EXPECT_EQ(framed.GetPhase(), whole.GetPhase());
    EXPECT_EQ(framed.GetSampleOffset(), whole.GetSampleOffset());
}

TEST(TestSignal, InactiveCaptureSamplesNothingButKeepsTheClockRunning)
{
    VNetBoxSettings settings = Capturing(300);
    VTestSignal running;
    running.Produce(settings, 1000);
    running.Produce(settings, 1000);

    VTestSignal paused;
    settings.captureActive = false;
    EXPECT_EQ(paused.Produce(settings, 1000), 0u);
    EXPECT_THAT(paused.Values(), IsEmpty());
    settings.captureActive = true;
    EXPECT_EQ(paused.Produce(settings, 1000), 3u);
    EXPECT_EQ(paused.Values(), running.Values()) << "the second frame as if nothing had paused";
}

// Channels 0, 2 and 5 are enabled, but the slot has 4 channels: 0 and 2 are sampled, each
// scaled by its gain; gains of 11 and more keep the low 16 bits.
TEST(TestSignal, EachSampledChannelScalesTheSineByItsGain)
{
    VNetBoxSettings settings = Capturing(300);
    settings.numChannels = 4;
    settings.enabledChannels = 0b100101;
    settings.gains[0] = 2;
    settings.gains[2] = 11;
    EXPECT_EQ(VTestSignal::SampledChannels(settings), 0b101u);
    VTestSignal signal;
    EXPECT_EQ(signal.Produce(settings, 600), 2u);
    EXPECT_THAT(signal.Values(), ElementsAre(6553, 36044, 13107, 72088 - 65536));

    settings.gains[0] = 0;
    settings.numChannels = 64;
    EXPECT_EQ(VTestSignal::SampledChannels(settings), 0b100101u);
    signal.Produce(settings, 200);
    EXPECT_THAT(signal.Values(), ElementsAre(0, 36044, 3276)) << "phase 600, a zero crossing";
    settings.numChannels = 70;
    EXPECT_EQ(VTestSignal::SampledChannels(settings), 0b100101u);
    settings.numChannels = -1;
    EXPECT_EQ(VTestSignal::SampledChannels(settings), 0u);
}

TEST(TestSignal, NothingRunsWithoutAFrameLengthOrASampleInterval)
{
    VNetBoxSettings settings = Capturing(300);
    VTestSignal signal;
    signal.Produce(settings, 1000);
    for (const double frameRate : {0.0, -50.0, std::nan("")})
        EXPECT_EQ(VTestSignal::FrameTicks(frameRate), 0) << frameRate;
    EXPECT_EQ(signal.Produce(settings, 0), 0u);
    settings.prescaler = 0;
    EXPECT_EQ(signal.Produce(settings, 1000), 0u);
    settings.prescaler = -1;
    EXPECT_EQ(signal.Produce(settings, 1000), 0u);
    EXPECT_THAT(signal.Values(), IsEmpty());
    EXPECT_EQ(signal.GetSampleOffset(), 100) << "the clock stands still";
    EXPECT_EQ(signal.GetPhase(), 1000);
}

TEST(TestSignal, ClockLengthsAreHeldToTheirRanges)
{
    EXPECT_EQ(VTestSignal::FrameTicks(100.0), 1350000);
    EXPECT_EQ(VTestSignal::PeriodTicks(1.0), 135000000);
    EXPECT_EQ(VTestSignal::FrameTicks(0.001), kInt32Max) << "a frame of 37 hours";
    EXPECT_EQ(VTestSignal::FrameTicks(1e9), 0);
    EXPECT_EQ(VTestSignal::PeriodTicks(0.0), kInt32Max) << "a flat signal";
    EXPECT_EQ(VTestSignal::PeriodTicks(1e9), 1) << "at least one tick";
    EXPECT_EQ(VTestSignal::PeriodTicks(-5.0), 1);
    EXPECT_EQ(VTestSignal::PeriodTicks(std::nan("")), 1);
}

// A sample every tick of a 100 Hz frame would be 1350000 instants; the record counts 65535.
TEST(TestSignal, AFrameHoldsNoMoreInstantsThanItsRecordCounts)
{
    VTestSignal signal;
    EXPECT_EQ(signal.Produce(Capturing(1), 1350000), 65535u);
    EXPECT_EQ(signal.Values().size(), 65535u);
    EXPECT_EQ(signal.GetPhase(), 1350000 % 1200) << "the clock still runs the whole frame";
}

TEST(TestSignal, SteadyStateAllocatesNothing)
{
    VNetBoxSettings settings = Capturing(300);
    settings.numChannels = 64;
    settings.enabledChannels = ~0ULL;
    VTestSignal signal;
    signal.Produce(settings, 1000);
    const std::uint64_t before = AllocationCount();
    for (int frame = 0; frame < 20; ++frame)
        signal.Produce(settings, 1000);
    EXPECT_EQ(AllocationCount(), before);
}
