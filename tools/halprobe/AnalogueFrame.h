#pragma once
// One frame of a network box's analogue data as the HAL puts it together: the sample
// values that came before the analogue frame record, and the record. Besides frames an
// analogue port delivers faults (datagrams or frames that break the format) and the
// device records that share the port. Reentrant.

#include "tools/halprobe/DataRecord.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace HalProbe
{
struct AnalogueFrame
{
    AnalogueFrameRecord record;
    // Sample-major: the values of all channels of sample 0, then of sample 1, and so on,
    // the channels in the ascending order of record.Channels().
    std::vector<std::uint16_t> values;
    std::vector<std::size_t> datagramSizes; // the sample datagrams, in order
    std::uint32_t sender = 0;               // host order
    std::uint16_t senderPort = 0;
    Clock::time_point arrival; // of the record

    std::size_t SampleCount() const { return record.samplesPerChannel; }
    std::size_t ChannelCount() const { return record.channelCount; }
    // The value of sample `sample` of the channel at `position` in record.Channels();
    // throws std::out_of_range past the values.
    std::uint16_t Value(std::size_t sample, std::size_t position) const;
    // Every sample of the channel at `position`.
    std::vector<std::uint16_t> ChannelValues(std::size_t position) const;
};

struct AnalogueFault
{
    std::optional<std::uint32_t> deviceId; // where a record says so
    std::optional<std::uint32_t> frameNumber;
    std::string what;
    std::uint32_t sender = 0; // host order
    std::uint16_t senderPort = 0;
    Clock::time_point arrival;
};

using AnalogueEvent = std::variant<AnalogueFrame, AnalogueFault, DataRecord>;
} // namespace HalProbe
