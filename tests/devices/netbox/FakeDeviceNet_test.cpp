// What every network box does, driven as the HAL drives it: the analogue commands over the
// command session, the information text, the frame tick's capture restarts and the
// general-purpose input records.

#include "net/ByteOrder.h"
#include "tests/devices/DeviceTestSupport.h"
#include "tests/devices/netbox/TestNetBox.h"
#include "tests/support/UdpTestSocket.h"

using namespace std::chrono_literals;
using BriselTest::OpenSession;
using BriselTest::TestNetBox;
using BriselTest::TestRig;

namespace
{
class FakeDeviceNetTest : public BriselTest::DeviceTest
{
protected:
    void SetUp() override
    {
        TestRig::Connect(box_);
        session_ = OpenSession(9001);
        session_->ReadGreeting(2s);
    }

    // The reply to `command` once the box has served the writes queued before it.
    std::string Run(const std::string& command)
    {
        QtTest::DrainLoop();
        std::string reply = session_->Run(command, 2s);
        QtTest::DrainLoop();
        return reply;
    }

    template <class T> T Value(const std::string& name)
    {
        T value{};
        EXPECT_TRUE(box_.GetParameter(name, value)) << name;
        return value;
    }

    // Channels 0 … 63 of slot 0 as a mask.
    std::uint64_t EnabledChannels() { return box_.GetNetSettings()->enabledChannels; }

    bool InCaptureAfterTick()
    {
        box_.Tick();
        return Value<bool>("AnalogueSlot0InCapture");
    }

    TestNetBox& box_ =
        rig_.Add<TestNetBox>(VFakeDeviceManager::NetworkBoxId, BriselTest::TestNetBoxDefinitions());
    std::unique_ptr<HalProbe::CommandSession> session_;
};
} // namespace

TEST_F(FakeDeviceNetTest, ResetLeavesSlotZeroAtTheFullRateWithOneChannel)
{
    EXPECT_EQ(Run("samplerate"), "180000.000000\r\n");
    EXPECT_EQ(Run("capture"), "Slot 0 capture off\r\n");
    EXPECT_EQ(Run("capture -x now"), "Slot 0 capture off\r\n") << "other words are ignored";
    EXPECT_EQ(Value<int>("AnalogueSlot0NumChannels"), 1);
    EXPECT_EQ(EnabledChannels(), 1u);
    EXPECT_EQ(Value<int>("AnalogueSlot0Prescaler"), 5);
    EXPECT_EQ(Value<int>("AnalogueSlot0Divisor"), 150);
    EXPECT_EQ(Value<double>("ClkOutSampleRate"), 180000.0);
}

// 135 MHz / (5 × 900) = 30000 Hz, where 64 channels halve four times to 4.
TEST_F(FakeDeviceNetTest, SampleRateSetsRateChannelsAndClockOutput)
{
    EXPECT_EQ(Run("samplerate -s 0 5 900"), "") << "-s leaves the line without a reply";
    EXPECT_EQ(Run("samplerate"), "30000.000000\r\n");
    EXPECT_EQ(Value<int>("AnalogueSlot0NumChannels"), 4);
    EXPECT_EQ(EnabledChannels(), 0xFu);
    EXPECT_EQ(Value<double>("ClkOutSampleRate"), 30000.0) << "the clock follows until set";
    EXPECT_EQ(Value<int>("ClkOutDivisor"), 900);

    Run("samplerate -s 0 2 100");
    EXPECT_EQ(Value<int>("AnalogueSlot0Prescaler"), 100) << "a prescaler of 3 or less swaps";
    EXPECT_EQ(Value<int>("AnalogueSlot0Divisor"), 2);
    EXPECT_EQ(Value<double>("AnalogueSlot0SampleRate"), 675000.0);
    EXPECT_EQ(EnabledChannels(), 0xFu) << "channels above the count keep their state";

    Run("samplerate -s c 5 150");
    Run("samplerate -s 0 5 900");
    EXPECT_EQ(Value<double>("ClkOutSampleRate"), 180000.0) << "set explicitly, it stays";
    EXPECT_EQ(Run("samplerate -f on"), "30000.000000\r\n") << "-f does not suppress the reply";
    Run("samplerate -s 0 5 450");
    EXPECT_EQ(Value<double>("ClkOutSampleRate"), 60000.0) << "-f on makes it follow again";
    Run("samplerate -f off -s 0 5 900");
    EXPECT_EQ(Value<double>("ClkOutSampleRate"), 60000.0);
    Run("samplerate -s 1 5 150 -s x 5 300");
    EXPECT_EQ(Value<double>("AnalogueSlot0SampleRate"), 30000.0) << "slot 1 has no parameters";

    for (const char* quiet : {"samplerate -d 3", "samplerate -p 4", "samplerate -i x"})
        EXPECT_EQ(Run(quiet), "") << quiet;
    EXPECT_EQ(Run("samplerate\t-f\r\"on\""), "30000.000000\r\n");
}

