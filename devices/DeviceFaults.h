#pragma once
// The faults injected into one device on demand: a share of its data datagrams dropped
// (seeded, repeatable), its data held back for a while (silence), its data sent late
// (delay), its announcements stopped for a while (mute) and its command session refused
// for a while. All off until set; with none set the data path pays one relaxed atomic load
// per datagram.
//
// Thread rules: thread-safe. Apply() runs on the I/O thread (session) or the main thread
// (command line); Judge() and SendLate() on the device's frame thread; IsMuted() on the
// periodic callback's thread; IsRefusing() on the main and I/O threads. `mutex_` guards `drop_`,
// its share, seed and counts; the flags, the delay and the deadlines are atomics.

#include "devices/DelayLine.h"
#include "devices/DropSequence.h"
#include "devices/FaultCommand.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class VDeviceFaults
{
public:
    enum class Verdict
    {
        Send,
        Drop,
        SendLate
    };

    // Address in network byte order: late datagrams leave from it.
    VDeviceFaults(boost::asio::io_context& ioService, std::uint32_t localAddress);
    // Drops the datagrams a delay still holds back: a device that is gone sends nothing late.
    ~VDeviceFaults();
    VDeviceFaults(const VDeviceFaults&) = delete;
    VDeviceFaults& operator=(const VDeviceFaults&) = delete;

    // Sets or clears the fault and returns the reply: the active faults after the change.
    std::string Apply(const FaultCommand& command);
    // One line per active fault, or "no faults".
    std::string Describe() const;

    // Whether any fault touches the data path; when false Judge() need not be asked.
    bool IsActive() const { return dataFaults_.load(std::memory_order_relaxed); }
    // What to do with the next data datagram; each call counts as one datagram.
    Verdict Judge();
    // Hands a datagram the verdict delayed to the delay line.
    void SendLate(const void* data, std::size_t length, std::uint32_t remoteAddress,
                  std::uint16_t remotePort);

    bool IsMuted() const { return IsBefore(muteUntil_); }
    bool IsRefusing() const { return IsBefore(refuseUntil_); }

private:
    using Clock = std::chrono::steady_clock;

    static std::int64_t Now() { return Clock::now().time_since_epoch().count(); }
    static bool IsBefore(const std::atomic<std::int64_t>& deadline);
    static void StartWindow(std::atomic<std::int64_t>& deadline, std::chrono::milliseconds length);
    static std::optional<std::string> WindowText(const char* name,
                                                 const std::atomic<std::int64_t>& deadline);
    void ClearAll();
    void UpdateActive();

    mutable std::mutex mutex_;
    std::optional<VDropSequence> drop_;
    double dropShare_ = 0.0;
    std::uint64_t dropSeed_ = 0;
    std::uint64_t judged_ = 0;
    std::uint64_t dropped_ = 0;
    std::atomic<bool> dataFaults_{false};
    std::atomic<bool> dropping_{false};
    std::atomic<std::int64_t> delayMs_{0};
    std::atomic<std::int64_t> silenceUntil_{0};
    std::atomic<std::int64_t> muteUntil_{0};
    std::atomic<std::int64_t> refuseUntil_{0};
    const std::shared_ptr<VDelayLine> delayLine_;
};
