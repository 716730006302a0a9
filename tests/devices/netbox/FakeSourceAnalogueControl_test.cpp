// The synthetic box's analogue source as the HAL receives it on a real socket, frame by frame,
// and the synthetic box in a rig, driven over its command session and made sync master.

#include "devices/netbox/FakeDeviceNetSynth.h"
#include "devices/netbox/FakeSourceAnalogueControl.h"
#include "tests/devices/DeviceTestSupport.h"
#include "tools/halprobe/AnalogueStreamListener.h"

#include <cmath>

using namespace std::chrono_literals;
using BriselTest::TestRig;
using HalProbe::AnalogueFrame;

namespace
{
constexpr std::uint16_t kPort = 6000;

class FakeSourceAnalogueControlTest : public BriselTest::DeviceTest
{
protected:
    // The box after its reset: 180000 Hz, channel 0 of 1, capturing at 100 frames a second.
    void SetUp() override
    {
        TestRig::Connect(box_);
        Set("SystemFrameRate", 100.0);
        Set("AnalogueSlot0CaptureActive", true);
        ASSERT_TRUE(QtTest::RunLoopUntil(
            [&]
            {
                const auto settings = box_.GetNetSettings();
                return settings->numChannels == 1 && settings->captureActive &&
                       box_.GetSystemFrameRate() == 100.0;
            }));
    }

    template <class T> void Set(const char* name, T value)
    {
        box_.SetParameter(name, value);
        QtTest::DrainLoop();
    }

    // Frame `frame` as the HAL puts it together; `bytesSent` must count what it received.
    AnalogueFrame Produce(std::uint32_t frame)
    {
        std::uint32_t bytesSent = 0;
        source_->Produce(frame, frame - 1, bytesSent);
        const std::optional<AnalogueFrame> received = analogue_.NextFrame(2s);
        EXPECT_TRUE(received);
        if (!received)
            return {};
        EXPECT_EQ(bytesSent, received->record.sampleBytes + 44);
        return *received;
    }

    VFakeDeviceNetSynth& box_ = rig_.Add<VFakeDeviceNetSynth>(VFakeDeviceManager::NetworkBoxId);
    boost::asio::io_context io_;
    HalProbe::AnalogueStreamListener analogue_{TestRig::kHal, kPort};
    std::unique_ptr<VFakeSourceAnalogueControl> source_ =
        std::make_unique<VFakeSourceAnalogueControl>(box_, io_, kPort);
};
} // namespace

TEST_F(FakeSourceAnalogueControlTest, DefaultRateSendsEighteenHundredSamplesThenTheRecord)
{
    const AnalogueFrame first = Produce(1);
    EXPECT_EQ(first.datagramSizes, (std::vector<std::size_t>{1400, 1400, 800}));
    EXPECT_EQ(first.record.slot, 0);
    EXPECT_EQ(first.record.deviceId, box_.GetDeviceID());
    EXPECT_EQ(first.record.frameNumber, 1u);
    EXPECT_EQ(first.record.previousFrameNumber, 0u);
    EXPECT_EQ(first.record.samplesPerChannel, 1800);
    EXPECT_EQ(first.record.channelCount, 1);
    EXPECT_EQ(first.record.channelMask, 1u);
    EXPECT_EQ(first.record.sampleBytes, 3600u);
    EXPECT_EQ(first.record.runningTotal, 1800u) << "sample instants, not values";
    EXPECT_EQ(first.Value(0, 0), 3276) << "the sine's midpoint at gain 1";
    EXPECT_GT(first.Value(1799, 0), first.Value(0, 0)) << "rising through the first period";

    EXPECT_EQ(Produce(2).record.runningTotal, 3600u);
}

