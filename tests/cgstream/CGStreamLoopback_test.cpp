#include "Framework/EventSystem/EventManagerQt.h"
#include "cgstream/FakeLumeCGClient.h"
#include "params/ParamObjectTypes.h"
#include "tests/support/QtTestLoop.h"
#include "tests/support/TempDirectory.h"
#include "tools/halprobe/CGStreamServer.h"

#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

using HalProbe::VCGStreamServer;
using QtTest::RunLoopUntil;
using namespace std::chrono_literals;

namespace
{
constexpr std::uint16_t kDefaultPort = 801;

// A server that sends fixed bytes to the first client and then holds the connection.
class RawServer
{
public:
    RawServer() : listener_(HalProbe::ListenOnLoopback(kDefaultPort)) {}
    ~RawServer()
    {
        if (client_ >= 0)
            ::close(client_);
        ::close(listener_);
    }
    // Once the client has connected (the backlog holds it).
    void Send(const std::vector<std::uint8_t>& bytes)
    {
        client_ = ::accept(listener_, nullptr, nullptr);
        ASSERT_GE(client_, 0);
        ASSERT_EQ(::send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }

private:
    const int listener_;
    int client_ = -1;
};

class CGStreamLoopbackTest : public testing::Test
{
protected:
    CGStreamLoopbackTest()
        : client_(std::make_shared<VFakeLumeCGClient>(events_, [this] { return ++ticks_; }))
    {
    }
    ~CGStreamLoopbackTest() override
    {
        client_.reset();
        QtTest::DrainLoop();
    }

    template <class T> void Set(const char* name, const T& value)
    {
        IParam* param = client_->GetParamList().FindParam(VStringStd(name));
        ASSERT_TRUE(param);
        ASSERT_TRUE(SetParamValue(*param, value, false));
    }
    bool Flag(const char* name)
    {
        bool value = false;
        GetParamValue(*client_->GetParamList().FindParam(VStringStd(name)), value);
        return value;
    }
    int CountedFrames()
    {
        int total = 0;
        for (const auto& [latency, count] : client_->GetLatency().GetHistogram())
            total += count;
        return total;
    }
    void SendFrames(std::uint32_t first, std::uint32_t last)
    {
        for (std::uint32_t frame = first; frame <= last; ++frame)
            client_->RecordSent(frame);
    }
    bool WaitUntilDisconnected()
    {
        return RunLoopUntil([this] { return !Flag("Connected"); }, 10s);
    }

    VEventManagerQt events_;
    // Every reading of the clock is one tick later, so every latency is positive.
    std::atomic<std::int32_t> ticks_{0};
    std::shared_ptr<VFakeLumeCGClient> client_;
    BriselTest::TempDirectory folder_;
};
} // namespace

TEST_F(CGStreamLoopbackTest, FramesComingBackFillTheHistogramThatExportWrites)
{
    VCGStreamServer server(kDefaultPort);
    SendFrames(1, 20);
    Set("Connected", true);

    ASSERT_TRUE(RunLoopUntil([this] { return CountedFrames() == 20; }, 10s));
    EXPECT_EQ(server.GetRequestedTypes(), (std::set<std::uint32_t>{1, 5, 100004}));
    EXPECT_TRUE(Flag("Connected"));

    const std::string path = folder_.Path("latency.csv");
    Set("File", VStringStd(path));
    Set("Export", true);
    EXPECT_FALSE(Flag("Export"));
    std::ifstream csv(path);
    std::string header;
    std::getline(csv, header);
    EXPECT_EQ(header, "Latency,Frequency");

    Set("Clear", true);
    EXPECT_FALSE(Flag("Clear"));
    EXPECT_EQ(CountedFrames(), 0);
}

TEST_F(CGStreamLoopbackTest, AnExportThatCannotBeWrittenIsStillSwitchedBack)
{
    const std::string path = folder_.Path("missing") + "/latency.csv";
    Set("File", VStringStd(path));
    Set("Export", true);
    EXPECT_FALSE(Flag("Export"));
    EXPECT_FALSE(std::ifstream(path).good());
}

TEST_F(CGStreamLoopbackTest, AServerClosingMidPacketDisconnectsAndTheClientConnectsAgain)
{
    VCGStreamServer server(kDefaultPort);
    server.CloseMidPacketAfter(3);
    SendFrames(1, 10);
    Set("Connected", true);
    ASSERT_TRUE(WaitUntilDisconnected());
    EXPECT_EQ(CountedFrames(), 3);

    // Frame 4 was in the packet cut short; the server goes on with frame 5.
    server.CloseMidPacketAfter(VCGStreamServer::kNever);
    Set("Connected", true);
    ASSERT_TRUE(RunLoopUntil([this] { return CountedFrames() == 9; }, 10s));
    EXPECT_TRUE(client_->GetLatency().IsPending(4));
    EXPECT_EQ(server.GetSessionCount(), 2u);
    EXPECT_TRUE(Flag("Connected"));
}

TEST_F(CGStreamLoopbackTest, AServerThatStopsAnsweringEndsTheSession)
{
    VCGStreamServer server(kDefaultPort);
    server.StopAnsweringAfter(2);
    client_->GetStreamClient().SetAnswerTimeout(200ms);
    Set("Connected", true);
    ASSERT_TRUE(WaitUntilDisconnected());
    EXPECT_EQ(server.GetAnswerCount(), 2u);
}

TEST_F(CGStreamLoopbackTest, SwitchingOffEndsASessionThatWaitsForAnAnswer)
{
    VCGStreamServer server(kDefaultPort);
    server.StopAnsweringAfter(0);
    Set("Connected", true);
    ASSERT_TRUE(server.WaitUntil([&] { return !server.GetRequestedTypes().empty(); }, 10s));
    Set("Connected", false);
    EXPECT_FALSE(client_->GetStreamClient().IsRunning());
    QtTest::DrainLoop();
    EXPECT_FALSE(Flag("Connected"));
}

TEST_F(CGStreamLoopbackTest, NoServerMeansDisconnected)
{
    Set("Connected", true);
    EXPECT_TRUE(WaitUntilDisconnected());
}

TEST_F(CGStreamLoopbackTest, AFirstPacketWithoutTheOfferEndsTheSession)
{
    RawServer server;
    Set("Connected", true);
    server.Send({0x01, 0x00, 0x2B, 0x1A, 12, 0, 0, 0, 5, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0});
    EXPECT_TRUE(WaitUntilDisconnected());
}

TEST_F(CGStreamLoopbackTest, APacketClaimingFourGibibytesIsRefusedUnread)
{
    RawServer server;
    Set("Connected", true);
    server.Send({0x01, 0x00, 0x2B, 0x1A, 0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_TRUE(WaitUntilDisconnected());
}

TEST_F(CGStreamLoopbackTest, APacketOfTheWrongMagicEndsTheSession)
{
    RawServer server;
    Set("Connected", true);
    server.Send({0x02, 0x00, 0x2B, 0x1A, 0, 0, 0, 0});
    EXPECT_TRUE(WaitUntilDisconnected());
}
