// Synthetic cameras as the HAL sees them: the grid each protocol's streams carry, frame by
// frame, and how the threshold, the pattern and the grey mode change it.

#include "tests/devices/DeviceTestSupport.h"
#include "tests/devices/camera/CameraFrameWait.h"

#include <algorithm>
#include <functional>
#include <sys/socket.h>

using namespace std::chrono_literals;
using BriselTest::OpenSession;
using BriselTest::TestRig;
using HalProbe::CameraFrame;
using HalProbe::CameraStream;
using HalProbe::CameraStreamListener;
using QtTest::RunLoopUntil;

namespace
{
constexpr int kLumeD = 2;
constexpr int kSorrelMV = 20;
// Slow enough for a sanitizer build to decode every frame of discs as it comes.
constexpr double kRate = 10.0;
// What a wait may take on a loaded machine under a sanitizer; it only matters on failure.
constexpr std::chrono::seconds kSlowBuild{60};

class SynthCameraTest : public BriselTest::DeviceTest
{
protected:
    // One connected synthetic camera of `type` with its data port 6000, data enabled and
    // driving the frames; `before` runs before the camera is given its port.
    VFakeDevice& Start(int type, const std::function<void(VFakeDevice&)>& before = {})
    {
        rig_.Manager().AddSynthCamera(type);
        VFakeDevice& camera = *rig_.Manager().GetDevice(0);
        TestRig::Connect(camera);
        if (before)
            before(camera);
        hal_.DataDisable(false);
        session_ = OpenSession(9001);
        session_->ReadGreeting(2s);
        Run("datadisable false");
        Run("portset 6000");
        hal_.Master(camera.GetDeviceID(), kRate);
        return camera;
    }

    // The reply to `command` once the camera has served the writes queued before it.
    std::string Run(const std::string& command)
    {
        QtTest::DrainLoop();
        return session_->Run(command, 2s);
    }

    static std::optional<CameraFrame>
    NextFrameWhere(CameraStreamListener& listener,
                   const std::function<bool(const CameraFrame&)>& wanted)
    {
        return BriselTest::NextFrameWhere(listener, wanted, kSlowBuild);
    }

    static std::optional<CameraFrame> NextFrame(CameraStreamListener& listener)
    {
        return NextFrameWhere(listener, [](const CameraFrame&) { return true; });
    }

    std::unique_ptr<HalProbe::CommandSession> session_;
};

// A frame of discs arrives as a burst of datagrams larger than a socket's default buffer.
void RoomForWholeFrames(CameraStreamListener& listener)
{
    const int bytes = 32 << 20;
    ASSERT_EQ(
        ::setsockopt(listener.Descriptor(), SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof(bytes)), 0);
}

bool SortedByRow(const CameraFrame& frame)
{
    return std::is_sorted(frame.lines.begin(), frame.lines.end(),
                          [](const auto& a, const auto& b) { return a.y < b.y; });
}
} // namespace

TEST_F(SynthCameraTest, Protocol1GridOfTheDefaultsThenTheThresholdsRowCounts)
{
    CameraStreamListener centroids(TestRig::kHal, 6000, CameraStream::Centroid);
    CameraStreamListener greyscale(TestRig::kHal, 7000, CameraStream::Greyscale);
    VFakeDevice& camera =
        Start(kLumeD, [](VFakeDevice& device) { device.SetParameter("GridType", 1); });
    EXPECT_NE(Run("info").find("Strobe Type : Visible\n"), std::string::npos)
        << "a camera made without a strobe kind keeps the default strobe";

    std::optional<CameraFrame> frame =
        NextFrameWhere(centroids, [](const CameraFrame& f) { return !f.centroids.empty(); });
    ASSERT_TRUE(frame);
    ASSERT_EQ(frame->centroids.size(), 300u) << "12 rows of 25";
    EXPECT_EQ(frame->centroids.front().rawX, 92 * 256);
    EXPECT_EQ(frame->centroids.front().rawY, 51 * 256);
    EXPECT_EQ(frame->centroids.back().rawX, 2300 * 256);
    EXPECT_EQ(frame->centroids.back().rawY, 612 * 256);
    EXPECT_EQ(frame->centroids.back().rawRadius, 2 * 256);
    EXPECT_EQ(frame->centroids.back().rawQuality, 25600);
    EXPECT_EQ(frame->datagramSizes, (std::vector<std::size_t>{1392, 1392, 1392, 624, 36}));
    ASSERT_TRUE(frame->trailer);
    EXPECT_EQ(frame->trailer->payloadBytes, 4800u);
    EXPECT_EQ(frame->trailer->centroidCount, 0u);
    EXPECT_EQ(frame->trailer->flags, 0u);
    EXPECT_EQ(frame->deviceId, camera.GetDeviceID());

    frame = NextFrame(greyscale);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->datagramSizes, std::vector<std::size_t>{36}) << "the trailer alone";
    ASSERT_TRUE(frame->trailer);
    EXPECT_EQ(frame->trailer->payloadBytes, 0u);
    EXPECT_EQ(frame->trailer->threshold, 0u);

    Run("threshold 255");
    frame = NextFrameWhere(centroids, [](const CameraFrame& f) { return f.centroids.empty(); });
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->datagramSizes, std::vector<std::size_t>{36}) << "no rows: the trailer only";
    EXPECT_EQ(frame->trailer->payloadBytes, 0u);

    Run("threshold 0");
    EXPECT_TRUE(
        NextFrameWhere(centroids, [](const CameraFrame& f) { return f.centroids.size() == 625; }))
        << "all 25 rows";
}

