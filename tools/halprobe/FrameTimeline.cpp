#include "tools/halprobe/FrameTimeline.h"

#include <algorithm>

namespace HalProbe
{
FrameTimeline::FrameTimeline(double rateHz) : period_(1.0 / rateHz) {}

void FrameTimeline::Offsets::Add(double offset)
{
    max = count == 0 ? offset : std::max(max, offset);
    sum += offset;
    ++count;
}

// Frame numbers run on modulo 2^32; the signed difference to the previous frame keeps a
// wrap from looking like a jump back.
void FrameTimeline::Add(std::uint32_t frameNumber, Clock::time_point arrival)
{
    std::int64_t gridIndex = 0;
    if (!last_)
        first_ = arrival;
    else
    {
        const auto step = static_cast<std::int32_t>(frameNumber - last_->frameNumber);
        gridIndex = last_->gridIndex + step;
        CountSkipped(gridIndex);
    }
    last_ = Last{frameNumber, gridIndex};
    const double offset = std::chrono::duration<double>(arrival - first_).count() -
                          static_cast<double>(gridIndex) * period_;
    minOffset_ = total_.count == 0 ? offset : std::min(minOffset_, offset);
    interval_.Add(offset);
    total_.Add(offset);
}

// Only numbers beyond the highest so far can open a gap, so a frame that comes after a later
// one skips nothing, and counts nothing twice.
void FrameTimeline::CountSkipped(std::int64_t gridIndex)
{
    if (gridIndex > highestIndex_ + 1)
    {
        const auto skipped = std::size_t(gridIndex - highestIndex_ - 1);
        intervalSkipped_ += skipped;
        totalSkipped_ += skipped;
    }
    highestIndex_ = std::max(highestIndex_, gridIndex);
}

void FrameTimeline::StartInterval()
{
    interval_ = {};
    intervalSkipped_ = 0;
}

Lateness FrameTimeline::IntervalLateness() const
{
    return Relative(interval_);
}

Lateness FrameTimeline::TotalLateness() const
{
    return Relative(total_);
}

Lateness FrameTimeline::Relative(const Offsets& offsets) const
{
    if (offsets.count == 0)
        return {};
    return {offsets.count, offsets.sum / double(offsets.count) - minOffset_,
            offsets.max - minOffset_};
}
} // namespace HalProbe
