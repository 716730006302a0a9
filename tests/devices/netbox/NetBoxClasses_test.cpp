// What the three kinds of network box add to every box: their parameter lists, identity,
// fixed card type and information text, the timecode box's own commands, and how many
// samples an X1D source sends a frame.

#include "devices/netbox/FakeDeviceNetSynth.h"
#include "devices/netbox/FakeDeviceNetX1D.h"
#include "devices/netbox/FakeDeviceNetX2D.h"
#include "devices/netbox/FakeSourceAnalogueX1D.h"
#include "net/ByteOrder.h"
#include "tests/devices/DeviceTestSupport.h"
#include "tests/devices/netbox/TimecodeTestValues.h"
#include "tests/support/UdpTestSocket.h"

#include <cmath>

using namespace std::chrono_literals;
using BriselTest::OpenSession;
using BriselTest::TestRig;

namespace
{
std::vector<std::string> DefinitionNames(IParamDefinitionList& definitions)
{
    std::vector<std::string> names;
    for (unsigned i = 0; i < definitions.GetDefinitionCount(); ++i)
    {
        VStringStd name;
        definitions.GetDefinitionName(i, name);
        names.push_back(name.Str());
    }
    return names;
}

std::string Text(const VFakeDevice& device, const char* name)
{
    std::string text;
    device.GetParameter(name, text);
    return text;
}

bool IsReadOnly(VFakeDevice& device, const char* name)
{
    return device.GetParamList().FindParam(VStringStd(name))->IsReadOnly();
}

class NetBoxClassesTest : public BriselTest::DeviceTest
{
protected:
    VFakeDeviceNetX2D& TimecodeBox()
    {
        auto& box = rig_.Add<VFakeDeviceNetX2D>(
            VFakeDeviceManager::NetworkBoxId,
            BriselTest::TimecodeAt(ETimecodeStandard::Timecode30Drop, 9, 59, 7, 12));
        TestRig::Connect(box);
        return box;
    }
};
} // namespace

// The base's fourteen, the inputs and four outputs, then the clock output, card 0 and slot 0
// with each channel's Enabled before its Gain; the timecode box appends its three.
TEST_F(NetBoxClassesTest, DefinitionsComeInTheBoxOrder)
{
    const std::vector<std::string> box = DefinitionNames(VFakeDeviceNetX1D::Definitions().Get());
    ASSERT_EQ(box.size(), 14u + 10u + 3u + 1u + 6u + 128u);
    const std::vector<std::string> afterBase(box.begin() + 14, box.begin() + 36);
    EXPECT_EQ(afterBase, (std::vector<std::string>{
                             "GPI0",
                             "GPI1",
                             "GPI2",
                             "GPI3",
                             "GPO0",
                             "GPO1",
                             "GPO2",
                             "GPO3",
                             "RemoteStart",
                             "RemoteStop",
                             "ClkOutSampleRate",
                             "ClkOutPrescaler",
                             "ClkOutDivisor",
                             "Card0Type",
                             "AnalogueSlot0InCapture",
                             "AnalogueSlot0CaptureActive",
                             "AnalogueSlot0SampleRate",
                             "AnalogueSlot0Prescaler",
                             "AnalogueSlot0Divisor",
                             "AnalogueSlot0NumChannels",
                             "AnalogueSlot0Channel0Enabled",
                             "AnalogueSlot0Channel0Gain",
                         }));
    EXPECT_EQ(box.back(), "AnalogueSlot0Channel63Gain");

    const std::vector<std::string> timecode =
        DefinitionNames(VFakeDeviceNetX2D::Definitions().Get());
    EXPECT_EQ(std::vector<std::string>(timecode.end() - 3, timecode.end()),
              (std::vector<std::string>{"Timecode", "StartTime", "PanasonicAFrame"}));
    EXPECT_EQ(DefinitionNames(VFakeDeviceNetSynth::Definitions().Get()).back(),
              "AnalogueSlot0TestSignalFreq");
}

