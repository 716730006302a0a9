#include "devices/netbox/FakeSourceTimecode.h"

#include "devices/FakeDevice.h"

VFakeSourceTimecode::VFakeSourceTimecode(VFakeDevice& box, boost::asio::io_context& ioService,
                                         std::uint16_t port, const VTimecodeValue& start,
                                         std::int32_t /*unusedValue*/)
    : VFakeSource(box, ioService, port), start_(start)
{
}

void VFakeSourceTimecode::Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                                  std::uint32_t& bytesSent)
{
    bytesSent = 0;
    const std::optional<std::int64_t> ticksPerSystemFrame =
        TicksPerSystemFrame(GetDevice().GetSystemFrameRate());
    if (!ticksPerSystemFrame)
        return;
    const VTimecodeValue timecode = AdvancedBy(*ticksPerSystemFrame * currentFrame);
    // Only a whole system frame within a timecode frame can be named; an invalid start
    // may hold any subframe, negative or beyond its frame.
    const std::int32_t ticksPerFrame = TimecodeRates::GetTicksPerFrame(timecode.standard);
    if (timecode.subframe < 0 || timecode.subframe >= ticksPerFrame ||
        timecode.subframe % *ticksPerSystemFrame != 0)
        return;
    const TimecodePackets::SystemFramePosition position{
        static_cast<std::uint16_t>(ticksPerFrame / *ticksPerSystemFrame),
        static_cast<std::uint16_t>(timecode.subframe / *ticksPerSystemFrame)};
    const TimecodePackets::Record record = TimecodePackets::EncodeRecord(
        timecode, position, GetDevice().GetDeviceID(), currentFrame, previousFrame);
    GetSocket().Send(record.data(), record.size());
    bytesSent = TimecodePackets::kRecordSize;
}

std::optional<std::int64_t> VFakeSourceTimecode::TicksPerSystemFrame(double systemFrameRate) const
{
    const std::int32_t ticksPerFrame = TimecodeRates::GetTicksPerFrame(start_.standard);
    // Also refuses a rate of 0 or less and one that is not a number.
    if (ticksPerFrame == 0 || !(systemFrameRate > 0.0))
        return std::nullopt;
    const double rounded = double(TimecodeRates::kTicksPerSecond) / systemFrameRate + 0.5;
    // More ticks than a timecode frame holds cannot divide it (and might not fit).
    if (!(rounded >= 1.0) || rounded >= double(ticksPerFrame) + 1.0)
        return std::nullopt;
    const auto ticks = static_cast<std::int64_t>(rounded);
    if (ticksPerFrame % ticks != 0)
        return std::nullopt;
    return ticks;
}

VTimecodeValue VFakeSourceTimecode::AdvancedBy(std::int64_t ticks) const
{
    VTimecodeValue timecode = start_;
    if (timecode.IsValid())
        timecode.SetFromTicks(timecode.ToTicks() + ticks);
    return timecode;
}
