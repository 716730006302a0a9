// The per-frame cost of one network box replaying X1D analogue data: resample, interleave and
// send one frame of 64 enabled channels at 3000 Hz with a 500 Hz frame rate (6 samples per
// channel, 384 values in one datagram, then the frame record), beside a bare send() loop of the
// same two datagrams in the same run. Prints CPU time per frame of each, the extraction alone,
// and the share of one core that 8 such boxes take at 500 Hz; then the same frame made by a
// synthetic box's sine test signal instead of a recording.
//
// bench_analogue [SECONDS]     default 10; the X1D file is written to /tmp and removed

#include "Figure.h"
#include "FileIO/X1DImport.h"
#include "RigMeasures.h"
#include "SecondsArgument.h"
#include "devices/netbox/AnalogueStream.h"
#include "devices/netbox/TestSignal.h"
#include "devices/netbox/X1DHolder.h"
#include "devices/netbox/X1DSamples.h"
#include "net/AsioUdpSocket.h"
#include "tools/trialtool/X1DSynthesizer.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <netinet/in.h>
#include <numeric>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using RigMeasures::CpuOf;
using RigMeasures::ThreadCpuSeconds;

namespace
{
constexpr std::uint32_t kChannels = 64;
constexpr std::uint32_t kSampleRate = 3000;
constexpr std::uint32_t kFrameRate = 500;
constexpr std::uint32_t kSamplesPerChannel = kSampleRate / kFrameRate;
constexpr std::uint32_t kStoredFrames = 500;
constexpr std::uint32_t kBoxes = 8;
constexpr long long kFramesPerRound = 20000;

// One second of a 64-channel recording at the box's rate, one device.
bool WriteRecording(const std::string& path)
{
    TrialTool::X1DSynthesisOptions options;
    options.devices = 1;
    options.channels = kChannels;
    options.samples = kSamplesPerChannel;
    options.frames = kStoredFrames;
    return TrialTool::X1DSynthesizer(options).Write(path);
}

// A socket on 127.0.0.1 that receives nothing: datagrams beyond its buffer are dropped, so the
// senders never wait and never get refusals.
class Sink
{
public:
    Sink()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
        socklen_t length = sizeof(address);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~Sink() { ::close(fd_); }
    std::uint16_t Port() const { return port_; }

private:
    int fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    std::uint16_t port_ = 0;
};

struct Costs
{
    double extract = 0.0; // CPU seconds
    double box = 0.0;
    double signal = 0.0;
    double bare = 0.0;
    long long frames = 0;
};

// A source's data socket to the sink and the analogue stream on it; sends one frame of
// `samples` samples of all channels with its record.
class Stream
{
public:
    explicit Stream(std::uint16_t port) : socket_(io_), stream_(socket_)
    {
        const std::uint32_t loopback = htonl(INADDR_LOOPBACK);
        socket_.OpenForSending(loopback, loopback, port);
    }

    void Send(std::uint32_t frame, const std::vector<std::uint16_t>& values, std::uint32_t total,
              std::uint32_t samples)
    {
        VAnalogueFrameRecord record;
        record.deviceId = 0x02000001;
        record.currentFrame = frame;
        record.previousFrame = frame - 1;
        record.runningTotal = total;
        record.samplesPerChannel = std::uint16_t(samples);
        record.channelCount = std::uint16_t(kChannels);
        record.channelMask = ~0ULL;
        stream_.Send(values, record);
    }

private:
    boost::asio::io_context io_;
    VDataOutSocket socket_;
    VAnalogueStream stream_;
};

// The box's frame step as its X1D source runs it: extract, count, send.
class Box
{
public:
    Box(std::shared_ptr<VX1DHolder> holder, std::uint16_t port)
        : samples_(std::move(holder), 0), stream_(port)
    {
        enabled_.resize(kChannels);
        std::iota(enabled_.begin(), enabled_.end(), 0u);
    }

    void Produce(std::uint32_t frame)
    {
        const std::vector<std::uint16_t>& values = Extract(frame);
        total_ += std::uint32_t(values.size());
        stream_.Send(frame, values, total_, kSamplesPerChannel);
    }

    const std::vector<std::uint16_t>& Extract(std::uint32_t frame)
    {
        return samples_.Extract(frame, kSamplesPerChannel, enabled_);
    }

private:
    VX1DSamples samples_;
    Stream stream_;
    std::vector<std::uint32_t> enabled_;
    std::uint32_t total_ = 0;
};

// A synthetic box's frame step: sample the sine on the master clock, count, send.
class SignalBox
{
public:
    explicit SignalBox(std::uint16_t port) : stream_(port)
    {
        settings_.prescaler = 5;
        settings_.divisor = 135000000 / (5 * kSampleRate);
        settings_.numChannels = kChannels;
        settings_.enabledChannels = ~0ULL;
        settings_.gains.fill(1);
        settings_.captureActive = true;
        settings_.testSignalFrequency = 1.0;
    }

