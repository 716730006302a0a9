#pragma once
// The latency measure of the CG client: when the hardware produced each frame, and how
// many frames came back on the host's stream after each latency. Latencies are clock
// ticks of one millisecond.
//
// Thread-safe: RecordSent() runs on the sync master's thread, RecordReceived() on the
// stream's receive thread, Clear() and Export() on the main thread; `mutex_` guards
// `sentTimes_` and `histogram_`.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

class VLatencyRecorder
{
public:
    using Clock = std::function<std::int32_t()>;
    static constexpr std::size_t kMaxSentFrames = 10000;

    // Milliseconds of the monotonic clock, wrapping at 32 bits.
    static std::int32_t MillisecondClock();

    explicit VLatencyRecorder(Clock clock = MillisecondClock);

    // Notes the time frame `frame` was produced; beyond kMaxSentFrames the smallest frame
    // number is forgotten.
    void RecordSent(std::uint32_t frame);
    // Counts the frame's latency once, if it was noted as sent and time has passed since.
    void RecordReceived(std::uint32_t frame);
    void Clear();
    // Writes "Latency,Frequency" and one line per latency, ascending. False, with no file
    // at `path` changed or created, when the file cannot be written.
    bool Export(const std::string& path) const;

    std::map<std::uint32_t, std::int32_t> GetHistogram() const;
    bool IsPending(std::uint32_t frame) const;
    std::size_t GetPendingCount() const;

private:
    const Clock clock_;
    mutable std::mutex mutex_;
    std::map<std::uint32_t, std::int32_t> sentTimes_;
    std::map<std::uint32_t, std::int32_t> histogram_;
};
