// Analogue frames put together from sample datagrams and the record that closes them.

#include "tests/support/UdpTestSocket.h"
#include "tests/tools/halprobe/CameraBytes.h"
#include "tools/halprobe/AnalogueStreamListener.h"
#include "tools/halprobe/BoxRecordText.h"
#include "tools/halprobe/ProbeError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace HalProbe;
using CameraBytes::Bytes;
using CameraBytes::Writer;
using testing::HasSubstr;
using namespace std::chrono_literals;

namespace
{
constexpr std::uint32_t kBox = 0x02000001;
constexpr std::uint16_t kBoxPort = 40200;

// Values first, second, ... counting on from `first`, little-endian.
Bytes Samples(std::uint16_t first, std::size_t count)
{
    Writer writer;
    for (std::size_t index = 0; index < count; ++index)
        writer.U16(std::uint16_t(first + index));
    return writer.Get();
}

Bytes FrameRecord(std::uint32_t frame, std::uint16_t samples, std::uint64_t mask,
                  std::uint16_t channels, std::uint32_t bytes)
{
    return Writer()
        .U16(0xC005)
        .U16(44)
        .U16(1)
        .U16(0)
        .U32(kBox)
        .U32(frame)
        .U32(frame - 1)
        .U32(1500 * frame)
        .U16(samples)
        .U16(channels)
        .U64(mask)
        .U32(bytes)
        .U32(0)
        .Get();
}

// 500 samples of channels 0, 5 and 40 in datagrams of 700, 700 and 100 values.
std::vector<Bytes> Frame(std::uint32_t frame)
{
    return {Samples(0, 700), Samples(700, 700), Samples(1400, 100),
            FrameRecord(frame, 500, (1ull << 40) | 0x21, 3, 3000)};
}

class Assembler
{
public:
    std::optional<AnalogueEvent> Add(const Bytes& bytes, std::uint16_t senderPort = kBoxPort)
    {
        return assembler_.Add(DataRecord::Decode({bytes, 0x7F000001, {}, senderPort}));
    }

    // What the last of `datagrams` completes; the others complete nothing.
    AnalogueEvent AddAll(const std::vector<Bytes>& datagrams)
    {
        for (std::size_t index = 0; index + 1 < datagrams.size(); ++index)
            EXPECT_FALSE(Add(datagrams[index])) << index;
        std::optional<AnalogueEvent> event = Add(datagrams.back());
        if (!event)
            ADD_FAILURE() << "the last datagram completes nothing";
        return event.value_or(AnalogueFault{});
    }

    std::string FaultOf(const std::vector<Bytes>& datagrams)
    {
        const AnalogueEvent event = AddAll(datagrams);
        const auto* fault = std::get_if<AnalogueFault>(&event);
        if (!fault)
            ADD_FAILURE() << "no fault";
        return fault ? AnalogueFaultText(*fault) : "";
    }

    AnalogueFrameAssembler assembler_;
};

std::vector<Bytes> Replaced(std::vector<Bytes> frame, std::size_t index, Bytes datagram)
{
    frame[index] = std::move(datagram);
    return frame;
}
} // namespace

TEST(AnalogueFrameAssembler, SamplesBeforeTheRecordMakeOneFrame)
{
    Assembler assembler;
    const AnalogueEvent event = assembler.AddAll(Frame(3));
    ASSERT_TRUE(std::holds_alternative<AnalogueFrame>(event));
    const AnalogueFrame& frame = std::get<AnalogueFrame>(event);
    EXPECT_EQ(frame.record.frameNumber, 3u);
    EXPECT_EQ(frame.SampleCount(), 500u);
    EXPECT_EQ(frame.ChannelCount(), 3u);
    EXPECT_EQ(frame.record.Channels(), (std::vector<unsigned>{0, 5, 40}));
    EXPECT_EQ(frame.datagramSizes, (std::vector<std::size_t>{1400, 1400, 200}));
    ASSERT_EQ(frame.values.size(), 1500u);
    // Sample-major: sample 1 of the channel at position 2 is value 1 * 3 + 2.
    EXPECT_EQ(frame.Value(1, 2), 5);
    EXPECT_EQ(frame.Value(499, 0), 1497);
    EXPECT_EQ(frame.ChannelValues(1).at(2), 7);
    EXPECT_THROW(frame.Value(500, 0), std::out_of_range);
    EXPECT_THAT(AnalogueFrameSummary(frame),
                HasSubstr("box 0x02000001 (33554433) slot 0, frame 3 (previous 2): 500 samples x "
                          "3 channels (0 5 40), total 4500, 3000 bytes in 3 datagrams"));

    // A frame without samples is a record alone.
    const AnalogueEvent empty = assembler.AddAll({FrameRecord(4, 0, 0, 0, 0)});
    ASSERT_TRUE(std::holds_alternative<AnalogueFrame>(empty));
    EXPECT_TRUE(std::get<AnalogueFrame>(empty).values.empty());
}

