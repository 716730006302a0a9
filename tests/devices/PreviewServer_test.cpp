#include "devices/PreviewServer.h"
#include "net/ByteOrder.h"
#include "tests/support/UdpTestSocket.h"

#include <arpa/inet.h>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

using Datagram = std::optional<std::vector<std::uint8_t>>;
using namespace std::chrono_literals;

namespace
{
constexpr std::uint32_t kDeviceId = 0x03000002;

std::uint32_t Ip(const char* text)
{
    return ::inet_addr(text);
}

std::size_t ThreadCount()
{
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return std::distance(begin(tasks), end(tasks));
}

// Where one datagram's pixels belong.
struct Placement
{
    std::uint32_t length;
    std::uint32_t firstLine;
    std::uint32_t offset;
    bool operator==(const Placement& other) const
    {
        return length == other.length && firstLine == other.firstLine && offset == other.offset;
    }
};

std::ostream& operator<<(std::ostream& out, const Placement& placement)
{
    return out << "{" << placement.length << " bytes, line " << placement.firstLine << ", offset "
               << placement.offset << "}";
}

// One image as the HAL puts it together.
struct Image
{
    std::vector<Placement> datagrams;
    std::vector<std::uint8_t> pixels;
};

// Rings around the centre: the whole distance in single precision plus 5 per image.
std::uint8_t RingPixel(std::int64_t x, std::int64_t y, std::uint32_t width, std::uint32_t height,
                       std::uint32_t image)
{
    const std::int64_t dx = x - width / 2;
    const std::int64_t dy = y - height / 2;
    return std::uint8_t(std::uint32_t(std::sqrt(float(dx * dx + dy * dy))) + 5 * image);
}

class PreviewServerTest : public testing::Test
{
protected:
    PreviewServerTest() { hal_.SetReceiveBufferSize(16 << 20); }

    std::unique_ptr<VPreviewServer> MakeServer(std::uint32_t width, std::uint32_t height)
    {
        return std::make_unique<VPreviewServer>(Ip("127.0.0.1"), Ip("127.0.0.2"), kDeviceId, width,
                                                height, ioService_);
    }

    // The datagram put back by ReceiveImage(), else the next one to arrive.
    Datagram Next()
    {
        if (putBack_)
            return std::exchange(putBack_, std::nullopt);
        return hal_.Receive(5s);
    }

    // Reads the datagrams of image `counter`, which must come next, up to the first of the
    // following image, which it puts back; checks the fixed header fields of each.
    Image ReceiveImage(std::uint32_t counter, std::uint32_t width, std::uint32_t height)
    {
        Image image;
        image.pixels.resize(std::size_t(width) * height);
        for (Datagram datagram = Next(); datagram; datagram = Next())
        {
            const std::uint8_t* bytes = datagram->data();
            EXPECT_GE(datagram->size(), VPreviewServer::kHeaderSize);
            const std::uint32_t imageCounter = ByteOrder::LoadLittleEndian32(bytes + 12);
            if (imageCounter != counter)
            {
                EXPECT_EQ(imageCounter, counter + 1) << "after image " << counter;
                EXPECT_EQ(ByteOrder::LoadLittleEndian32(bytes + 32), 0u) << "next image start";
                putBack_ = std::move(datagram);
                return image;
            }
            ExpectFixedFields(bytes, width, height);
            const Placement placement{ByteOrder::LoadLittleEndian32(bytes + 16),
                                      ByteOrder::LoadLittleEndian32(bytes + 20),
                                      ByteOrder::LoadLittleEndian32(bytes + 32)};
            EXPECT_EQ(datagram->size(), VPreviewServer::kHeaderSize + placement.length);
            if (placement.offset + placement.length <= image.pixels.size())
                std::copy(datagram->begin() + VPreviewServer::kHeaderSize, datagram->end(),
                          image.pixels.begin() + placement.offset);
            image.datagrams.push_back(placement);
        }
        ADD_FAILURE() << "image " << counter + 1 << " never began";
        return image;
    }

    static void ExpectFixedFields(const std::uint8_t* bytes, std::uint32_t width,
                                  std::uint32_t height)
    {
        EXPECT_EQ(ByteOrder::LoadLittleEndian16(bytes), 0xC000);
        EXPECT_EQ(ByteOrder::LoadLittleEndian16(bytes + 2), 36);
        EXPECT_EQ(ByteOrder::LoadLittleEndian16(bytes + 4), 2);
        EXPECT_EQ(ByteOrder::LoadLittleEndian16(bytes + 6), 4);
        EXPECT_EQ(ByteOrder::LoadLittleEndian32(bytes + 8), kDeviceId);
        EXPECT_EQ(ByteOrder::LoadLittleEndian32(bytes + 24), 1400u);
        EXPECT_EQ(ByteOrder::LoadLittleEndian16(bytes + 28), width);
        EXPECT_EQ(ByteOrder::LoadLittleEndian16(bytes + 30), height);
    }