// 10000 frames a second are 13500 ticks, a sample every 5 × 810 = 4050: 3⅓ instants a frame.
TEST_F(FakeSourceAnalogueControlTest, InstantsAlternateWhenTheRateDoesNotDivideTheFrame)
{
    Set("SystemFrameRate", 10000.0);
    Set("AnalogueSlot0Divisor", 810);
    ASSERT_TRUE(QtTest::RunLoopUntil([&] { return box_.GetNetSettings()->divisor == 810; }));
    std::vector<unsigned> counts, totals;
    for (std::uint32_t frame = 1; frame <= 6; ++frame)
    {
        const AnalogueFrame received = Produce(frame);
        counts.push_back(received.record.samplesPerChannel);
        totals.push_back(received.record.runningTotal);
    }
    EXPECT_EQ(counts, (std::vector<unsigned>{4, 3, 3, 4, 3, 3}));
    EXPECT_EQ(totals, (std::vector<unsigned>{4, 7, 10, 14, 17, 20}));
}

TEST_F(FakeSourceAnalogueControlTest, WithoutCaptureOrClockOnlyTheRecordIsSent)
{
    Produce(1);
    auto expectOnlyRecord = [&](const char* why)
    {
        const AnalogueFrame received = Produce(2);
        EXPECT_TRUE(received.datagramSizes.empty()) << why;
        EXPECT_EQ(received.record.samplesPerChannel, 0) << why;
        EXPECT_EQ(received.record.sampleBytes, 0u) << why;
        EXPECT_EQ(received.record.channelCount, 1) << why;
        EXPECT_EQ(received.record.runningTotal, 1800u) << why;
    };
    Set("AnalogueSlot0CaptureActive", false);
    expectOnlyRecord("capture inactive");
    Set("AnalogueSlot0CaptureActive", true);
    Set("AnalogueSlot0Prescaler", 0);
    expectOnlyRecord("prescaler × divisor of 0");
    Set("AnalogueSlot0Prescaler", 5);
    Set("SystemFrameRate", 0.0);
    expectOnlyRecord("frame rate of 0");
    Set("SystemFrameRate", 100.0);
    EXPECT_EQ(Produce(3).record.samplesPerChannel, 1800);
}

// All 64 channels enabled while the slot runs 1 channel: the record names only the channel
// sampled, so it still describes the values sent. At 3000 Hz all 64 are sampled.
TEST_F(FakeSourceAnalogueControlTest, RecordNamesExactlyTheChannelsSampled)
{
    std::string reply;
    box_.HandleDeviceCommand("anactl -a on", reply);
    box_.HandleDeviceCommand("anactl -c 5 -g 2", reply);
    QtTest::DrainLoop();
    ASSERT_TRUE(QtTest::RunLoopUntil([&] { return box_.GetNetSettings()->gains[5] == 2; }));
    const AnalogueFrame narrow = Produce(1);
    EXPECT_EQ(narrow.record.channelMask, 1u);
    EXPECT_EQ(narrow.values.size(), 1800u);

    box_.HandleDeviceCommand("samplerate -s 0 5 9000", reply);
    Set("SystemFrameRate", 500.0);
    ASSERT_TRUE(QtTest::RunLoopUntil([&] { return box_.GetNetSettings()->numChannels == 64; }));
    const AnalogueFrame wide = Produce(2);
    EXPECT_EQ(wide.record.channelMask, ~0ULL);
    EXPECT_EQ(wide.record.channelCount, 64);
    EXPECT_EQ(wide.record.samplesPerChannel, 6);
    EXPECT_EQ(wide.datagramSizes, (std::vector<std::size_t>{768}));
    const std::uint16_t base = wide.Value(0, 0);
    EXPECT_EQ(wide.Value(0, 63), base);
    EXPECT_NEAR(wide.Value(0, 5), 2 * base, 1) << "gain 2";
}

