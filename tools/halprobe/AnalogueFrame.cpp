#include "tools/halprobe/AnalogueFrame.h"

namespace HalProbe
{
std::uint16_t AnalogueFrame::Value(std::size_t sample, std::size_t position) const
{
    return values.at(sample * ChannelCount() + position);
}

std::vector<std::uint16_t> AnalogueFrame::ChannelValues(std::size_t position) const
{
    std::vector<std::uint16_t> channel;
    for (std::size_t sample = 0; sample < SampleCount(); ++sample)
        channel.push_back(Value(sample, position));
    return channel;
}
} // namespace HalProbe