TEST_F(FakeDeviceNetTest, ChannelCountHalvesAsTheRateDoubles)
{
    const std::pair<double, int> expected[] = {
        {0.0, 64},     {3000.0, 64}, {3000.5, 32},  {6000.0, 32}, {12000.0, 16},
        {24000.0, 8},  {30000.0, 4}, {48000.0, 4},  {96000.0, 2}, {96001.0, 1},
        {180000.0, 1}, {1e12, 1},    {-5000.0, 64},
    };
    for (const auto& [rate, channels] : expected)
        EXPECT_EQ(VFakeDeviceNet::ChannelsForRate(rate), channels) << rate;
}

TEST_F(FakeDeviceNetTest, AnalogueControlSwitchesChannelsAndGains)
{
    Run("anactl -r 4 7 on");
    EXPECT_EQ(EnabledChannels(), 0xF1u);
    Run("anactl -c 5 off -c 0 off");
    EXPECT_EQ(EnabledChannels(), 0xD0u) << "each range takes the next on/off";
    Run("anactl -r 10 12 junk -g 7");
    for (int channel : {10, 11, 12})
        EXPECT_EQ(Value<int>("AnalogueSlot0Channel" + std::to_string(channel) + "Gain"), 7);
    EXPECT_EQ(Value<int>("AnalogueSlot0Channel13Gain"), 1);
    Run("anactl -a on");
    EXPECT_EQ(EnabledChannels(), ~std::uint64_t(0));
    Run("anactl -r 9 3 off");
    Run("anactl -r 0 65 off");
    EXPECT_EQ(EnabledChannels(), ~std::uint64_t(0)) << "backwards or over 65 channels";
    Run("anactl -r 0 64 off");
    EXPECT_EQ(EnabledChannels(), 0u) << "65 channels is still a range";
    Run("anactl -s 1 -a on");
    EXPECT_EQ(EnabledChannels(), 0u) << "slot 1 has no channels";
    EXPECT_EQ(Run("anactl -1 maybe"), "off");
    EXPECT_EQ(Run("anactl -1 on"), "");
}

// Nothing here may stop the box serving; numbers that are not numbers count as 0 for a
// rate and change nothing elsewhere.
TEST_F(FakeDeviceNetTest, BadWordsGetClearAnswersAndTheBoxKeepsServing)
{
    Run("samplerate -s 0 5 900");
    for (const char* truncated : {"samplerate -s 0 5", "samplerate -s", "samplerate -d"})
        EXPECT_EQ(Run(truncated), "") << truncated;
    EXPECT_EQ(Run("samplerate"), "30000.000000\r\n") << "a cut -s changes nothing";
    for (const char* zero : {"samplerate -s 0 0 900", "samplerate -s 0 -5 900",
                             "samplerate -s 0 x 900", "samplerate -s 0 99999999999 900"})
    {
        Run("samplerate -s 0 5 900");
        Run(zero);
        EXPECT_EQ(Run("samplerate"), "0.000000\r\n") << zero;
        EXPECT_EQ(Value<int>("AnalogueSlot0NumChannels"), 64) << zero;
    }
    Run("samplerate -s 0 100000 100000");
    EXPECT_EQ(Run("samplerate"), "0.013500\r\n") << "a product beyond int is still a rate";

    Run("anactl -a off");
    for (const char* ignored :
         {"anactl -c abc on", "anactl -r 0 99999999999 on", "anactl -c -3 on", "anactl -c 64 on",
          "anactl -r", "anactl -c", "anactl -a -g", "anactl -s x -c 2 -g y"})
        EXPECT_EQ(Run(ignored), "") << ignored;
    EXPECT_EQ(EnabledChannels(), 0u);
    EXPECT_EQ(Value<int>("AnalogueSlot0Channel2Gain"), 1);
    EXPECT_EQ(Run("capture -s"), "");
    EXPECT_EQ(Run("samplerate"), "0.013500\r\n") << "the box still answers";
}

// Capture is asserted every second frame once started; a channel change drops it on its
// first frame, lets it back once and drops it again before the countdown restarts it.
TEST_F(FakeDeviceNetTest, FrameTickRestartsCaptureAfterAChannelChange)
{
    box_.SetParameter("Enabled", true);
    box_.SetParameter("SystemEnabled", true);
    box_.SetParameter("Card0Type", std::string("Analogue"));
    EXPECT_EQ(Run("capture on"), "");
    EXPECT_EQ(Run("capture"), "Slot 0 capture on\r\n");
    EXPECT_FALSE(InCaptureAfterTick());
    EXPECT_TRUE(InCaptureAfterTick()) << "two frames after capture on";
    Run("anactl -c 3 on");
    EXPECT_FALSE(Value<bool>("AnalogueSlot0InCapture")) << "the change drops capture at once";
    const bool expected[] = {false, true, false, true, true, true};
    for (bool inCapture : expected)
        EXPECT_EQ(InCaptureAfterTick(), inCapture);
    EXPECT_EQ(box_.SourceFrames(), 8);

    box_.SetParameter("Card0Type", std::string("Ethernet"));
    Run("capture off");
    Run("capture -s 0 on");
    for (int frame = 0; frame < 4; ++frame)
        EXPECT_FALSE(InCaptureAfterTick()) << "only an analogue card captures";
    box_.SetParameter("Preview", true);
    box_.Tick();
    EXPECT_EQ(box_.SourceFrames(), 12) << "no source frame in preview";
}

