#pragma once
// The due times of a fixed-period timer: grid points start + k × period. A tick that ends
// after later grid points have passed is followed at once by one tick standing for all of
// them, then ticks return to the grid, as a periodic kernel timer behaves whose expiries are
// merged while nobody waits for it. A period of zero gives the first tick only.
//
// Thread rules: reentrant (one instance per thread). Works on given time points, not on a
// clock, so its schedule can be followed step by step.

#include <chrono>
#include <optional>

namespace UtilsThreading
{
class VTickGrid
{
public:
    using Clock = std::chrono::steady_clock;

    // The first tick is due at `start`.
    VTickGrid(Clock::time_point start, Clock::duration period);

    Clock::time_point First() const { return start_; }
    // The due time of the tick after the last one served, given that it ended at `now`:
    // the next grid point, or the latest one already passed. Empty for a zero period.
    std::optional<Clock::time_point> Next(Clock::time_point now);

private:
    const Clock::time_point start_;
    const Clock::duration period_;
    Clock::time_point served_;
};
} // namespace UtilsThreading
