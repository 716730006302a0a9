#include "tools/halprobe/CameraStreamListener.h"

#include "tools/halprobe/CameraFrameText.h"
#include "tools/halprobe/ProbeError.h"
#include "tools/halprobe/RecordText.h"

namespace HalProbe
{
namespace
{
bool IsStatusRecord(const DataRecord& record)
{
    return !std::holds_alternative<std::monostate>(record.body);
}
} // namespace

CameraStreamListener::CameraStreamListener(const std::string& halAddress, std::uint16_t port,
                                           CameraStream stream)
    : socket_(halAddress, port), stream_(stream), assembler_(FrameAssembler::For(stream))
{
}

std::optional<CameraFrame> CameraStreamListener::NextFrame(Clock::duration timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    while (std::optional<StreamEvent> event = NextEventBefore(deadline))
    {
        if (auto* frame = std::get_if<CameraFrame>(&*event))
            return std::move(*frame);
        if (const auto* fault = std::get_if<StreamFault>(&*event))
            throw ProbeError(StreamFaultText(*fault), ProbeError::Kind::BadStream);
        const DataRecord& record = std::get<DataRecord>(*event);
        if (!IsStatusRecord(record))
            throw ProbeError("no camera data on the " + std::string(CameraStreamName(stream_)) +
                                 ": " + DataRecordText(record),
                             ProbeError::Kind::BadStream);
    }
    return std::nullopt;
}

std::optional<StreamEvent> CameraStreamListener::NextEvent(Clock::duration timeout)
{
    return NextEventBefore(Clock::now() + timeout);
}

std::vector<StreamFault> CameraStreamListener::FlushIncomplete()
{
    return assembler_->Flush();
}

std::optional<StreamEvent> CameraStreamListener::NextEventBefore(Clock::time_point deadline)
{
    while (events_.empty())
    {
        std::optional<Datagram> datagram = socket_.Receive(deadline);
        if (!datagram)
            return std::nullopt;
        for (StreamEvent& event : assembler_->Add(*datagram))
            events_.push_back(std::move(event));
    }
    StreamEvent event = std::move(events_.front());
    events_.pop_front();
    return event;
}
} // namespace HalProbe
