#pragma once
// What each device of the rig delivered while "halprobe play" ran: frames per second (of its
// busiest stream, so a camera's two protocol-1 streams count a frame once), datagrams and
// bytes of everything it sent to the HAL's ports, faults, and per stream the lateness and
// skipped frames against the commanded rate (FrameTimeline); both since the last report and
// in all; and the verdict on the whole run. Devices heard from that were not found
// beforehand are counted as well but do not change the verdict. Thread-bound to its owner.

#include "tools/halprobe/FrameTimeline.h"
#include "tools/halprobe/RigDevice.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace HalProbe
{
enum class PlayStream
{
    Centroid,
    Greyscale,
    Combined,
    Analogue,
    Timecode
};

struct PlayVerdict
{
    bool allStreamed = false;
    std::string text; // one line
};

class RigStatistics
{
public:
    // `rateHz` must be above 0; `devices` get a line each, heard from or not.
    RigStatistics(double rateHz, const std::vector<RigDevice>& devices);

    // One whole frame of one stream of a device, with its datagrams and their bytes.
    void AddFrame(std::uint32_t deviceId, PlayStream stream, std::uint32_t frameNumber,
                  Clock::time_point arrival, std::size_t datagrams, std::size_t bytes);
    // A datagram that is no frame: a status record, say.
    void AddDatagram(std::uint32_t deviceId, std::size_t bytes);
    // A datagram or frame that broke its stream's rules.
    void AddFault(std::optional<std::uint32_t> deviceId);

    // One line per device, as rates over `seconds`; then starts a new interval.
    std::vector<std::string> TakeRateLines(double seconds);
    // A table, its header first, of what each device delivered in a run of `seconds`.
    std::vector<std::string> TotalLines(double seconds) const;
    PlayVerdict Verdict() const;

private:
    struct Counts
    {
        std::size_t datagrams = 0;
        std::size_t bytes = 0;
        std::size_t faults = 0;
    };
    struct Device
    {
        std::string name;
        bool found = false; // announced itself before the run
        Counts interval;
        Counts total;
        std::map<PlayStream, FrameTimeline> streams;
    };
    struct Timing
    {
        std::size_t frames = 0; // of the busiest stream
        std::size_t skipped = 0;
        Lateness lateness;
    };

    Device& Heard(std::uint32_t deviceId, PlayStream stream);
    Device& Heard(std::uint32_t deviceId);
    static Timing IntervalTiming(const Device& device);
    static Timing TotalTiming(const Device& device);
    static void Merge(Timing& timing, const Lateness& lateness, std::size_t skipped);

    const double rateHz_;
    std::map<std::uint32_t, Device> devices_;
    std::vector<std::uint32_t> order_; // found devices first, in the order given
    std::size_t unknownFaults_ = 0;    // faults that name no device
};
} // namespace HalProbe
