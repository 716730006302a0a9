#pragma once
// The timing of one stream of numbered frames against the ideal grid of the frame rate the
// HAL commanded. Frame n belongs at grid time origin + n / rate; the origin is placed as
// early as the frames seen so far allow, so the frame that came earliest relative to the
// grid is 0 late and every other frame's lateness is how much later than that it came. A
// frame seen earlier than any before moves the origin and with it every lateness. Frame
// numbers missing between consecutive frames count as skipped; a frame that comes after a
// later one fills no gap and opens none. Thread-bound to its owner.

#include "tools/halprobe/PollUntil.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace HalProbe
{
struct Lateness
{
    std::size_t frames = 0;
    double meanSeconds = 0.0; // 0 without frames
    double maxSeconds = 0.0;
};

class FrameTimeline
{
public:
    // `rateHz` must be above 0.
    explicit FrameTimeline(double rateHz);

    void Add(std::uint32_t frameNumber, Clock::time_point arrival);
    // Starts a new interval for IntervalLateness() and IntervalSkipped().
    void StartInterval();

    Lateness IntervalLateness() const;
    Lateness TotalLateness() const;
    std::size_t IntervalSkipped() const { return intervalSkipped_; }
    std::size_t TotalSkipped() const { return totalSkipped_; }
    std::size_t Frames() const { return total_.count; }

private:
    // Arrival minus grid time, in seconds, of a set of frames, before the origin is placed.
    struct Offsets
    {
        std::size_t count = 0;
        double sum = 0.0;
        double max = 0.0;

        void Add(double offset);
    };

    void CountSkipped(std::int64_t gridIndex);
    Lateness Relative(const Offsets& offsets) const;

    const double period_;
    struct Last
    {
        std::uint32_t frameNumber;
        std::int64_t gridIndex; // frames since the first one, wrap-free
    };
    std::optional<Last> last_;
    Clock::time_point first_;
    std::int64_t highestIndex_ = 0;
    double minOffset_ = 0.0;
    Offsets interval_;
    Offsets total_;
    std::size_t intervalSkipped_ = 0;
    std::size_t totalSkipped_ = 0;
};
} // namespace HalProbe
