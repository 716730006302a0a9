#pragma once
// The analogue data of a network box on the wire, encoded in one place: per frame, the sample
// values (16-bit little-endian, sample after sample, all enabled channels of each) in
// datagrams of at most 700 values, then the 44-byte analogue frame record in a datagram of its
// own. Recorded and synthetic sources share it; each fills the record's fields its own way.
//
// Thread rules: WriteAnalogueFrameRecord() is reentrant; a stream is thread-bound to the
// thread producing its source's frames.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class VAsioUdpSocket;

constexpr std::size_t kAnalogueFrameRecordSize = 44;
constexpr std::size_t kAnalogueValuesPerDatagram = 700;

struct VAnalogueFrameRecord
{
    std::uint16_t slot = 0;
    std::uint32_t deviceId = 0;
    std::uint32_t currentFrame = 0;
    std::uint32_t previousFrame = 0;
    // Recorded sources count values sent, synthetic ones sample instants; after this frame.
    std::uint32_t runningTotal = 0;
    std::uint16_t samplesPerChannel = 0;
    std::uint16_t channelCount = 0;
    // Bit i = channel i.
    std::uint64_t channelMask = 0;
    std::uint32_t sampleBytes = 0;
};

// Writes the 44 bytes of `record` to `out`.
void WriteAnalogueFrameRecord(std::uint8_t* out, const VAnalogueFrameRecord& record);

class VAnalogueStream
{
public:
    explicit VAnalogueStream(VAsioUdpSocket& socket);

    // Sends `values` in order, then `record` with its byte count set to the sample bytes.
    // Returns the bytes handed to the socket, samples and record together.
    std::uint32_t Send(const std::vector<std::uint16_t>& values, VAnalogueFrameRecord record);

private:
    std::uint32_t SendValues(const std::vector<std::uint16_t>& values);

    VAsioUdpSocket& socket_;
    std::array<std::uint8_t, kAnalogueValuesPerDatagram * 2> datagram_{};
};
