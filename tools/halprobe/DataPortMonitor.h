#pragma once
// Listens on a HAL data port and on the camera stream ports that go with it, and hands
// out what arrives on any of them: the data port carries status records and the
// protocol-1 centroid stream, data port + 1000 the greyscale stream, data port + 5000
// the combined stream. Thread-bound to its owner.

#include "tools/halprobe/CameraStreamListener.h"

#include <memory>
#include <string>
#include <vector>

namespace HalProbe
{
class DataPortMonitor
{
public:
    // Throws ProbeError when the data port cannot be listened on; a stream port that
    // cannot be is left out and named in Unavailable().
    DataPortMonitor(const std::string& halAddress, std::uint16_t dataPort);

    // The next frame, fault or record from any port, or nothing when `deadline` passes.
    std::optional<StreamEvent> Next(Clock::time_point deadline);
    // Reports the frames still waiting for datagrams on every port as incomplete.
    std::vector<StreamFault> FlushIncomplete();

    // The data port's listener first.
    const std::vector<std::unique_ptr<CameraStreamListener>>& Listeners() const
    {
        return listeners_;
    }
    // Why a stream port is not listened on, one text each.
    const std::vector<std::string>& Unavailable() const { return unavailable_; }

private:
    void TryListen(const std::string& halAddress, std::uint16_t dataPort, CameraStream stream);

    std::vector<std::unique_ptr<CameraStreamListener>> listeners_;
    std::vector<std::string> unavailable_;
};
} // namespace HalProbe