    void Produce(std::uint32_t frame)
    {
        const std::uint32_t instants = signal_.Produce(settings_, frameTicks_);
        total_ += instants;
        stream_.Send(frame, signal_.Values(), total_, instants);
    }

private:
    VNetBoxSettings settings_;
    const std::int64_t frameTicks_ = VTestSignal::FrameTicks(kFrameRate);
    VTestSignal signal_;
    Stream stream_;
    std::uint32_t total_ = 0;
};

// The same two datagrams per frame from a plain connected socket.
double BareSend(std::uint16_t port, long long frames)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    const std::vector<std::uint8_t> samples(kChannels * kSamplesPerChannel * 2, 0x5A);
    const std::vector<std::uint8_t> record(kAnalogueFrameRecordSize, 0xA5);
    const double before = ThreadCpuSeconds();
    for (long long i = 0; i < frames; ++i)
    {
        ::send(fd, samples.data(), samples.size(), 0);
        ::send(fd, record.data(), record.size(), 0);
    }
    const double cpu = ThreadCpuSeconds() - before;
    ::close(fd);
    return cpu;
}

// Rounds of the three loops in turn until `seconds` have passed, so that the machine's load
// falls on all of them alike.
Costs Measure(const std::shared_ptr<VX1DHolder>& holder, int seconds)
{
    Sink sink;
    Box box(holder, sink.Port());
    SignalBox signal(sink.Port());
    Costs costs;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::uint32_t frame = 0;
    while (std::chrono::steady_clock::now() < end)
    {
        costs.extract += CpuOf(kFramesPerRound, frame, [&](std::uint32_t f) { box.Extract(f); });
        costs.box += CpuOf(kFramesPerRound, frame, [&](std::uint32_t f) { box.Produce(f); });
        costs.signal += CpuOf(kFramesPerRound, frame, [&](std::uint32_t f) { signal.Produce(f); });
        costs.bare += BareSend(sink.Port(), kFramesPerRound);
        costs.frames += kFramesPerRound;
        frame += std::uint32_t(kFramesPerRound);
    }
    return costs;
}

void Report(const Costs& costs)
{
    const double frames = double(costs.frames);
    const double extract = costs.extract / frames;
    const double box = costs.box / frames;
    const double bare = costs.bare / frames;
    const double signal = costs.signal / frames;
    std::printf("analogue replay, %u channels at %u Hz, %u Hz frames (%u values per frame), "
                "%lld frames per loop\n",
                kChannels, kSampleRate, kFrameRate, kChannels * kSamplesPerChannel, costs.frames);
    std::printf("  CPU per frame: box %.2f us (%.2fx the bare send), of which extraction "
                "%.2f us; bare send of the same datagrams %.2f us\n",
                box * 1e6, box / bare, extract * 1e6, bare * 1e6);
    std::printf("  %u boxes at %u Hz: %.2f %% of one core (bare send: %.2f %%)\n", kBoxes,
                kFrameRate, box * kBoxes * kFrameRate * 100.0, bare * kBoxes * kFrameRate * 100.0);
    std::printf("  sine test signal instead of the recording: %.2f us per frame (%.2fx the bare "
                "send), %u boxes at %u Hz: %.2f %% of one core\n",
                signal * 1e6, signal / bare, kBoxes, kFrameRate,
                signal * kBoxes * kFrameRate * 100.0);
    PrintFigure(stdout, "analogue.replay_cpu_per_frame", box * 1e6, "us", "analogue.bare_send",
                bare * 1e6);
    PrintFigure(stdout, "analogue.sine_cpu_per_frame", signal * 1e6, "us", "analogue.bare_send",
                bare * 1e6);
}
} // namespace

int main(int argc, char** argv)
{
    const int seconds = SecondsArgument(argc, argv);
    if (seconds == 0)
        return 2;
    char path[] = "/tmp/brisel-analogue-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0)
        return 1;
    ::close(fd);
    const bool written = WriteRecording(path);
    auto reader = std::make_shared<VX1DImport>();
    if (!written || !reader->Open(path))
    {
        std::fprintf(stderr, "cannot write or open %s\n", path);
        ::unlink(path);
        return 1;
    }
    const auto holder = std::make_shared<VX1DHolder>(reader);
    reader->Close();
    ::unlink(path);
    Report(Measure(holder, seconds));
    return 0;
}
