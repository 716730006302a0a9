#pragma once
// What the HAL saw of each camera stream's losses: frames received (whole or not), the
// frame numbers that never came, the datagrams lost where the stream shows them (the holes
// in the combined stream's datagram indices up to the highest index that came; a frame
// whose last datagram never came is counted as cut short, as its length is unknown) and
// the longest time without data. Thread-bound to its owner.

#include "tools/halprobe/CameraFrame.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace HalProbe
{
struct LossCounts
{
    std::size_t wholeFrames = 0;
    std::size_t incompleteFrames = 0;
    std::size_t missingFrames = 0; // numbers between the first and the last that never came
    std::size_t datagramsLost = 0;
    std::size_t framesCutShort = 0; // incomplete frames whose last datagram never came
    Clock::duration longestGap{};
    // The first missing frame numbers, as ranges of consecutive numbers.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> missingRanges;
};

class LossStatistics
{
public:
    static constexpr std::size_t kShownRanges = 8;

    void AddFrame(const CameraFrame& frame);
    // Counts an incomplete frame of a known camera and frame; other faults are not losses.
    void AddFault(const StreamFault& fault);

    // The counts of one camera stream; all zero for one never seen.
    LossCounts Counts(std::uint32_t deviceId, CameraStream stream) const;
    // One line per camera stream.
    std::vector<std::string> TotalLines() const;

private:
    struct Track
    {
        std::size_t wholeFrames = 0;
        std::size_t incompleteFrames = 0;
        std::size_t datagramsLost = 0;
        std::size_t framesCutShort = 0;
        std::set<std::uint32_t> frameNumbers;
        std::optional<Clock::time_point> latestArrival;
        Clock::duration longestGap{};
    };
    using Key = std::pair<std::uint32_t, CameraStream>;

    static void Arrive(Track& track, std::uint32_t frameNumber, Clock::time_point arrival);
    static LossCounts Summarise(const Track& track);

    std::map<Key, Track> tracks_;
};
} // namespace HalProbe
