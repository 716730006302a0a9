#pragma once
// Stopwatches over the steady clock for timing code paths: tsl_timer in single precision,
// VStopwatch in double precision from 64-bit nanosecond counts.
//
// Thread rules: reentrant (one instance per thread).

#include <chrono>
#include <cstdint>
#include <ostream>

namespace UtilsThreading
{
class tsl_timer
{
public:
    void Start();
    // Adds the time since Start to the accumulated time; does nothing unless running.
    void Stop();
    void Reset();

    // While running: the time since Start alone, without what earlier runs accumulated.
    // When stopped: the accumulated time.
    float Seconds() const;
    float Milliseconds() const;
    float Microseconds() const;

private:
    bool running_ = false;
    std::chrono::steady_clock::time_point start_;
    float accumulatedUs_ = 0.0f;
};

// Writes "tsl_timer : <milliseconds> msec elapsed".
std::ostream& operator<<(std::ostream& out, const tsl_timer& timer);

class VStopwatch
{
public:
    void Start();
    // Adds the time since Start to the total; does nothing unless running.
    void Stop();

    // The total over all Start/Stop pairs, plus the current run while running.
    double Seconds() const;
    double Milliseconds() const;
    double Microseconds() const;
    double Nanoseconds() const;

private:
    std::int64_t ElapsedNs() const;

    bool running_ = false;
    std::chrono::steady_clock::time_point start_;
    std::int64_t totalNs_ = 0;
};

// Writes "Timer : <milliseconds>ms".
std::ostream& operator<<(std::ostream& out, const VStopwatch& stopwatch);
} // namespace UtilsThreading
