// Latency of the CG stream path on loopback: the producer notes frame F as sent (as the
// device manager does after each master frame), the test server publishes F as the answer
// to the client's pending frame request, and the client counts F's latency when it comes
// back, in the same histogram the CG client exports (here in microseconds, so loopback
// times are visible). Printed are the median and the 99th percentile. The baseline, in the
// same run, is a bare TCP round trip of a request-sized message and a frame-sized answer
// between two loopback sockets.
//
// bench_cg_latency [SECONDS]   (default 10 per phase)

#include "bench/Figure.h"
#include "bench/SecondsArgument.h"
#include "cgstream/LatencyRecorder.h"
#include "cgstream/SarnetCGStreamClient.h"
#include "tools/halprobe/CGStreamServer.h"

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;
using Histogram = std::map<std::uint32_t, std::int32_t>;

namespace
{
std::int32_t Microseconds()
{
    const auto now = Clock::now().time_since_epoch();
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
}

// The latency below which `share` of the counted frames lie.
std::uint32_t Percentile(const Histogram& histogram, double share)
{
    std::int64_t total = 0;
    for (const auto& entry : histogram)
        total += entry.second;
    std::int64_t seen = 0;
    for (const auto& [latency, count] : histogram)
    {
        seen += count;
        if (seen >= share * total)
            return latency;
    }
    return 0;
}

// Prints the statistics of `histogram` and returns its median.
std::uint32_t Print(const char* what, const Histogram& histogram)
{
    std::int64_t total = 0;
    for (const auto& entry : histogram)
        total += entry.second;
    std::printf("%-34s %8lld samples  median %6u us  p99 %6u us\n", what,
                static_cast<long long>(total), Percentile(histogram, 0.5),
                Percentile(histogram, 0.99));
    return Percentile(histogram, 0.5);
}

// One frame published at a time; the server's answer waits for it.
class FrameHandOff
{
public:
    void Publish(std::uint32_t frame)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        published_ = frame;
        changed_.notify_all();
    }
    std::uint32_t Next()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return published_ != served_ || stopped_; });
        served_ = published_;
        return served_;
    }
    void NoteReceived(std::uint32_t frame)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        received_ = frame;
        changed_.notify_all();
    }
    void WaitReceived(std::uint32_t frame)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(1), [&] { return received_ == frame; });
    }
    void Stop()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint32_t published_ = 0;
    std::uint32_t served_ = 0;
    std::uint32_t received_ = 0;
    bool stopped_ = false;
};

class Receiver : public ISarnetCGStreamClientCallback
{
public:
    Receiver(VLatencyRecorder& latency, FrameHandOff& handOff)
        : latency_(latency), handOff_(handOff)
    {
    }
    void OnStreamInfo(std::shared_ptr<const SarnetCGStream::VStreamInfoBundle>) override {}
    void OnFrame(std::shared_ptr<const SarnetCGStream::VFrameBundle> bundle) override
    {
        latency_.RecordReceived(bundle->frameNumber);
        handOff_.NoteReceived(bundle->frameNumber);
    }

private:
    VLatencyRecorder& latency_;
    FrameHandOff& handOff_;
};

Histogram MeasureStream(int seconds)
{
    VLatencyRecorder latency(Microseconds);
    FrameHandOff handOff;
    HalProbe::VCGStreamServer server(0, [&] { return handOff.Next(); });
    auto receiver = std::make_shared<Receiver>(latency, handOff);
    VSarnetCGStreamClient client(receiver);
    client.SetRequestedTypes({SarnetCGStream::kStreamInfo, SarnetCGStream::kFrameInfo});
    client.Connect("127.0.0.1", server.GetPort());
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    for (std::uint32_t frame = 1; Clock::now() < end && client.IsRunning(); ++frame)
    {
        latency.RecordSent(frame);
        handOff.Publish(frame);
        handOff.WaitReceived(frame);
    }
    handOff.Stop();
    client.Disconnect();
    return latency.GetHistogram();
}

int ConnectedPair(int& serverSide)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 1);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const int client = ::socket(AF_INET, SOCK_STREAM, 0);
    ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
    serverSide = ::accept(listener, nullptr, nullptr);
    ::close(listener);
    const int on = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(serverSide, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return client;
}

bool Exchange(int socket, std::vector<std::uint8_t>& out, std::vector<std::uint8_t>& in)
{
    if (::send(socket, out.data(), out.size(), MSG_NOSIGNAL) != ssize_t(out.size()))
        return false;
    return ::recv(socket, in.data(), in.size(), MSG_WAITALL) == ssize_t(in.size());
}

// A pull request (header and frame request) and a frame answer (header, stream information
// and frame number), as the CG stream path exchanges them.
constexpr std::size_t kRequestBytes = 17;
constexpr std::size_t kAnswerBytes = 36;

Histogram MeasureRoundTrip(int seconds)
{
    int serverSide = -1;
    const int client = ConnectedPair(serverSide);
    std::thread echo(
        [serverSide]
        {
            std::vector<std::uint8_t> request(kRequestBytes);
            std::vector<std::uint8_t> answer(kAnswerBytes);
            while (::recv(serverSide, request.data(), request.size(), MSG_WAITALL) ==
                       ssize_t(request.size()) &&
                   ::send(serverSide, answer.data(), answer.size(), MSG_NOSIGNAL) ==
                       ssize_t(answer.size()))
            {
            }
        });
    std::vector<std::uint8_t> request(kRequestBytes);
    std::vector<std::uint8_t> answer(kAnswerBytes);
    Histogram histogram;
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end)
    {
        const std::int32_t start = Microseconds();
        if (!Exchange(client, request, answer))
            break;
        ++histogram[static_cast<std::uint32_t>(Microseconds() - start)];
    }
    ::shutdown(client, SHUT_RDWR);
    echo.join();
    ::close(client);
    ::close(serverSide);
    return histogram;
}
} // namespace

int main(int argc, char** argv)
{
    const int seconds = SecondsArgument(argc, argv);
    if (seconds == 0)
        return 2;
    const std::uint32_t stream =
        Print("CG stream, frame noted -> received", MeasureStream(seconds));
    const std::uint32_t roundTrip =
        Print("baseline: bare TCP round trip", MeasureRoundTrip(seconds));
    PrintFigure(stdout, "cg_latency.median", stream, "us", "cg_latency.bare_tcp_round_trip",
                roundTrip);
    return 0;
}
