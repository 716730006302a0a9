#include "devices/DropSequence.h"

namespace
{
constexpr int kFractionBits = 53;
constexpr double kFractionScale = static_cast<double>(std::uint64_t{1} << kFractionBits);
} // namespace

VDropSequence::VDropSequence(double share, std::uint64_t seed)
    : state_(seed), threshold_(static_cast<std::uint64_t>(share * kFractionScale))
{
}

bool VDropSequence::Next()
{
    return (NextDraw() >> (64 - kFractionBits)) < threshold_;
}

std::uint64_t VDropSequence::NextDraw()
{
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}
