// Camera streams received over real UDP datagrams on loopback.

#include "tests/support/UdpTestSocket.h"
#include "tests/tools/halprobe/CameraBytes.h"
#include "tools/halprobe/CameraFrameText.h"
#include "tools/halprobe/CameraStreamListener.h"
#include "tools/halprobe/ProbeError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace HalProbe;
using namespace CameraBytes;
using namespace std::chrono_literals;
using testing::HasSubstr;

namespace
{
// A camera's data socket: its own address and port, sending to the HAL at 127.0.0.2.
class Camera
{
public:
    explicit Camera(std::uint16_t port = kPort) : socket_("127.0.0.1", port) {}

    void Send(std::uint16_t port, const Bytes& datagram)
    {
        socket_.SendTo("127.0.0.2", port, datagram);
    }

    static constexpr std::uint16_t kPort = 40100;

private:
    BriselTest::UdpTestSocket socket_;
};

// The ProbeError that NextFrame throws, or a failure.
std::string BadStreamMessage(CameraStreamListener& listener)
{
    try
    {
        const std::optional<CameraFrame> frame = listener.NextFrame(5s);
        ADD_FAILURE() << (frame ? CameraFrameSummary(*frame) : "no frame, no fault");
    }
    catch (const ProbeError& error)
    {
        EXPECT_EQ(error.GetKind(), ProbeError::Kind::BadStream);
        return error.what();
    }
    return "";
}

std::vector<Bytes> CombinedFrame(std::uint32_t frameNumber)
{
    Header header;
    header.frameNumber = frameNumber;
    const Bytes first = Concat({HeaderBytes(header), Settings(128, 0, 0, 8), Centroids(0, 2)});
    header.index = 1;
    header.payloadOffset = 48;
    header.flags = 1;
    return {first, Concat({HeaderBytes(header), Centroids(2, 1)})};
}
} // namespace

TEST(CameraStreamListener, CentroidStreamFramesArriveAmongStatusRecords)
{
    CameraStreamListener listener("127.0.0.2", 5000, CameraStream::Centroid);
    Camera camera;
    const Bytes syncStatus = Writer().U16(3).U16(24).U16(1).U16(7).U32(7).U32(3).U64(0).Get();
    Trailer trailer;
    trailer.payloadBytes = 3200;
    trailer.centroidCount = 200;
    camera.Send(5000, syncStatus);
    camera.Send(5000, Centroids(0, 87));
    camera.Send(5000, Centroids(87, 87));
    camera.Send(5000, syncStatus);
    camera.Send(5000, Centroids(174, 26));
    camera.Send(5000, TrailerBytes(trailer));

    const std::optional<CameraFrame> frame = listener.NextFrame(5s);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->deviceId, 7u);
    EXPECT_EQ(frame->centroids.size(), 200u);
    EXPECT_EQ(frame->centroids[199].rawX, 199 * 256);
    EXPECT_EQ(frame->sender, 0x7F000001u);
    EXPECT_EQ(frame->senderPort, Camera::kPort);
    EXPECT_FALSE(listener.NextFrame(20ms));

    camera.Send(5000, Writer().U16(0x0105).U16(8).U32(0).Get());
    EXPECT_THAT(BadStreamMessage(listener),
                HasSubstr("no camera data on the centroid stream: type 261, length 8"));
}

TEST(CameraStreamListener, CombinedStreamIsReassembledAndItsFaultsThrown)
{
    CameraStreamListener listener("127.0.0.2", 10000, CameraStream::Combined);
    EXPECT_EQ(listener.Stream(), CameraStream::Combined);
    Camera camera;
    const std::vector<Bytes> first = CombinedFrame(40);
    camera.Send(10000, first[1]);
    camera.Send(10000, first[0]);
    const std::optional<CameraFrame> frame = listener.NextFrame(5s);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->frameNumber, 40u);
    EXPECT_EQ(frame->centroids.size(), 3u);
    EXPECT_TRUE(frame->arrivedOutOfOrder);

    const std::vector<Bytes> doubled = CombinedFrame(41);
    camera.Send(10000, doubled[0]);
    camera.Send(10000, doubled[0]);
    EXPECT_EQ(BadStreamMessage(listener),
              "combined stream from 127.0.0.1:40100, camera 0x00000009 (9), frame 41: "
              "datagram 0 arrived twice");

    // The listener goes on with the next frame.
    for (const Bytes& datagram : CombinedFrame(42))
        camera.Send(10000, datagram);
    const std::optional<CameraFrame> next = listener.NextFrame(5s);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->frameNumber, 42u);
    EXPECT_FALSE(next->arrivedOutOfOrder);
}

TEST(CameraStreamListener, IncompleteFramesAreReportedOnRequest)
{
    CameraStreamListener listener("127.0.0.2", 6000, CameraStream::Greyscale);
    Camera camera;
    Camera other(Camera::kPort + 1);
    camera.Send(6000, EdgePair(1, 2, 3));
    Trailer trailer;
    trailer.streamKind = 1;
    other.Send(6000, TrailerBytes(trailer));
    // Loopback keeps the order of the two sends, so the other camera's frame comes after
    // the first camera's item.
    const std::optional<CameraFrame> frame = listener.NextFrame(5s);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->senderPort, Camera::kPort + 1);
    const std::vector<StreamFault> faults = listener.FlushIncomplete();
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_EQ(faults[0].what, "frame without its trailer");
}
