#include "devices/netbox/TestSignal.h"

#include "devices/netbox/NetBoxParameters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace
{
constexpr double kTwoPi = 6.283185307179586476925286766559;
constexpr double kInt32Max = std::numeric_limits<std::int32_t>::max();
// The sine spans a tenth of full scale per unit of gain.
constexpr double kFullScale = 65535.0;
constexpr double kScalePerGain = 0.05;

// The low 16 bits of the scaled sample: with gains of 11 and more the peaks wrap round.
std::uint16_t ScaledValue(double sine, int gain)
{
    const double value = std::floor((sine + 1.0) * kFullScale * kScalePerGain * gain);
    return static_cast<std::uint16_t>(static_cast<std::int64_t>(value));
}
} // namespace

std::int64_t VTestSignal::FrameTicks(double frameRate)
{
    if (!(frameRate > 0.0))
        return 0;
    const double ticks = std::trunc(NetBoxParameters::kMasterClockHz / frameRate);
    return static_cast<std::int64_t>(std::min(ticks, kInt32Max));
}

std::int64_t VTestSignal::PeriodTicks(double frequency)
{
    const double ticks = std::trunc(NetBoxParameters::kMasterClockHz / frequency);
    if (!(ticks >= 1.0))
        return 1;
    return static_cast<std::int64_t>(std::min(ticks, kInt32Max));
}

std::uint64_t VTestSignal::SampledChannels(const VNetBoxSettings& settings)
{
    const int count = std::clamp(settings.numChannels, 0, VNetBoxSettings::kChannels);
    const std::uint64_t below =
        count == VNetBoxSettings::kChannels ? ~0ULL : (std::uint64_t(1) << count) - 1;
    return settings.enabledChannels & below;
}

std::uint32_t VTestSignal::Produce(const VNetBoxSettings& settings, std::int64_t frameTicks)
{
    values_.clear();
    const std::int64_t interval = std::int64_t(settings.prescaler) * settings.divisor;
    if (frameTicks <= 0 || interval <= 0)
        return 0;
    const std::int64_t period = PeriodTicks(settings.testSignalFrequency);
    const std::uint32_t instants =
        settings.captureActive ? Sample(settings, frameTicks, interval, period) : 0;
    sampleOffset_ = (sampleOffset_ + frameTicks) % interval;
    phase_ = (phase_ + frameTicks) % period;
    return instants;
}

// The instants fall every `interval` ticks from the first one the clock reaches in this frame.
std::uint32_t VTestSignal::Sample(const VNetBoxSettings& settings, std::int64_t frameTicks,
                                  std::int64_t interval, std::int64_t period)
{
    std::array<int, VNetBoxSettings::kChannels> gains{};
    std::size_t channels = 0;
    const std::uint64_t sampled = SampledChannels(settings);
    for (std::size_t channel = 0; channel < gains.size(); ++channel)
        if ((sampled >> channel) & 1u)
            gains[channels++] = settings.gains[channel];

    std::uint32_t instants = 0;
    const std::int64_t first = sampleOffset_ == 0 ? 0 : interval - sampleOffset_;
    for (std::int64_t tick = first; tick < frameTicks && instants < kMaxInstantsPerFrame;
         tick += interval, ++instants)
    {
        const double sine = std::sin(double((phase_ + tick) % period) * kTwoPi / double(period));
        for (std::size_t i = 0; i < channels; ++i)
            values_.push_back(ScaledValue(sine, gains[i]));
    }
    return instants;
}