TEST_F(NetBoxClassesTest, TimecodeBoxShowsItsStartAndAnswersItsOwnCommands)
{
    VFakeDeviceNetX2D& box = TimecodeBox();
    EXPECT_EQ(box.GetDescription(), "X2D: Gridlark 33554433");
    EXPECT_EQ(Text(box, "StartTime"), "9;59;7;12");
    EXPECT_EQ(Text(box, "Card0Type"), "Not populated");
    EXPECT_TRUE(IsReadOnly(box, "Card0Type"));

    BriselTest::UdpTestSocket hal(TestRig::kHal, 5000);
    auto session = OpenSession(9001);
    session->ReadGreeting(2s);
    EXPECT_EQ(session->Run("tcctl -e on", 2s), "") << "nothing to send to before notify";
    session->Run("notify a 5000 b 9", 2s);
    ASSERT_TRUE(hal.Receive(2s)) << "the sync status";
    const auto status = hal.Receive(2s);
    ASSERT_TRUE(status) << "then the timecode status";
    ASSERT_EQ(status->size(), 32u);
    EXPECT_EQ(ByteOrder::LoadLittleEndian32(status->data() + 28), 0x213F0000u) << "drop frame";
    EXPECT_EQ(ByteOrder::LoadLittleEndian16(status->data() + 6), 9);
    for (const char* quiet : {"tcctl -i 3", "tcctl -d 1", "tcctl -e of", "tcctl -e on x",
                              "vidref -e on", "vidref -i 2"})
        EXPECT_EQ(session->Run(quiet, 2s), "") << quiet;
    EXPECT_FALSE(hal.Receive(200ms)) << "only \"tcctl -e on\" reports the standard";
    EXPECT_EQ(session->Run("capture", 2s), "Slot 0 capture off\r\n") << "box commands still work";
}

TEST_F(NetBoxClassesTest, SyntheticBoxFixesItsCardWhileConnected)
{
    auto& box = rig_.Add<VFakeDeviceNetSynth>(VFakeDeviceManager::NetworkBoxId);
    EXPECT_EQ(box.GetDescription(), "Synth: Gridlark 33554433");
    EXPECT_FALSE(IsReadOnly(box, "Card0Type"));
    box.SetParameter("Card0Type", std::string("Audio"));
    TestRig::Connect(box);
    EXPECT_TRUE(IsReadOnly(box, "Card0Type"));
    auto session = OpenSession(9001);
    session->ReadGreeting(2s);
    EXPECT_NE(session->Run("info", 2s).find("\nSlot1 : Audio\n"), std::string::npos);
    TestRig::Connect(box, false);
    EXPECT_FALSE(IsReadOnly(box, "Card0Type"));
}

TEST(NetBoxSamples, SamplesPerFrameAreTheRateOverTheFrameRateWithinTheRecordsField)
{
    EXPECT_EQ(VFakeSourceAnalogueX1D::SamplesPerFrame(30000.0, 100.0), 300u);
    EXPECT_EQ(VFakeSourceAnalogueX1D::SamplesPerFrame(3000.0, 500.0), 6u);
    EXPECT_EQ(VFakeSourceAnalogueX1D::SamplesPerFrame(180000.0, 119.88), 1501u);
    EXPECT_EQ(VFakeSourceAnalogueX1D::SamplesPerFrame(50.0, 100.0), 0u);
    EXPECT_EQ(VFakeSourceAnalogueX1D::SamplesPerFrame(135e6, 1.0), 65535u);
    for (const double frameRate : {0.0, -100.0, std::nan("")})
        EXPECT_EQ(VFakeSourceAnalogueX1D::SamplesPerFrame(3000.0, frameRate), 0u) << frameRate;
    EXPECT_EQ(VFakeSourceAnalogueX1D::SamplesPerFrame(-3000.0, 100.0), 0u);
}
