#pragma once
// Paces the sync master's frames in real time: frame k after a restart is released no
// earlier than (k + 1) / rate seconds after that restart. The pacing restarts on a rate
// change and at the first frame that begins 5 s or more after the last restart, which
// keeps rounding errors from piling up; frames are never skipped, a late frame only
// delays the next ones until they are due. Waits use an absolute deadline and end at
// once when the pacer is stopped.
//
// Thread rules: thread-bound to the sync thread, except Stop() and IsStopped(), which are
// thread-safe; `mutex_` guards `stopped_`.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class VFramePacer
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kRestartInterval{5};

    // Starts the next frame at `rate` (Hz, positive).
    void BeginFrame(double rate);
    // Waits until the frame begun last is due for release; false when stopped.
    bool WaitForRelease();
    // Waits `duration` or until stopped; false when stopped.
    bool Pause(Clock::duration duration);
    // When the frame begun last is due.
    Clock::time_point GetDueTime() const;

    void Stop();
    bool IsStopped() const;

private:
    bool WaitUntil(Clock::time_point deadline);

    double rate_ = 0.0;
    Clock::time_point restart_{};
    std::int64_t pacedFrames_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopped_ = false;
};
