#pragma once
// What the rig benchmarks share: CPU clocks (a thread's, the process's, and the threads of a
// given name), the HAL's side that drains a rig's data ports on a thread of its own and notes
// when each frame of the first port begins, and the share of frames that began on time.
//
// Thread rules: the functions are reentrant; a PortDrain is used from the thread that made
// it, its counters are atomic and its frame starts guarded.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace RigMeasures
{
using Clock = std::chrono::steady_clock;

double ThreadCpuSeconds();
double ProcessCpuSeconds();
// This thread's CPU seconds for step(first), step(first + 1), … `frames` times.
template <class Step> double CpuOf(long long frames, std::uint32_t first, Step step)
{
    const double before = ThreadCpuSeconds();
    for (long long i = 0; i < frames; ++i)
        step(first + std::uint32_t(i));
    return ThreadCpuSeconds() - before;
}
// CPU seconds of this process's threads whose name starts with `prefix`, from /proc.
double NamedThreadsCpuSeconds(const std::string& prefix);

// A non-blocking UDP socket on 127.0.0.2:`port` with 8 MiB of receive buffer.
int BoundSocket(std::uint16_t port);
// One connected UDP socket per port of 127.0.0.2, for bare send loops.
std::vector<int> ConnectedSockets(const std::vector<std::uint16_t>& ports);

// Frame k is due k periods of `rate` after the first; it is on time when it began less than
// one period after that.
double OnTimeShare(const std::vector<Clock::time_point>& starts, double rate);

class PortDrain
{
public:
    static constexpr const char* kThreadName = "HALDrain";
    // Whether a datagram of the first port begins a frame.
    using FrameStart = std::function<bool(const std::uint8_t* data, std::size_t size)>;

    PortDrain(const std::vector<std::uint16_t>& ports, FrameStart isFrameStart);
    ~PortDrain();
    PortDrain(const PortDrain&) = delete;
    PortDrain& operator=(const PortDrain&) = delete;

    long long Datagrams() const { return datagrams_; }
    // When each frame of the first port began, while counting.
    std::vector<Clock::time_point> FrameStarts() const;
    void StartCounting() { counting_ = true; }
    void StopCounting() { counting_ = false; }

private:
    void Run();
    void DrainSocket(std::size_t index, std::vector<std::uint8_t>& buffer);

    const int epoll_;
    const FrameStart isFrameStart_;
    std::vector<int> sockets_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> counting_{false};
    std::atomic<long long> datagrams_{0};
    mutable std::mutex mutex_;
    std::vector<Clock::time_point> frameStarts_; // guarded by mutex_
    std::thread thread_;
};
} // namespace RigMeasures