// Column j of every frame lies half a row step low exactly when bit j of its number is 0.
TEST_F(SynthCameraTest, Protocol1FrameNumberPatternShowsEachFramesNumber)
{
    CameraStreamListener centroids(TestRig::kHal, 6000, CameraStream::Centroid);
    Start(kLumeD);
    for (int i = 0; i < 5; ++i)
    {
        const std::optional<CameraFrame> frame = NextFrame(centroids);
        ASSERT_TRUE(frame);
        ASSERT_EQ(frame->centroids.size(), 300u);
        for (std::size_t j = 0; j < 25; ++j)
        {
            const bool low = ((frame->frameNumber >> j) & 1) == 0;
            EXPECT_EQ(frame->centroids[j].rawY, (51 + (low ? 25 : 0)) * 256)
                << "frame " << frame->frameNumber << ", column " << j;
            EXPECT_EQ(frame->centroids[j].rawRadius, 9 * 256);
        }
    }
}

// SorrelMV: 3328 x 2424, so 12 rows of 25 centroids 131 apart, rows 72 apart, discs of
// radius 9 (19 lines each) at the default strobe.
TEST_F(SynthCameraTest, Protocol2SendsCentroidsAndDiscsByGreyMode)
{
    CameraStreamListener combined(TestRig::kHal, 11000, CameraStream::Combined);
    RoomForWholeFrames(combined);
    Start(kSorrelMV);
    Run("greymode some");
    std::optional<CameraFrame> frame = NextFrameWhere(
        combined, [](const CameraFrame& f) { return f.settings && f.settings->greyFlags == 10; });
    ASSERT_TRUE(frame);
    ASSERT_EQ(frame->centroids.size(), 150u) << "the first half of 300";
    EXPECT_EQ(frame->centroids.front().rawX, 131 * 256);
    EXPECT_EQ(frame->lines.size(), 149u * 19) << "discs of centroids 151 ... 299";
    EXPECT_TRUE(SortedByRow(*frame));
    const auto lowest = std::min_element(frame->lines.begin(), frame->lines.end(),
                                         [](const auto& a, const auto& b) { return a.y < b.y; });
    const int column151 = 151 % 25, row151 = 151 / 25;
    EXPECT_EQ(lowest->y, (row151 + 1) * 72 - 9 + ((frame->frameNumber >> column151) & 1 ? 0 : 36))
        << "no disc of centroid 150 or before";
    for (const HalProbe::DatagramHeader& header : frame->headers)
        EXPECT_LE(header.index + 1u, frame->headers.size());
    EXPECT_TRUE(frame->headers.back().flags & HalProbe::DatagramHeader::kLastDatagramFlag);

    const auto middle = std::find_if(frame->lines.begin(), frame->lines.end(),
                                     [](const auto& line) { return line.pixels.size() == 19; });
    ASSERT_NE(middle, frame->lines.end());
    EXPECT_EQ(middle->pixels[9], 255) << "centre";
    EXPECT_EQ(middle->pixels[0], 0) << "rim";

    Run("greymode only");
    frame = NextFrameWhere(combined, [](const CameraFrame& f)
                           { return f.settings && f.settings->greyFlags == 2; });
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->centroids.empty());
    EXPECT_EQ(frame->lines.size(), 300u * 19);
    EXPECT_TRUE(SortedByRow(*frame));

    Run("greymode none");
    frame = NextFrameWhere(combined, [](const CameraFrame& f)
                           { return f.settings && f.settings->greyFlags == 8; });
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->centroids.size(), 300u);
    EXPECT_TRUE(frame->lines.empty());
    EXPECT_EQ(frame->datagramSizes, (std::vector<std::size_t>{48, 4096, 768}))
        << "settings alone, then 254 and 46 centroids";

    Run("threshold 255");
    frame = NextFrameWhere(combined, [](const CameraFrame& f)
                           { return f.settings && f.settings->threshold == 255; });
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->datagramSizes, std::vector<std::size_t>{48}) << "an empty grid";
    EXPECT_EQ(frame->ItemCount(), 0u);
}
