// Cost of announcing 100 devices: 100 awake-and-alive servers run for the given time while
// a receiver counts the alive packets of every device; printed are the alive rate per
// device (min/mean/max packets per second, from the count and the span between its first
// and last packet) and the CPU time the sending side spent per
// second of wall time (process user+sys minus the receiver thread's own). The baseline,
// measured the same way in the same run, is a bare loop that sends the same 32-byte
// datagrams with sendto, 100 per tick on the same 100 ms grid.
//
// bench_alive [SECONDS]   (default 10 per phase; runs in a network namespace of its own)

#include "bench/Figure.h"
#include "bench/SecondsArgument.h"
#include "devices/AwakeAndAliveServer.h"
#include "tests/support/NetworkNamespace.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <numeric>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace
{
constexpr int kDevices = 100;
constexpr std::uint32_t kNetworkBoxFlag = 0x02000000;
constexpr std::uint32_t kAliveCommand = 0x00060007;
constexpr auto kPeriod = 100ms;
const char* const kLocal = "127.0.0.1";
const char* const kHal = "127.0.0.2";

// What the receiver saw of one device.
struct Arrivals
{
    std::uint64_t count = 0;
    Clock::time_point first;
    Clock::time_point last;

    double Rate() const
    {
        const double span = std::chrono::duration<double>(last - first).count();
        return count < 2 ? 0.0 : (count - 1) / span;
    }
};
using Counts = std::array<Arrivals, kDevices + 1>; // indexed by Port, 0 unused

double CpuSeconds(int who)
{
    rusage usage{};
    ::getrusage(who, &usage);
    const auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

sockaddr_in Address(const char* text, std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = ::inet_addr(text);
    return address;
}

int BoundSocket(const char* address, std::uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const sockaddr_in local = Address(address, port);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0)
    {
        std::perror("bind");
        std::exit(1);
    }
    return fd;
}

std::uint32_t BigEndian32(const std::uint8_t* bytes)
{
    return (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) |
           (std::uint32_t(bytes[2]) << 8) | std::uint32_t(bytes[3]);
}

// Counts the alive packets per Port on its own thread until stopped; Stop() drains what
// is still queued and returns the counts and the thread's CPU time.
class AliveReceiver
{
public:
    AliveReceiver() : fd_(BoundSocket(kHal, VAwakeAndAliveServer::kHalPort))
    {
        const int bytes = 16 << 20;
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof(bytes));
        thread_ = std::thread(&AliveReceiver::Run, this);
    }
    ~AliveReceiver() { ::close(fd_); }

    Counts Stop(double& cpuSeconds)
    {
        stop_ = true;
        thread_.join();
        cpuSeconds = cpuSeconds_;
        return counts_;
    }

private:
    void Run()
    {
        for (;;)
        {
            pollfd entry{fd_, POLLIN, 0};
            if (::poll(&entry, 1, 20) == 1)
                ReceiveQueued();
            else if (stop_)
                break;
        }
        cpuSeconds_ = CpuSeconds(RUSAGE_THREAD);
    }

    void ReceiveQueued()
    {
        std::uint8_t datagram[64];
        for (;;)
        {
            const ssize_t count = ::recv(fd_, datagram, sizeof(datagram), MSG_DONTWAIT);
            if (count < 0)
                return;
            if (count != VAwakeAndAliveServer::kAliveSize || BigEndian32(datagram) != kAliveCommand)
                continue;
            const std::uint32_t port = BigEndian32(datagram + 28) & 0xFFFF;
            if (port >= 1 && port <= kDevices)
                Count(counts_[port]);
        }
    }

    static void Count(Arrivals& arrivals)
    {
        arrivals.last = Clock::now();
        if (arrivals.count++ == 0)
            arrivals.first = arrivals.last;
    }

    const int fd_;
    std::atomic<bool> stop_{false};
    Counts counts_{};         // receive thread only until joined
    double cpuSeconds_ = 0.0; // receive thread only until joined
    std::thread thread_;
};

struct PhaseResult
{
    Counts counts;
    double wallSeconds;
    double senderCpuSeconds;
};

PhaseResult Measure(const std::function<void()>& load)
{
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    AliveReceiver receiver;
    const Clock::time_point start = Clock::now();
    load();
    const double wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    double receiverCpu = 0.0;
    const Counts counts = receiver.Stop(receiverCpu);
    const double processCpu = CpuSeconds(RUSAGE_SELF) - cpuBefore;
    return {counts, wallSeconds, processCpu - receiverCpu};
}

