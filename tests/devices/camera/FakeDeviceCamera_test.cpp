// What every camera does, driven as the HAL drives it: the camera commands over the command
// session, the device report, the parameters fixed while connected, and preview mode.

#include "tests/devices/DeviceTestSupport.h"
#include "tests/devices/camera/TestCamera.h"
#include "tests/support/UdpTestSocket.h"

using namespace std::chrono_literals;
using BriselTest::OpenSession;
using BriselTest::TestCamera;
using BriselTest::TestRig;
using QtTest::RunLoopUntil;

namespace
{
class FakeDeviceCameraTest : public BriselTest::DeviceTest
{
protected:
    TestCamera& ConnectedCamera(const char* type = "LumeD")
    {
        TestCamera& camera = rig_.Add<TestCamera>(VFakeDeviceManager::SequentialId,
                                                  BriselTest::TestCameraDefinitions());
        camera.SetParameter("DeviceType", std::string(type));
        TestRig::Connect(camera);
        return camera;
    }

    template <class T> bool Becomes(const VFakeDevice& device, const char* name, T expected)
    {
        return RunLoopUntil(
            [&]
            {
                T value{};
                return device.GetParameter(name, value) && value == expected;
            });
    }

    // The reply to `command` once the camera has served the writes queued before it.
    std::string Run(HalProbe::CommandSession& session, const std::string& command)
    {
        QtTest::DrainLoop();
        return session.Run(command, 2s);
    }
};

std::string EndOf(const std::string& text, std::size_t length)
{
    return text.size() < length ? text : text.substr(text.size() - length);
}
} // namespace

TEST_F(FakeDeviceCameraTest, ReportAndWindowFollowTheType)
{
    ConnectedCamera("LumeB");
    ConnectedCamera("SorrelMV");
    TestCamera& pellar = ConnectedCamera("PELLAR_VIDEO_VGA");
    ASSERT_TRUE(Becomes(pellar, "SensorWidth", 640));
    auto first = OpenSession(9001);
    first->ReadGreeting(2s);
    EXPECT_EQ(Run(*first, "window"), "0 1024 0 1280\n");
    const std::string report = Run(*first, "info");
    EXPECT_EQ(report.rfind("Device Type : LumeB\nDisplay Device Type : LumeB\nSensor : MV13\n"
                           "Sensor Dimensions : 1280 x 1024\n",
                           0),
              0u)
        << report;
    EXPECT_NE(report.find("Device ID : 1\nStrobe Type : Visible\n"), std::string::npos);
    EXPECT_EQ(EndOf(report, 29), "Centroid Tracking Able : yes\n");

    auto second = OpenSession(9002);
    second->ReadGreeting(2s);
    EXPECT_EQ(EndOf(Run(*second, "info"), 42), "Stream : V2 6000 4096 Centroids Greyscale\n");
    auto third = OpenSession(9003);
    third->ReadGreeting(2s);
    const std::string pellarReport = Run(*third, "info");
    EXPECT_NE(pellarReport.find("Display Device Type : Pellar (Reference Video)\n"),
              std::string::npos);
    EXPECT_EQ(EndOf(pellarReport, 70), "Stream : V2 6000 1460 Centroids Greyscale\n"
                                       "Stream : V2 7000 8000 Video\n");
}

TEST_F(FakeDeviceCameraTest, CommandsSetTheirParameters)
{
    TestCamera& camera = ConnectedCamera();
    auto session = OpenSession(9001);
    session->ReadGreeting(2s);
    const std::pair<const char*, std::pair<const char*, int>> numbers[] = {
        {"gain 5", {"Gain", 5}},
        {"minratio 100", {"MinRatio", 100}},
        {"setstrobe 700", {"Strobe", 700}},
        {"threshold 90", {"Threshold", 90}},
        {"dspparams -s 12", {"MaxPixelsPerLine", 12}}};
    for (const auto& [command, expected] : numbers)
    {
        EXPECT_EQ(Run(*session, command), "");
        EXPECT_TRUE(Becomes(camera, expected.first, expected.second)) << command;
    }
    Run(*session, "gain");
    Run(*session, "threshold x");
    EXPECT_TRUE(Becomes(camera, "Gain", 5)) << "no number, no change";
    EXPECT_TRUE(Becomes(camera, "Threshold", 90));

    Run(*session, "greymode  some \r");
    EXPECT_TRUE(Becomes(camera, "GreyMode", std::string("some")));
    Run(*session, "greymode sideways");
    Run(*session, "greymode all");
    EXPECT_TRUE(Becomes(camera, "GreyMode", std::string("all")));
    Run(*session, "coordmode only");
    EXPECT_TRUE(Becomes(camera, "CoordMode", std::string("only")));
    Run(*session, "coordmode all");
    EXPECT_TRUE(Becomes(camera, "CoordMode", std::string("only"))) << "\"all\" is not accepted";

    Run(*session, "led 1 2 p3");
    EXPECT_TRUE(Becomes(camera, "LED1", std::string("2")));
    EXPECT_TRUE(Becomes(camera, "LED2", std::string("p3")));
    Run(*session, "led 0 on 9 off");
    EXPECT_TRUE(Becomes(camera, "LED0", std::string("on")));
    Run(*session, "led 3 \"p 9\"");
    EXPECT_TRUE(Becomes(camera, "LED3", std::string("p 9"))) << "quotes group a token";
    EXPECT_EQ(Run(*session, "portset 6000"), "");
    EXPECT_EQ(camera.Ports(), (std::vector<std::uint16_t>{6000}));
    EXPECT_EQ(Run(*session, "nonsense"), "");
}

