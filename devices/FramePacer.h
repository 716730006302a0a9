#pragma once
// Paces the sync master's frames in real time: frame k after a restart is released no
// earlier than (k + 1) / rate seconds after that restart. The pacing restarts on a rate
// change and at the first frame that begins 5 s or more after the last restart, which
// keeps rounding errors from piling up; frames are never skipped, a late frame only
// delays the next ones until they are due. A pause (no rate) ends the pacing: frames
// resume at the rate from the moment it returns, never catching up on the pause. Waits
// use an absolute deadline and end at once when the pacer is stopped.
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
    // Waits `duration` without pacing frames, or until stopped; false when stopped.
    bool Pause(Clock::duration duration);
    // When the frame begun last is due.
    Clock::time_point GetDueTime() const;

    void Stop();
    bool IsStopped() const;

    // Asks for the calling thread's wake-ups to come as close to their deadlines as the
    // system allows: the least timer slack and, where the process may, real-time
    // scheduling. For the thread that releases the frames.
    static void TightenWakeUps();

private:
    // Above every normal thread, far below the kernel's own real-time threads.
    static constexpr int kRealTimePriority = 10;

    bool WaitUntil(Clock::time_point deadline);

    double rate_ = 0.0;
    Clock::time_point restart_{};
    std::int64_t pacedFrames_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopped_ = false;
};