    static void ExpectRings(const Image& image, std::uint32_t counter, std::uint32_t width,
                            std::uint32_t height)
    {
        std::size_t wrong = 0;
        for (std::uint32_t y = 0; y < height; ++y)
            for (std::uint32_t x = 0; x < width; ++x)
                wrong += image.pixels[std::size_t(y) * width + x] !=
                         RingPixel(x, y, width, height, counter);
        EXPECT_EQ(wrong, 0u) << "pixels off the rings in image " << counter;
    }

    void Drain()
    {
        while (hal_.Receive(0ms))
        {
        }
    }

    boost::asio::io_context ioService_;
    BriselTest::UdpTestSocket hal_{"127.0.0.2", VPreviewServer::kHalPort};
    Datagram putBack_;
};
} // namespace

// Batches of ten lines, 6400 bytes, go out as six datagrams of 1024 bytes and one of 256.
TEST_F(PreviewServerTest, SendsA640x480ImageAs48BatchesOfSevenDatagrams)
{
    const auto server = MakeServer(640, 480);
    ASSERT_TRUE(server->IsRunning());
    const Image first = ReceiveImage(1, 640, 480);
    std::vector<Placement> expected;
    for (std::uint32_t batch = 0; batch < 48; ++batch)
        for (std::uint32_t part = 0; part < 7; ++part)
            expected.push_back({part < 6 ? 1024u : 256u, batch * 10, batch * 6400 + part * 1024});
    EXPECT_EQ(first.datagrams, expected);
    ASSERT_EQ(first.pixels.size(), 640u * 480u);
    EXPECT_EQ(first.pixels[0], 149) << "(320² + 240²)^½ + 5 = 405";
    EXPECT_EQ(first.pixels[240 * 640 + 320], 5) << "centre";
    ExpectRings(first, 1, 640, 480);

    const Image second = ReceiveImage(2, 640, 480);
    EXPECT_EQ(second.datagrams, expected);
    EXPECT_EQ(second.pixels[0], 154);
    ExpectRings(second, 2, 640, 480);
}

// 25 lines of 100 pixels: two full batches and one of five lines.
TEST_F(PreviewServerTest, BatchesOfAHundredPixelWideImageFitOneDatagramEach)
{
    const auto server = MakeServer(100, 25);
    const Image image = ReceiveImage(1, 100, 25);
    EXPECT_EQ(image.datagrams,
              (std::vector<Placement>{{1000, 0, 0}, {1000, 10, 1000}, {500, 20, 2000}}));
    ExpectRings(image, 1, 100, 25);
}

// A batch of 3 × 10 pixels is shorter than the header, which lands on the image's first
// pixels once they are sent.
TEST_F(PreviewServerTest, ImagesNarrowerThanTheHeaderKeepTheirPixels)
{
    const auto server = MakeServer(3, 25);
    const Image image = ReceiveImage(1, 3, 25);
    EXPECT_EQ(image.datagrams, (std::vector<Placement>{{30, 0, 0}, {30, 10, 30}, {15, 20, 60}}));
    ExpectRings(image, 1, 3, 25);
    ExpectRings(ReceiveImage(2, 3, 25), 2, 3, 25);
}

// Destruction joins the thread, and loopback delivers each datagram within its send, so
// whatever was sent is queued when the destructor returns. A 1 × 1 image spends nearly all
// its time in the pause after drawing.
TEST_F(PreviewServerTest, NothingArrivesAfterDestruction)
{
    for (const std::uint32_t side : {480u, 1u})
    {
        auto server = MakeServer(side, side);
        for (int received = 0; received < 3; ++received)
            ASSERT_TRUE(hal_.Receive(5s)) << side << " × " << side;
        server.reset();
        Drain();
        EXPECT_EQ(hal_.Receive(200ms), std::nullopt) << side << " × " << side;
    }
}

TEST_F(PreviewServerTest, RefusesImagesWithoutPixelsOrTooLargeForTheHeader)
{
    const std::size_t threads = ThreadCount();
    const std::pair<std::uint32_t, std::uint32_t> sizes[] = {
        {0, 480}, {640, 0}, {0, 0}, {65536, 2}};
    for (const auto& [width, height] : sizes)
    {
        const auto server = MakeServer(width, height);
        EXPECT_FALSE(server->IsRunning()) << width << " × " << height;
        EXPECT_FALSE(server->IsOpen()) << width << " × " << height;
        EXPECT_EQ(ThreadCount(), threads);
    }
}
