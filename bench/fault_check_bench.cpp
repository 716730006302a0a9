// The cost of fault injection on a device's data path: datagrams of a camera's size sent
// through a source's data socket with no fault set (one relaxed load before the send), beside
// the bare send of the same socket class without the check, in alternating rounds of the same
// run; and, for scale, with a drop fault of share 0.5 (the seeded draw under its lock, half
// the sends saved). Printed: nanoseconds per datagram of each and the off check's share.
//
// bench_fault_check [SECONDS]   (default 10 s; runs in a network namespace of its own, as root)

#include "bench/Figure.h"
#include "bench/SecondsArgument.h"
#include "devices/DeviceFaults.h"
#include "devices/FaultableSocket.h"
#include "tests/support/NetworkNamespace.h"
#include "tests/support/UdpTestSocket.h"

#include <arpa/inet.h>
#include <array>
#include <chrono>
#include <cstdio>

namespace
{
constexpr std::size_t kDatagramSize = 1400;
constexpr int kRounds = 6;
constexpr std::uint16_t kPort = 12000;

using Clock = std::chrono::steady_clock;

struct Senders
{
    boost::asio::io_context ioService;
    VDeviceFaults faults{ioService, ::inet_addr("127.0.0.1")};
    // The HAL's port must be bound, or the connected sockets learn "refused" from ICMP;
    // what its buffer cannot hold the kernel drops unseen.
    BriselTest::UdpTestSocket hal{"127.0.0.2", kPort};
    VDataOutSocket bare{ioService};
    VFaultableSocket checked{ioService, faults, ::inet_addr("127.0.0.2"), kPort};
    std::array<std::uint8_t, kDatagramSize> datagram{};

    Senders()
    {
        bare.OpenForSending(::inet_addr("127.0.0.1"), ::inet_addr("127.0.0.2"), kPort);
        checked.OpenForSending(::inet_addr("127.0.0.1"), ::inet_addr("127.0.0.2"), kPort);
    }
};

// Nanoseconds per datagram of `send` over `duration`.
template <class Send> double Measure(Send send, Clock::duration duration)
{
    long long count = 0;
    const Clock::time_point start = Clock::now(), end = start + duration;
    Clock::time_point now = start;
    for (; now < end; now = Clock::now())
        for (int i = 0; i < 256; ++i, ++count)
            send();
    return std::chrono::duration<double, std::nano>(now - start).count() / count;
}

void SetFault(VDeviceFaults& faults, const std::string& words)
{
    std::string error;
    faults.Apply(*ParseFaultCommand(words, error));
}
} // namespace

int main(int argc, char** argv)
{
    const std::string error = BriselTest::EnterFreshNetworkNamespace();
    if (!error.empty())
    {
        std::fprintf(stderr, "bench_fault_check: %s\n", error.c_str());
        return 1;
    }
    const int seconds = SecondsArgument(argc, argv);
    if (seconds == 0)
        return 1;
    const auto slice =
        std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(seconds)) / (3 * kRounds);
    Senders senders;
    double bare = 0, off = 0, dropping = 0;
    for (int round = 0; round < kRounds; ++round)
    {
        bare += Measure([&] { senders.bare.Send(senders.datagram.data(), kDatagramSize); }, slice);
        SetFault(senders.faults, "off");
        off +=
            Measure([&] { senders.checked.Send(senders.datagram.data(), kDatagramSize); }, slice);
        SetFault(senders.faults, "drop 0.5 seed 1");
        dropping +=
            Measure([&] { senders.checked.Send(senders.datagram.data(), kDatagramSize); }, slice);
    }
    std::printf("bare send (baseline):      %8.1f ns/datagram\n", bare / kRounds);
    std::printf("faults off (checked send): %8.1f ns/datagram  (%+.1f%% of the bare send)\n",
                off / kRounds, 100.0 * (off - bare) / bare);
    std::printf("drop 0.5 (half sent):      %8.1f ns/datagram\n", dropping / kRounds);
    PrintFigure(stdout, "fault_check.faults_off_send", off / kRounds, "ns", "fault_check.bare_send",
                bare / kRounds);
    return 0;
}