void RunServers(Clock::duration duration)
{
    boost::asio::io_context ioService;
    std::vector<std::unique_ptr<VAwakeAndAliveServer>> servers;
    for (std::uint32_t port = 1; port <= kDevices; ++port)
        servers.push_back(std::make_unique<VAwakeAndAliveServer>(
            ::inet_addr(kLocal), ::inet_addr(kHal), kNetworkBoxFlag | port, port, 2, ioService));
    std::this_thread::sleep_for(duration);
}

std::vector<std::uint8_t> AliveLike(std::uint32_t port)
{
    std::vector<std::uint8_t> datagram(VAwakeAndAliveServer::kAliveSize);
    const std::uint32_t words[] = {kAliveCommand, kNetworkBoxFlag | port};
    const std::size_t offsets[] = {0, 28};
    for (int i = 0; i < 2; ++i)
        for (int byte = 0; byte < 4; ++byte)
            datagram[offsets[i] + byte] = std::uint8_t(words[i] >> (24 - 8 * byte));
    return datagram;
}

timespec ToTimespec(Clock::time_point time)
{
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch());
    return {static_cast<time_t>(ns.count() / 1'000'000'000),
            static_cast<long>(ns.count() % 1'000'000'000)};
}

// steady_clock is CLOCK_MONOTONIC on Linux, so its time points are valid deadlines here.
void RunBareSendLoop(Clock::duration duration)
{
    std::vector<std::vector<std::uint8_t>> datagrams;
    for (std::uint32_t port = 1; port <= kDevices; ++port)
        datagrams.push_back(AliveLike(port));
    const int fd = BoundSocket(kLocal, 0);
    const sockaddr_in hal = Address(kHal, VAwakeAndAliveServer::kHalPort);
    const Clock::time_point start = Clock::now();
    for (Clock::time_point due = start; due <= start + duration; due += kPeriod)
    {
        const timespec deadline = ToTimespec(due);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) != 0)
        {
        }
        for (const auto& datagram : datagrams)
            ::sendto(fd, datagram.data(), datagram.size(), 0,
                     reinterpret_cast<const sockaddr*>(&hal), sizeof(hal));
    }
    ::close(fd);
}

double CpuPerWallSecond(const PhaseResult& result)
{
    return result.senderCpuSeconds / result.wallSeconds;
}

void Print(const char* label, const PhaseResult& result)
{
    std::vector<double> rates;
    std::uint64_t total = 0;
    for (auto device = result.counts.begin() + 1; device != result.counts.end(); ++device)
    {
        rates.push_back(device->Rate());
        total += device->count;
    }
    const auto [min, max] = std::minmax_element(rates.begin(), rates.end());
    const double mean = std::accumulate(rates.begin(), rates.end(), 0.0) / kDevices;
    std::printf("%-26s %7.3f %7.3f %7.3f   %9llu   %8.3f\n", label, *min, mean, *max,
                static_cast<unsigned long long>(total), 1000.0 * CpuPerWallSecond(result));
}
} // namespace

int main(int argc, char** argv)
{
    const int seconds = SecondsArgument(argc, argv);
    if (seconds == 0)
        return 2;
    const std::string error = BriselTest::EnterFreshNetworkNamespace();
    if (!error.empty())
    {
        std::fprintf(stderr, "cannot enter a network namespace: %s\n", error.c_str());
        return 1;
    }
    const auto duration = std::chrono::seconds(seconds);
    const PhaseResult servers = Measure([&] { RunServers(duration); });
    const PhaseResult baseline = Measure([&] { RunBareSendLoop(duration); });

    std::printf("%d devices, %d s per phase, %lld ms grid\n", kDevices, seconds,
                static_cast<long long>(kPeriod.count()));
    std::printf("%-26s %-23s   %9s   %s\n", "", "alive/s per device", "alive", "sender CPU");
    std::printf("%-26s %7s %7s %7s   %9s   %s\n", "", "min", "mean", "max", "total", "ms per s");
    Print("VAwakeAndAliveServer x100", servers);
    Print("bare sendto loop", baseline);
    std::printf("CPU ratio servers / baseline: %.2f\n",
                CpuPerWallSecond(servers) / std::max(CpuPerWallSecond(baseline), 1e-9));
    PrintFigure(stdout, "alive.sender_cpu", 1000.0 * CpuPerWallSecond(servers), "ms_per_s",
                "alive.bare_sendto_cpu", 1000.0 * CpuPerWallSecond(baseline));
    return 0;
}
