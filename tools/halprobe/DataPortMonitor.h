#pragma once
// Listens on a HAL data port and on the stream ports that go with it, and hands out what
// arrives on any of them: the data port carries status and GPI records, the protocol-1
// centroid stream of a camera and the analogue data of a network box; data port + 1000
// the greyscale stream, data port + 2000 a box's timecode records, data port + 5000 the
// combined stream. On the data port a datagram that opens with a centroid-stream type
// word is camera data, any other is analogue data or a record. Thread-bound to its owner.

#include "tools/halprobe/AnalogueFrameAssembler.h"
#include "tools/halprobe/CameraStreamListener.h"
#include "tools/halprobe/DataPortListener.h"

#include <deque>

#include <memory>
#include <string>
#include <vector>

namespace HalProbe
{
using MonitorEvent =
    std::variant<CameraFrame, StreamFault, DataRecord, AnalogueFrame, AnalogueFault>;

class DataPortMonitor
{
public:
    // Throws ProbeError when the data port cannot be listened on; a stream port that
    // cannot be is left out and named in Unavailable().
    DataPortMonitor(const std::string& halAddress, std::uint16_t dataPort);

    // The next frame, fault or record from any port, or nothing when `deadline` passes.
    std::optional<MonitorEvent> Next(Clock::time_point deadline);
    // Reports the frames still waiting for datagrams on every port as incomplete.
    std::vector<MonitorEvent> FlushIncomplete();

    // The data port's listener first.
    const std::vector<std::unique_ptr<CameraStreamListener>>& Listeners() const
    {
        return listeners_;
    }
    // The timecode port's listener, if it could be had.
    const DataPortListener* TimecodeListener() const { return timecode_.get(); }
    // Why a stream port is not listened on, one text each.
    const std::vector<std::string>& Unavailable() const { return unavailable_; }

private:
    void TryListen(const std::string& halAddress, std::uint16_t dataPort, CameraStream stream);
    void TryListenForTimecode(const std::string& halAddress, std::uint16_t dataPort);
    // Takes what has arrived on any port without waiting, into events_.
    void Collect();
    void Queue(StreamEvent event, bool onDataPort);

    std::vector<std::unique_ptr<CameraStreamListener>> listeners_;
    std::unique_ptr<DataPortListener> timecode_;
    AnalogueFrameAssembler analogue_;
    std::deque<MonitorEvent> events_; // arrived, not handed out yet
    std::vector<std::string> unavailable_;
};
} // namespace HalProbe