TEST(AnalogueFrameAssembler, RecordsThatDoNotMatchTheSamplesAreFaults)
{
    Assembler assembler;
    EXPECT_THAT(assembler.FaultOf({Samples(0, 700), Samples(700, 700), Frame(5).back()}),
                HasSubstr("box 0x02000001 (33554433), frame 5: record states 3000 sample bytes, "
                          "2800 arrived"));
    EXPECT_THAT(assembler.FaultOf(Replaced(Frame(6), 3, FrameRecord(6, 500, 0x21, 3, 3000))),
                HasSubstr("channel mask 0x0000000000000021 names 2 channels, the record states 3"));
    EXPECT_THAT(assembler.FaultOf(Replaced(Frame(7), 3, FrameRecord(7, 499, 0x7, 3, 3000))),
                HasSubstr("1500 values arrived, not 499 samples x 3 channels = 1497"));
    // The faults spoil only their own frame.
    EXPECT_TRUE(std::holds_alternative<AnalogueFrame>(assembler.AddAll(Frame(8))));
}

TEST(AnalogueFrameAssembler, MalformedDatagramsSpoilTheirFrame)
{
    const struct
    {
        std::vector<Bytes> datagrams;
        const char* fault;
    } cases[] = {
        {{Samples(0, 700), Bytes(1401)}, "sample datagram of odd length 1401"},
        {{Samples(0, 701)}, "sample datagram of 1402 bytes, more than 1400"},
        {{Samples(0, 100), Samples(100, 100)}, "sample datagram after a short one of 200 bytes"},
        {{Bytes{}}, "empty datagram"},
        {{Samples(0, 700), Writer().U16(0xC005).U16(44).U32(0).Get()},
         "analogue frame record in 8 bytes, not 44"},
    };
    for (const auto& expected : cases)
    {
        Assembler assembler;
        EXPECT_THAT(assembler.FaultOf(expected.datagrams), HasSubstr(expected.fault));
        // The rest of the frame is dropped, and its record says so.
        EXPECT_FALSE(assembler.Add(Samples(0, 10)));
        std::optional<AnalogueEvent> end = assembler.Add(Frame(9).back());
        ASSERT_TRUE(end && std::holds_alternative<AnalogueFault>(*end)) << expected.fault;
        const std::string what = std::get<AnalogueFault>(*end).what;
        EXPECT_TRUE(what == "frame dropped: an earlier datagram of it is faulty" ||
                    what == "record states 3000 sample bytes, 20 arrived")
            << what;
    }
}

TEST(AnalogueFrameAssembler, BoxesAreKeptApartAndDeviceRecordsPassed)
{
    Assembler assembler;
    const std::vector<Bytes> frame = Frame(10);
    EXPECT_FALSE(assembler.Add(frame[0]));
    EXPECT_FALSE(assembler.Add(Samples(0, 20), kBoxPort + 1));
    const Bytes gpi =
        Writer().U16(4).U16(28).U16(1).U16(7).U32(kBox).U32(9).U32(0x10034).U64(0).Get();
    const std::optional<AnalogueEvent> record = assembler.Add(gpi, kBoxPort + 2);
    ASSERT_TRUE(record && std::holds_alternative<DataRecord>(*record));
    EXPECT_TRUE(std::holds_alternative<GpiRecord>(std::get<DataRecord>(*record).body));
    EXPECT_TRUE(
        std::holds_alternative<AnalogueFrame>(assembler.AddAll({frame[1], frame[2], frame[3]})));

    const std::vector<AnalogueFault> left = assembler.assembler_.Flush();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].senderPort, kBoxPort + 1);
    EXPECT_EQ(left[0].what, "20 sample values without their frame record");
    EXPECT_TRUE(assembler.assembler_.Flush().empty());
}

TEST(AnalogueStreamListener, FramesArriveOverUdpAndFaultsAreThrown)
{
    AnalogueStreamListener listener("127.0.0.2", 5000);
    BriselTest::UdpTestSocket box("127.0.0.1", kBoxPort);
    const Bytes syncStatus = Writer().U16(3).U16(24).U16(1).U16(7).U32(kBox).U32(3).U64(0).Get();
    box.SendTo("127.0.0.2", 5000, syncStatus);
    for (const Bytes& datagram : Frame(11))
        box.SendTo("127.0.0.2", 5000, datagram);
    const std::optional<AnalogueFrame> frame = listener.NextFrame(5s);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->record.frameNumber, 11u);
    EXPECT_EQ(frame->values.size(), 1500u);
    EXPECT_EQ(frame->sender, 0x7F000001u);
    EXPECT_EQ(frame->senderPort, kBoxPort);

    box.SendTo("127.0.0.2", 5000, Samples(0, 3));
    box.SendTo("127.0.0.2", 5000, Frame(12).back());
    try
    {
        const std::optional<AnalogueFrame> wrong = listener.NextFrame(5s);
        ADD_FAILURE() << (wrong ? AnalogueFrameSummary(*wrong) : "no frame, no fault");
    }
    catch (const ProbeError& error)
    {
        EXPECT_EQ(error.GetKind(), ProbeError::Kind::BadStream);
        EXPECT_THAT(error.what(), HasSubstr("analogue stream from 127.0.0.1:40200, box 0x02000001 "
                                            "(33554433), frame 12: record states 3000 sample "
                                            "bytes, 6 arrived"));
    }
    EXPECT_FALSE(listener.NextEvent(20ms));
}