// Boxes stream samples per frame from the rate: the very first frame a MASTER command starts
// must already run at its rate, in the master and in every other device.
TEST_F(FakeDeviceNetTest, AMasterCommandsFirstFrameRunsAtItsRateInEveryDevice)
{
    TestNetBox& slave = rig_.Add<TestNetBox>(VFakeDeviceManager::NetworkBoxId,
                                             BriselTest::TestNetBoxDefinitions());
    TestRig::Connect(slave);
    for (TestNetBox* box : {&box_, &slave})
    {
        box->SetParameter("Enabled", true);
        box->SetParameter("SystemEnabled", true);
    }
    hal_.Master(kBox1, 250.0);
    ASSERT_TRUE(QtTest::RunLoopUntil([&] { return slave.SourceFrames() > 0; }));
    EXPECT_EQ(box_.FirstFrameRate(), 250.0);
    EXPECT_EQ(slave.FirstFrameRate(), 250.0);
    hal_.Master(0xFFFFFFFF, 250.0);
    EXPECT_TRUE(QtTest::RunLoopUntil([&] { return box_.GetSyncMode() == 3; }));
}

TEST_F(FakeDeviceNetTest, AJumpInTheFrameNumbersIsReported)
{
    box_.Tick();
    Run("setframe 10");
    box_.Tick();
    Run("setframe 13");
    testing::internal::CaptureStdout();
    box_.Tick();
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Device 33554433 skipped 3 frames between frame numbers 10 and 13\n");
}

TEST_F(FakeDeviceNetTest, InformationTextListsTheBox)
{
    const std::string info = Run("info");
    EXPECT_EQ(info.rfind("Display Device Type : LUME Gridlark\nDevice Type : Gridlark\n"
                         "Device ID : 33554433\nSlot1 : Analogue\nFirmware Target : Gridlark\n",
                         0),
              0u)
        << info;
    EXPECT_NE(info.find("\nStatus LED Count : 1\nGPI Count : 4\nGPO Count : 8\n"
                        "Output Clock Count : 1\nEthernet Master Able : yes\n"),
              std::string::npos)
        << info;
    EXPECT_EQ(Value<std::string>("DeviceType"), "Gridlark");
    EXPECT_EQ(box_.GetParamList().FindParam(VStringStd("GPO4")), nullptr) << "four outputs";
}

// GPI 2 on, with both remote triggers at their default "on": states 0x0034, changed 0x0004.
TEST_F(FakeDeviceNetTest, AnInputChangeSendsAGpiRecordAfterNotify)
{
    BriselTest::UdpTestSocket hal(TestRig::kHal, 5000);
    box_.SetParameter("GPI1", true);
    box_.SetParameter("GPI1", false);
    EXPECT_FALSE(hal.Receive(200ms)) << "nothing before notify";
    Run("notify a 5000 b 7");
    ASSERT_TRUE(hal.Receive(2s)) << "the sync status";
    EXPECT_FALSE(hal.Receive(200ms)) << "changes before notify are not queued";
    Run("setframe 40");
    box_.SetParameter("GPI2", true);
    const auto record = hal.Receive(2s);
    ASSERT_TRUE(record);
    ASSERT_EQ(record->size(), 28u);
    const std::uint8_t* bytes = record->data();
    EXPECT_EQ(ByteOrder::LoadLittleEndian32(bytes), 0x001C0004u);
    EXPECT_EQ(ByteOrder::LoadLittleEndian16(bytes + 4), 1);
    EXPECT_EQ(ByteOrder::LoadLittleEndian16(bytes + 6), 7) << "the session tag";
    EXPECT_EQ(ByteOrder::LoadLittleEndian32(bytes + 8), kBox1);
    EXPECT_EQ(ByteOrder::LoadLittleEndian32(bytes + 12), 40u) << "the current frame";
    EXPECT_EQ(ByteOrder::LoadLittleEndian16(bytes + 16), 0x0034);
    EXPECT_EQ(ByteOrder::LoadLittleEndian16(bytes + 18), 0x0004);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes + 20, bytes + 28), std::vector<std::uint8_t>(8, 0));
    box_.SetParameter("RemoteStart", false);
    box_.SetParameter("GPI3", true);
    const auto first = hal.Receive(2s), second = hal.Receive(2s);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(ByteOrder::LoadLittleEndian16(first->data() + 16), 0x0024);
    EXPECT_EQ(ByteOrder::LoadLittleEndian16(first->data() + 18), 0x0010);
    EXPECT_EQ(ByteOrder::LoadLittleEndian16(second->data() + 16), 0x002C);
    EXPECT_EQ(ByteOrder::LoadLittleEndian16(second->data() + 18), 0x0008);
}
