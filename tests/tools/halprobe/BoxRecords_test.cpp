// The network box records, built byte by byte from their wire layouts.

#include "tests/tools/halprobe/CameraBytes.h"
#include "tools/halprobe/BoxRecordText.h"
#include "tools/halprobe/DataRecord.h"
#include "tools/halprobe/RecordText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace HalProbe;
using CameraBytes::Bytes;
using CameraBytes::Writer;
using testing::HasSubstr;

namespace
{
constexpr std::uint32_t kBox = 0x02000001;

DataRecord Decode(Bytes bytes)
{
    return DataRecord::Decode({std::move(bytes), 0x7F000001, {}, 40000});
}

template <typename Body> Body DecodedAs(const Bytes& bytes)
{
    const DataRecord record = Decode(bytes);
    const Body* body = std::get_if<Body>(&record.body);
    if (!body)
    {
        ADD_FAILURE() << DataRecordText(record);
        return {};
    }
    return *body;
}

Bytes GpiBytes(std::uint16_t states, std::uint16_t changed)
{
    return Writer()
        .U16(4)
        .U16(28)
        .U16(1)
        .U16(7)
        .U32(kBox)
        .U32(12)
        .U16(states)
        .U16(changed)
        .U64(0)
        .Get();
}

// Ten o'clock, 30 fps, four system frames per timecode frame, as a box sends it at 120 Hz.
Bytes TimecodeBytes(std::uint8_t hours, std::uint16_t subframeWord)
{
    return Writer()
        .U16(0xC003)
        .U16(40)
        .U16(2)
        .U16(0)
        .U32(kBox)
        .U32(7)
        .U32(6)
        .U32(0)
        .Raw({hours, 0x59, 0x08, 0x29})
        .U16(subframeWord)
        .U16(0x1004)
        .U32(0xA5A5)
        .U32(0)
        .Get();
}

Bytes TimecodeStatusBytes(std::uint32_t standardWord)
{
    return Writer()
        .U16(5)
        .U16(32)
        .U16(1)
        .U16(7)
        .U32(kBox)
        .U32(0)
        .U64(0)
        .U32(1)
        .U32(standardWord)
        .Get();
}

Bytes AnalogueRecordBytes(std::uint32_t maskLow, std::uint32_t maskHigh)
{
    return Writer()
        .U16(0xC005)
        .U16(44)
        .U16(1)
        .U16(0)
        .U32(kBox)
        .U32(21)
        .U32(20)
        .U32(9000)
        .U16(500)
        .U16(3)
        .U32(maskLow)
        .U32(maskHigh)
        .U32(3000)
        .U32(0)
        .Get();
}

Bytes Resized(Bytes bytes, std::size_t size)
{
    bytes.resize(size);
    return bytes;
}
} // namespace

TEST(BoxRecords, GpiRecordGivesEachInputAndTheOneThatChanged)
{
    const GpiRecord record = DecodedAs<GpiRecord>(GpiBytes(0x0034, 0x0004));
    EXPECT_EQ(record.frameNumber, 12u);
    EXPECT_EQ(record.states, 0x0034);
    EXPECT_EQ(record.changed, 0x0004);
    const bool expected[] = {false, false, true, false, true, true};
    for (unsigned input = 0; input < GpiRecord::kInputCount; ++input)
        EXPECT_EQ(record.Input(input), expected[input]) << input;
    const DataRecord decoded = Decode(GpiBytes(0x0034, 0x0004));
    EXPECT_EQ(decoded.header->tag, 7);
    EXPECT_EQ(decoded.header->deviceId, kBox);
    EXPECT_THAT(DataRecordText(decoded),
                HasSubstr("GPI: frame 12, inputs 0x0034 (GPI2 remote-start remote-stop), "
                          "changed 0x0004 (GPI2)"));
    EXPECT_THAT(GpiText(DecodedAs<GpiRecord>(GpiBytes(0x0020, 0x0010))),
                HasSubstr("inputs 0x0020 (remote-stop), changed 0x0010 (remote-start)"));
}

