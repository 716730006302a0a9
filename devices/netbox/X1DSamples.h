#pragma once
// The sample extraction of one analogue source of an X1D file: per frame, the stored frame's
// block of the source's device read as 16-bit values, resampled to the box's rate by linear
// interpolation and interleaved for the box's enabled channels. The file replays in a loop
// (frame F reads stored frame F mod N); the next stored frame is kept between calls, so
// consecutive frames read each stored frame once.
//
// A stored block holds, channel after channel, A values of each channel of the device's
// channel list (A = values / channels; a remainder and an odd last byte are ignored). A stored
// frame without a block for the device repeats the samples of the frame played before it.
//
// Thread rules: reentrant: each source has its own instance, used from its box's frame step
// only. The holder is shared (see VX1DHolder). Buffers are kept between frames, so the steady
// state allocates nothing.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class VX1DHolder;

class VX1DSamples
{
public:
    static constexpr std::uint32_t kChannels = 64;

    // The source of recorded device `device` (its row in the file's source set list).
    VX1DSamples(std::shared_ptr<VX1DHolder> holder, std::uint32_t device);

    // The samples of frame `frame`: `samplesPerChannel` instants, each holding one value per
    // channel of `enabledChannels` (channel numbers 0-63) in that order. An enabled channel
    // the device does not record stays 0. Empty when the device lists no channels, the file
    // has no frames, or there is nothing to send. The result lives until the next call.
    const std::vector<std::uint16_t>& Extract(std::uint32_t frame, std::uint32_t samplesPerChannel,
                                              const std::vector<std::uint32_t>& enabledChannels);

    // 0-based channel numbers, in the order the device's blocks hold them.
    const std::vector<std::int32_t>& GetChannelList() const { return channels_; }
    // How many stored frames have been loaded into the buffers so far.
    std::uint64_t GetFramesLoaded() const { return framesLoaded_; }

private:
    static constexpr std::int32_t kNone = -1;

    void SelectFrames(std::uint32_t frame);
    // False when the stored frame holds no block for the device; `buffer` is then unchanged.
    bool Load(std::uint32_t index, std::vector<std::uint16_t>& buffer);
    void Interleave(std::uint32_t samplesPerChannel,
                    const std::vector<std::uint32_t>& enabledChannels);
    std::uint16_t Interpolate(std::size_t position, std::uint32_t sample,
                              std::uint32_t samplesPerChannel, std::size_t perChannel) const;

    std::shared_ptr<VX1DHolder> holder_;
    const std::uint32_t device_;
    std::vector<std::int32_t> channels_;
    // For each channel number, its first position in `channels_`, or kNone.
    std::array<std::int32_t, kChannels> positions_;
    std::int32_t nextIndex_ = kNone;
    std::vector<std::uint16_t> current_;
    std::vector<std::uint16_t> next_;
    std::vector<std::uint16_t> output_;
    std::uint64_t framesLoaded_ = 0;
};
