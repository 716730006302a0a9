#pragma once
// The analogue test signal of a synthetic network box: a sine at the slot's test-signal
// frequency, sampled every prescaler × divisor ticks of the box's 135 MHz master clock. Sample
// instants and the sine's phase carry over from frame to frame, so a rate that does not divide
// the frame gives alternating sample counts and the sine stays continuous. Each sample instant
// gives one value per sampled channel (enabled and below the slot's channel count): an offset
// sine from 0 to 6553 per unit of the channel's gain, of which the low 16 bits are kept.
//
// Thread rules: reentrant: each source has its own instance, used from its box's frame step
// only. The value buffer is kept between frames, so the steady state allocates nothing.

#include "devices/netbox/NetBoxSettings.h"

#include <cstdint>
#include <vector>

class VTestSignal
{
public:
    // The most sample instants one frame can hold: what the frame record's 16-bit count carries.
    static constexpr std::uint32_t kMaxInstantsPerFrame = 0xFFFF;

    // The ticks of one frame at `frameRate` Hz, truncated and held to 32 bits; 0 without a
    // positive frame rate.
    static std::int64_t FrameTicks(double frameRate);
    // The ticks of one period of the sine at `frequency` Hz, truncated and held to 1 … 2^31-1.
    static std::int64_t PeriodTicks(double frequency);
    // Channel i is sampled when it is enabled and below the slot's channel count.
    static std::uint64_t SampledChannels(const VNetBoxSettings& settings);

    // Runs the clock through one frame of `frameTicks` and, while capture is active, samples
    // the signal at each instant it passes. Returns the instants sampled; Values() holds their
    // values, all sampled channels of each instant in channel order. Nothing runs without a
    // frame length or with a sample interval of 0 ticks.
    std::uint32_t Produce(const VNetBoxSettings& settings, std::int64_t frameTicks);
    const std::vector<std::uint16_t>& Values() const { return values_; }

    // Ticks into the sine's period, and since the last sample instant.
    std::int64_t GetPhase() const { return phase_; }
    std::int64_t GetSampleOffset() const { return sampleOffset_; }

private:
    std::uint32_t Sample(const VNetBoxSettings& settings, std::int64_t frameTicks,
                         std::int64_t interval, std::int64_t period);

    std::int64_t phase_ = 0;
    std::int64_t sampleOffset_ = 0;
    std::vector<std::uint16_t> values_;
};
