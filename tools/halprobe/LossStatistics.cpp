#include "tools/halprobe/LossStatistics.h"

#include "tools/halprobe/RecordText.h"
#include "tools/halprobe/TextFormat.h"

#include <algorithm>

namespace HalProbe
{
namespace
{
double Milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

std::string RangesText(const LossCounts& counts)
{
    std::string text;
    for (const auto& [first, last] : counts.missingRanges)
        text += (text.empty() ? " (" : ", ") +
                (first == last ? Format("%u", first) : Format("%u-%u", first, last));
    if (text.empty())
        return text;
    const bool more = counts.missingRanges.size() == LossStatistics::kShownRanges;
    return text + (more ? ", ...)" : ")");
}
} // namespace

void LossStatistics::Arrive(Track& track, std::uint32_t frameNumber, Clock::time_point arrival)
{
    track.frameNumbers.insert(frameNumber);
    if (track.latestArrival && arrival > *track.latestArrival)
        track.longestGap = std::max(track.longestGap, arrival - *track.latestArrival);
    if (!track.latestArrival || arrival > *track.latestArrival)
        track.latestArrival = arrival;
}

void LossStatistics::AddFrame(const CameraFrame& frame)
{
    Track& track = tracks_[{frame.deviceId, frame.stream}];
    ++track.wholeFrames;
    Arrive(track, frame.frameNumber, frame.arrival);
}

void LossStatistics::AddFault(const StreamFault& fault)
{
    if (!fault.deviceId || !fault.frameNumber || !fault.datagrams)
        return;
    Track& track = tracks_[{*fault.deviceId, fault.stream}];
    ++track.incompleteFrames;
    const DatagramTally& tally = *fault.datagrams;
    track.datagramsLost += tally.reached - std::min(tally.reached, tally.received);
    track.framesCutShort += tally.lastReceived ? 0 : 1;
    Arrive(track, *fault.frameNumber, fault.arrival);
}

LossCounts LossStatistics::Summarise(const Track& track)
{
    LossCounts counts{track.wholeFrames,    track.incompleteFrames, 0, track.datagramsLost,
                      track.framesCutShort, track.longestGap,       {}};
    std::optional<std::uint32_t> previous;
    for (const std::uint32_t number : track.frameNumbers)
    {
        if (previous && number > *previous + 1)
        {
            counts.missingFrames += number - *previous - 1;
            if (counts.missingRanges.size() < kShownRanges)
                counts.missingRanges.emplace_back(*previous + 1, number - 1);
        }
        previous = number;
    }
    return counts;
}

LossCounts LossStatistics::Counts(std::uint32_t deviceId, CameraStream stream) const
{
    const auto track = tracks_.find({deviceId, stream});
    return track == tracks_.end() ? LossCounts{} : Summarise(track->second);
}

std::vector<std::string> LossStatistics::TotalLines() const
{
    std::vector<std::string> lines;
    for (const auto& [key, track] : tracks_)
    {
        const LossCounts counts = Summarise(track);
        lines.push_back(Format("camera %s %s: %zu whole and %zu incomplete frames, %zu frames "
                               "missing%s, %zu datagrams lost, %zu frames cut short, longest "
                               "gap %.1f ms",
                               DeviceIdText(key.first).c_str(), CameraStreamName(key.second),
                               counts.wholeFrames, counts.incompleteFrames, counts.missingFrames,
                               RangesText(counts).c_str(), counts.datagramsLost,
                               counts.framesCutShort, Milliseconds(counts.longestGap)));
    }
    return lines;
}
} // namespace HalProbe
