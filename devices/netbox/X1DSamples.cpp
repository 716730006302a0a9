#include "devices/netbox/X1DSamples.h"

#include "devices/netbox/X1DHolder.h"
#include "net/ByteOrder.h"

#include <algorithm>
#include <utility>

namespace
{
// Source numbers are 1-based channel numbers; an empty list when the file lists no such set.
std::vector<std::int32_t> ChannelsOf(const VX1DHolder& holder, std::uint32_t device)
{
    const std::vector<VAnalogueSourceSetSpec>& sets = holder.GetSourceSetHeader().GetSourceSets();
    std::vector<std::int32_t> channels;
    if (device >= sets.size())
        return channels;
    for (const VAnalogueSourceSpec& source : sets[device].sources)
        channels.push_back(source.number - 1);
    return channels;
}
} // namespace

VX1DSamples::VX1DSamples(std::shared_ptr<VX1DHolder> holder, std::uint32_t device)
    : holder_(std::move(holder)), device_(device), channels_(ChannelsOf(*holder_, device))
{
    positions_.fill(kNone);
    for (std::size_t k = channels_.size(); k-- > 0;)
        if (channels_[k] >= 0 && channels_[k] < std::int32_t(kChannels))
            positions_[std::size_t(channels_[k])] = std::int32_t(k);
}

const std::vector<std::uint16_t>&
VX1DSamples::Extract(std::uint32_t frame, std::uint32_t samplesPerChannel,
                     const std::vector<std::uint32_t>& enabledChannels)
{
    output_.clear();
    if (channels_.empty() || holder_->GetFrameCount() == 0)
        return output_;
    SelectFrames(frame);
    if (samplesPerChannel > 0 && !enabledChannels.empty())
        Interleave(samplesPerChannel, enabledChannels);
    return output_;
}

void VX1DSamples::SelectFrames(std::uint32_t frame)
{
    const std::uint32_t count = holder_->GetFrameCount();
    const std::uint32_t current = frame % count;
    // The frame number that follows, as the frame counter will wrap to it.
    const std::uint32_t next = std::uint32_t(frame + 1) % count;
    // A stored frame without a block for the device repeats the frame played before it: a
    // current buffer loaded in vain still holds the last frame played, and a next buffer takes
    // a copy of the current one.
    if (std::int32_t(current) == nextIndex_)
        std::swap(current_, next_);
    else
        Load(current, current_);
    if (!Load(next, next_))
        next_ = current_;
    nextIndex_ = std::int32_t(next);
}

bool VX1DSamples::Load(std::uint32_t index, std::vector<std::uint16_t>& buffer)
{
    ++framesLoaded_;
    VAnalogueBlockView block;
    if (!holder_->TakeFirstBlock(index, device_, block))
        return false;
    buffer.resize(block.size / 2);
    for (std::size_t i = 0; i < buffer.size(); ++i)
        buffer[i] = ByteOrder::LoadLittleEndian16(block.data + 2 * i);
    return true;
}

void VX1DSamples::Interleave(std::uint32_t samplesPerChannel,
                             const std::vector<std::uint32_t>& enabledChannels)
{
    const std::size_t columns = enabledChannels.size();
    output_.assign(std::size_t(samplesPerChannel) * columns, 0);
    const std::size_t perChannel = current_.size() / channels_.size();
    if (perChannel == 0)
        return;
    for (std::size_t column = 0; column < columns; ++column)
    {
        const std::uint32_t channel = enabledChannels[column];
        if (channel >= kChannels || positions_[channel] == kNone)
            continue;
        const std::size_t position = std::size_t(positions_[channel]);
        for (std::uint32_t sample = 0; sample < samplesPerChannel; ++sample)
            output_[sample * columns + column] =
                Interpolate(position, sample, samplesPerChannel, perChannel);
    }
}

// Linear interpolation at e = i·A/S within the channel's stored values; the partner of the
// channel's last value is the channel's first value in the next frame, or, when the next frame
// is too short to hold it, the last value itself.
std::uint16_t VX1DSamples::Interpolate(std::size_t position, std::uint32_t sample,
                                       std::uint32_t samplesPerChannel,
                                       std::size_t perChannel) const
{
    // i·A is exact, and one rounded division lands every whole position exactly on its stored
    // value: through a reciprocal, positions come out a hair off their whole number, and a steep
    // step then turns the stored value into its neighbour's less one.
    const double e = double(sample) * double(perChannel) / double(samplesPerChannel);
    const std::size_t f = std::min(std::size_t(e), perChannel - 1);
    const std::size_t first = position * perChannel;
    const double g = current_[first + f];
    double h = g;
    if (f + 1 < perChannel)
        h = current_[first + f + 1];
    else if (first < next_.size())
        h = next_[first];
    return static_cast<std::uint16_t>(static_cast<std::int32_t>((h - g) * (e - double(f)) + g));
}