TEST(BoxRecords, TimecodeRecordDecodesBcdAndSplitsItsWords)
{
    const TimecodeRecord record = DecodedAs<TimecodeRecord>(TimecodeBytes(0x10, 0x0000));
    EXPECT_EQ(record.deviceId, kBox);
    EXPECT_EQ(record.frameNumber, 7u);
    EXPECT_EQ(record.previousFrameNumber, 6u);
    EXPECT_EQ(record.hours, 10u);
    EXPECT_EQ(record.minutes, 59u);
    EXPECT_EQ(record.seconds, 8u);
    EXPECT_EQ(record.frames, 29u);
    EXPECT_EQ(record.subframe, 0);
    EXPECT_FALSE(record.pastHalf);
    EXPECT_EQ(record.systemFramesPerFrame, 4);
    EXPECT_EQ(record.rateCode, TimecodeRecord::kRate30);
    EXPECT_EQ(record.userValue, 0xA5A5u);
    EXPECT_EQ(TimecodeText(record), "10:59:08:29 rate code 0x1000 (30 fps)");

    const TimecodeRecord late = DecodedAs<TimecodeRecord>(TimecodeBytes(0x23, 0x8003));
    EXPECT_EQ(late.hours, 23u);
    EXPECT_EQ(late.subframe, 3);
    EXPECT_TRUE(late.pastHalf);
    EXPECT_THAT(TimecodeRecordText(late), HasSubstr("system frame 3 of 4 (past the half)"));
}

TEST(BoxRecords, TimecodeStatusNamesEachStandard)
{
    const struct
    {
        std::uint32_t word;
        const char* name;
    } standards[] = {{0x214F0000, "24 fps"},
                     {0x211F0000, "25 fps"},
                     {0x212F0000, "30 fps"},
                     {0x213F0000, "30 fps drop-frame"},
                     {0x21FF0000, "unknown standard"}};
    for (const auto& standard : standards)
    {
        const TimecodeStatus status = DecodedAs<TimecodeStatus>(TimecodeStatusBytes(standard.word));
        EXPECT_EQ(status.standardWord, standard.word);
        EXPECT_THAT(TimecodeStatusText(status), HasSubstr(standard.name)) << standard.name;
    }
}

TEST(BoxRecords, AnalogueFrameRecordJoinsItsMaskAcrossBothWords)
{
    const AnalogueFrameRecord record =
        DecodedAs<AnalogueFrameRecord>(AnalogueRecordBytes(0x80000001, 0x00000002));
    EXPECT_EQ(record.slot, 0);
    EXPECT_EQ(record.deviceId, kBox);
    EXPECT_EQ(record.frameNumber, 21u);
    EXPECT_EQ(record.previousFrameNumber, 20u);
    EXPECT_EQ(record.runningTotal, 9000u);
    EXPECT_EQ(record.samplesPerChannel, 500);
    EXPECT_EQ(record.channelCount, 3);
    EXPECT_EQ(record.channelMask, 0x0000000280000001u);
    EXPECT_EQ(record.Channels(), (std::vector<unsigned>{0, 31, 33}));
    EXPECT_EQ(record.sampleBytes, 3000u);
}

TEST(BoxRecords, RecordsThatAreNotWholeOrBreakTheirLayoutAreRefused)
{
    const struct
    {
        Bytes bytes;
        const char* problem;
    } cases[] = {
        {Resized(GpiBytes(1, 1), 27), "GPI record in 27 bytes, not 28"},
        {Resized(GpiBytes(1, 1), 30), "GPI record in 30 bytes, not 28"},
        {Resized(TimecodeBytes(0x10, 0), 39), "timecode record in 39 bytes, not 40"},
        {Resized(AnalogueRecordBytes(1, 0), 43), "analogue frame record in 43 bytes, not 44"},
        {Resized(TimecodeStatusBytes(0x212F0000), 12), "timecode status record in 12 bytes"},
        {Resized(AnalogueRecordBytes(1, 0), 4), "analogue frame record in 4 bytes"},
        {Writer().U16(0xC005).U16(40).Get(), "analogue frame record states length 40, not 44"},
        {TimecodeBytes(0x1A, 0), "timecode record: hours 0x1A is not packed BCD"},
        {Writer().Raw(Resized(TimecodeBytes(0x10, 0), 4)).U16(1).Raw(Bytes(34)).Get(),
         "timecode record: version is 1, not 2"},
        {Writer().Raw(Resized(GpiBytes(1, 1), 20)).U64(1).Get(),
         "GPI record: reserved bytes 20-27 are not zero"},
        {Writer().Raw(Resized(TimecodeStatusBytes(0x212F0000), 24)).U32(2).U32(0x212F0000).Get(),
         "timecode status record: word at 24 is 2, not 1"},
    };
    for (const auto& expected : cases)
    {
        const DataRecord record = Decode(expected.bytes);
        EXPECT_TRUE(std::holds_alternative<std::monostate>(record.body)) << expected.problem;
        EXPECT_THAT(record.problem, HasSubstr(expected.problem));
        EXPECT_THAT(DataRecordText(record), HasSubstr(expected.problem));
    }
}
