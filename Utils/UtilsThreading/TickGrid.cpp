#include "Utils/UtilsThreading/TickGrid.h"

namespace UtilsThreading
{
VTickGrid::VTickGrid(Clock::time_point start, Clock::duration period)
    : start_(start), period_(period), served_(start)
{
}

std::optional<VTickGrid::Clock::time_point> VTickGrid::Next(Clock::time_point now)
{
    if (period_ == Clock::duration::zero())
        return std::nullopt;
    const Clock::time_point next = served_ + period_;
    served_ = next > now ? next : start_ + (now - start_) / period_ * period_;
    return served_;
}
} // namespace UtilsThreading
