#pragma once
// Makes a synthetic X1D recording: analogue devices whose channels each carry a sine of
// their own frequency. Channel c completes c + 1 cycles every 100 frames. Every frame holds
// one block per device: its samples as little-endian int16, channel-major (all samples of
// the first channel, then of the next), the layout in which briselCL replays them.
// Frames are numbered from 1. Reentrant.

#include "FileIO/AnalogueBlockFrame.h"
#include "FileIO/AnalogueSourceSetHeader.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace TrialTool
{
struct X1DSynthesisOptions
{
    std::uint32_t devices = 2;
    std::uint32_t channels = 4;
    std::uint32_t samples = 10;
    std::uint32_t frames = 100;
    std::int32_t version = 2;
};

class X1DSynthesizer
{
public:
    static constexpr double kAmplitude = 10000.0;

    explicit X1DSynthesizer(const X1DSynthesisOptions& options);

    // Sample `sample` (counted from the start of the recording) of channel `channel`.
    std::int16_t SampleValue(std::uint32_t channel, std::uint64_t sample) const;
    // The block every device records in frame index `frame` (0-based).
    std::vector<std::uint8_t> Block(std::uint32_t frame) const;
    VAnalogueSourceSetHeader SourceSetHeader() const;
    // False when the file cannot be written.
    // `written(frames)` follows each frame written.
    bool Write(const std::string& path,
               const std::function<void(std::uint32_t)>& written = {}) const;

private:
    VAnalogueSourceSetSpec SourceSet(std::uint32_t device) const;
    VAnalogueBlockFrame Frame(std::uint32_t frame) const;

    X1DSynthesisOptions options_;
};
} // namespace TrialTool