namespace
{
// 125 Hz on the 135 MHz clock: a period of 1080000 ticks, of which a 100 Hz frame (1350000
// ticks) is 1¼, so consecutive frames start a quarter period apart.
constexpr std::int64_t kPeriod = 1080000;
constexpr std::int64_t kInterval = 750;

// The quarter of the period at which `frame` starts, when all its samples are the sine's.
std::optional<int> StartingQuarter(const AnalogueFrame& frame)
{
    for (int quarter = 0; quarter < 4; ++quarter)
    {
        bool matches = true;
        for (std::size_t i = 0; i < frame.SampleCount() && matches; ++i)
        {
            const std::int64_t phase =
                (quarter * kPeriod / 4 + std::int64_t(i) * kInterval) % kPeriod;
            const double sine = std::sin(double(phase) * 2.0 * M_PI / double(kPeriod));
            matches = frame.Value(i, 0) == std::uint16_t(std::floor((sine + 1.0) * 65535 * 0.05));
        }
        if (matches)
            return quarter;
    }
    return std::nullopt;
}
} // namespace

TEST_F(FakeSourceAnalogueControlTest, SyntheticBoxAsMasterSendsAContinuousSine)
{
    source_.reset();
    EXPECT_EQ(box_.GetDescription(), "Synth: Gridlark 33554433");
    auto session = BriselTest::OpenSession(9001);
    session->ReadGreeting(2s);
    EXPECT_NE(session->Run("info", 2s).find("\nSlot1 : Analogue\n"), std::string::npos)
        << "the box starts with an analogue card";
    box_.SetParameter("AnalogueSlot0TestSignalFreq", 125.0);
    session->Run("datadisable false", 2s);
    session->Run("capture on", 2s);
    session->Run("portset 6000", 2s);
    hal_.DataDisable(false);
    hal_.Master(kBox1, 100.0);

    std::vector<AnalogueFrame> frames;
    ASSERT_TRUE(QtTest::RunLoopUntil(
        [&]
        {
            if (auto frame = analogue_.NextFrame(1ms); frame && frame->SampleCount() > 0)
                frames.push_back(std::move(*frame));
            return frames.size() >= 6;
        },
        10s));
    EXPECT_TRUE(QtTest::RunLoopUntil(
        [&]
        {
            bool inCapture = false;
            return box_.GetParameter("AnalogueSlot0InCapture", inCapture) && inCapture;
        }))
        << "an analogue card restarts capture";
    for (std::size_t i = 0; i < frames.size(); ++i)
    {
        const AnalogueFrame& frame = frames[i];
        EXPECT_EQ(frame.record.samplesPerChannel, 1800);
        EXPECT_EQ(frame.record.channelMask, 1u);
        ASSERT_TRUE(StartingQuarter(frame)) << "frame " << frame.record.frameNumber;
        if (i == 0)
            continue;
        const AnalogueFrame& before = frames[i - 1];
        EXPECT_EQ(frame.record.frameNumber, before.record.frameNumber + 1);
        EXPECT_EQ(frame.record.runningTotal, before.record.runningTotal + 1800);
        EXPECT_EQ(*StartingQuarter(frame), (*StartingQuarter(before) + 1) % 4)
            << "the sine goes on where the frame before left it";
    }
}

TEST_F(FakeSourceAnalogueControlTest, SyntheticBoxWithoutAnAnalogueCardSendsNothing)
{
    source_.reset();
    auto& audio = rig_.Add<VFakeDeviceNetSynth>(VFakeDeviceManager::NetworkBoxId);
    audio.SetParameter("Card0Type", std::string("Audio"));
    TestRig::Connect(audio);
    auto session = BriselTest::OpenSession(9002);
    session->ReadGreeting(2s);
    session->Run("datadisable false", 2s);
    session->Run("portset 6000", 2s);
    hal_.DataDisable(false);
    hal_.Master(audio.GetDeviceID(), 100.0);
    ASSERT_TRUE(QtTest::RunLoopUntil([&] { return audio.GetCurrentFrame() > 5; }))
        << "frames are running";
    EXPECT_FALSE(analogue_.NextEvent(300ms));
}