// No command sets the sensor: an ordinary parameter write stands in for the HAL's.
TEST_F(FakeDeviceCameraTest, SensorIsFixedWhileConnected)
{
    TestCamera& camera = ConnectedCamera();
    IParam& width = *camera.GetParamList().FindParam(VStringStd("SensorWidth"));
    EXPECT_FALSE(SetParamValue(width, 100, true)) << "read-only while connected";
    EXPECT_TRUE(camera.GetParamList().FindParam(VStringStd("StrobeType"))->IsReadOnly());
    TestRig::Connect(camera, false);
    EXPECT_TRUE(SetParamValue(width, 100, true));
    EXPECT_FALSE(camera.GetParamList().FindParam(VStringStd("SensorType"))->IsReadOnly());
    EXPECT_EQ(camera.GetSettings()->sensorWidth, 100) << "the frame path sees the change";
}

TEST_F(FakeDeviceCameraTest, PreviewStreamsTheAddressedCameraOnly)
{
    TestCamera& addressed = ConnectedCamera("PELLAR_MOCAP_VGA");
    TestCamera& other = ConnectedCamera("PELLAR_MOCAP_VGA");
    BriselTest::UdpTestSocket preview(TestRig::kHal, 8574);
    hal_.Preview(1, true);
    ASSERT_TRUE(Becomes(addressed, "PreviewMode", true));
    EXPECT_TRUE(Becomes(other, "PreviewMode", false));
    EXPECT_TRUE(addressed.IsPreview() && other.IsPreview()) << "every device is in preview";
    std::optional<std::vector<std::uint8_t>> image;
    ASSERT_TRUE(RunLoopUntil([&] { return (image = preview.Receive(1ms)).has_value(); }));
    ASSERT_GE(image->size(), 36u + 1);
    EXPECT_EQ((*image)[0] | ((*image)[1] << 8), 0xC000);

    hal_.Preview(1, false);
    ASSERT_TRUE(Becomes(addressed, "PreviewMode", false));
    while (preview.Receive(50ms))
    {
    }
    EXPECT_FALSE(preview.Receive(200ms)) << "no image once preview is off";
}

TEST_F(FakeDeviceCameraTest, CameraWithoutSensorSizeRefusesToPreview)
{
    TestCamera& camera = ConnectedCamera("Unknown");
    ASSERT_TRUE(Becomes(camera, "SensorWidth", 0));
    hal_.Preview(1, true);
    ASSERT_TRUE(Becomes(camera, "PreviewMode", true));
    BriselTest::UdpTestSocket preview(TestRig::kHal, 8574);
    EXPECT_FALSE(preview.Receive(300ms)) << "no image of no size";
}

TEST_F(FakeDeviceCameraTest, SyntheticCamerasTakeTheirTypeAndStrobeFromTheirCodes)
{
    rig_.Manager().AddSynthCamera(20, 2);
    rig_.Manager().AddSynthCamera(13);
    VFakeDevice& sorrel = *rig_.Manager().GetDevice(0);
    VFakeDevice& unknown = *rig_.Manager().GetDevice(1);
    EXPECT_EQ(sorrel.GetDeviceID(), 1u);
    EXPECT_EQ(sorrel.GetDescription(), "Synth: SorrelMV 1");
    EXPECT_TRUE(Becomes(sorrel, "StrobeType", std::string("Near IR")));
    EXPECT_TRUE(Becomes(sorrel, "PacketSize", 4096));
    EXPECT_TRUE(Becomes(sorrel, "CentroidsX", 25));
    EXPECT_TRUE(Becomes(sorrel, "GridType", 0));
    EXPECT_EQ(unknown.GetDescription(), "Synth: Unknown 2");
    EXPECT_TRUE(Becomes(unknown, "ProtocolVersion", 0));
    EXPECT_TRUE(Becomes(unknown, "StrobeType", std::string("Visible")));
}
