#include "tools/halprobe/AnalogueStreamListener.h"

#include "tools/halprobe/BoxRecordText.h"
#include "tools/halprobe/ProbeError.h"

namespace HalProbe
{
AnalogueStreamListener::AnalogueStreamListener(const std::string& halAddress, std::uint16_t port)
    : socket_(halAddress, port)
{
}

std::optional<AnalogueFrame> AnalogueStreamListener::NextFrame(Clock::duration timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    while (std::optional<AnalogueEvent> event = NextEventBefore(deadline))
    {
        if (auto* frame = std::get_if<AnalogueFrame>(&*event))
            return std::move(*frame);
        if (const auto* fault = std::get_if<AnalogueFault>(&*event))
            throw ProbeError(AnalogueFaultText(*fault), ProbeError::Kind::BadStream);
    }
    return std::nullopt;
}

std::optional<AnalogueEvent> AnalogueStreamListener::NextEvent(Clock::duration timeout)
{
    return NextEventBefore(Clock::now() + timeout);
}

std::optional<AnalogueEvent> AnalogueStreamListener::NextEventBefore(Clock::time_point deadline)
{
    for (;;)
    {
        std::optional<Datagram> datagram = socket_.Receive(deadline);
        if (!datagram)
            return std::nullopt;
        if (std::optional<AnalogueEvent> event =
                assembler_.Add(DataRecord::Decode(std::move(*datagram))))
            return event;
    }
}
} // namespace HalProbe
