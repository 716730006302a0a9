#include "devices/camera/HardwareCentroidTracker.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace CoreSarnetAlgo
{
namespace
{
// A cost below this is a match within three standard deviations.
constexpr double kGateCost = 9.0;
constexpr double kGateSigmas = 3.0;

// Clamps to [0, 1]; NaN becomes 0.
double ClampToUnit(double value)
{
    if (!(value > 0.0))
        return 0.0;
    return std::min(value, 1.0);
}
} // namespace

VHardwareCentroidTracker::VHardwareCentroidTracker(double rate, const VSensorRectangle& sensor,
                                                   std::string name,
                                                   const VHardwareCentroidTrackerParams& params)
    : rate_(rate), sensor_(sensor), name_(std::move(name)), params_(params)
{
    UpdateWeights();
}

void VHardwareCentroidTracker::SetYoungSpread(double sigma)
{
    youngSpread_ = sigma;
    UpdateWeights();
}

void VHardwareCentroidTracker::SetMatureSpread(double sigma)
{
    matureSpread_ = sigma;
    UpdateWeights();
}

void VHardwareCentroidTracker::SetRadiusSpread(double sigma)
{
    radiusSpread_ = sigma;
    UpdateWeights();
}

// Without a known rate every weight would be 0, making the gate unbounded and every cost
// 0, so that all tracks would fight over one centroid; the spreads then count per frame.
void VHardwareCentroidTracker::UpdateWeights()
{
    const double rate = std::isfinite(rate_) && rate_ > 0.0 ? rate_ : 1.0;
    youngWeight_ = rate / (youngSpread_ * youngSpread_);
    matureWeight_ = rate / (matureSpread_ * matureSpread_);
    radiusWeight_ = rate / (radiusSpread_ * radiusSpread_);
}

void VHardwareCentroidTracker::Track(const std::vector<X2DIO::Centroid>& centroids,
                                     std::int64_t frameNumber, std::vector<TrackEntry>& result)
{
    lostIds_.clear();
    bornIds_.clear();
    const std::optional<double> step = FrameStep(frameNumber);
    TakeCentroids(centroids);
    matches_.clear();
    if (step)
        FindMatches(*step);
    result.resize(centroids.size());
    AssignMatches(centroids, result);
    EndUnmatchedTracks();
    StartNewTracks(result);
    EndFrame();
}

// The reciprocal of the frames elapsed since the last call; none on the first frame and
// when the frame number does not advance, which leaves no track to continue.
std::optional<double> VHardwareCentroidTracker::FrameStep(std::int64_t frameNumber)
{
    const std::optional<std::int64_t> previous = std::exchange(previousFrame_, frameNumber);
    if (!previous || frameNumber <= *previous)
        return std::nullopt;
    const std::uint64_t elapsed = std::uint64_t(frameNumber) - std::uint64_t(*previous);
    return 1.0 / double(elapsed);
}

void VHardwareCentroidTracker::TakeCentroids(const std::vector<X2DIO::Centroid>& centroids)
{
    currentCentroids_.resize(centroids.size());
    std::transform(centroids.begin(), centroids.end(), currentCentroids_.begin(),
                   [](const X2DIO::Centroid& centroid) {
                       return Point{centroid.x, centroid.y, centroid.radius};
                   });
}

// Centroids without a y (NaN) can match no track and are left out, which keeps the order
// strict and the binary searches sound. Each entry carries its x, so that scanning a gate's
// band of y reads one array in order.
void VHardwareCentroidTracker::SortByY()
{
    byY_.clear();
    for (std::uint32_t index = 0; index < currentCentroids_.size(); ++index)
    {
        const Point& centroid = currentCentroids_[index];
        if (!std::isnan(centroid.y))
            byY_.push_back({centroid.y, centroid.x, index});
    }
    std::sort(byY_.begin(), byY_.end(),
              [](const ByY& left, const ByY& right)
              { return left.y < right.y || (left.y == right.y && left.index < right.index); });
}

// Young tracks stay where they were last seen; mature ones keep their last velocity.
VHardwareCentroidTracker::Point VHardwareCentroidTracker::Predict(const TrackState& track) const
{
    const Point& last = lastCentroids_[track.lastIndex];
    if (track.age == 1)
        return last;
    const Point& before = beforeCentroids_[track.beforeIndex];
    return {2.0 * last.x - before.x, 2.0 * last.y - before.y, 2.0 * last.radius - before.radius};
}

// Each track's cheapest centroid, cheapest pairs first; equal costs keep track order.
void VHardwareCentroidTracker::FindMatches(double step)
{
    SortByY();
    for (std::uint32_t track = 0; track < tracks_.size(); ++track)
    {
        Match best;
        if (FindBestCentroid(track, step, best))
            matches_.push_back(best);
    }
    std::sort(matches_.begin(), matches_.end(),
              [](const Match& left, const Match& right) {
                  return left.cost < right.cost ||
                         (left.cost == right.cost && left.track < right.track);
              });
}

// The square of three sigmas around the track's prediction in which its centroid is
// looked for, and the weights of its costs; none when the prediction is not a position.
std::optional<VHardwareCentroidTracker::Gate>
VHardwareCentroidTracker::GateOf(const TrackState& track, double step) const
{
    const Point centre = Predict(track);
    const double weight = step * (track.age == 1 ? youngWeight_ : matureWeight_);
    const double halfWidth = kGateSigmas / std::sqrt(weight);
    if (!std::isfinite(centre.x) || !std::isfinite(centre.y) || std::isnan(halfWidth))
        return std::nullopt;
    return Gate{centre, weight, step * radiusWeight_, halfWidth};
}

// Visits the centroids within the track's gate (edges included) in ascending y; the first
// cheapest one below the match cost wins.
bool VHardwareCentroidTracker::FindBestCentroid(std::uint32_t trackIndex, double step,
                                                Match& best) const
{
    const std::optional<Gate> gate = GateOf(tracks_[trackIndex], step);
    if (!gate)
        return false;
    const Point& centre = gate->centre;
    const auto first = std::lower_bound(byY_.begin(), byY_.end(), centre.y - gate->halfWidth,
                                        [](const ByY& entry, double y) { return entry.y < y; });
    const auto last = std::upper_bound(first, byY_.end(), centre.y + gate->halfWidth,
                                       [](double y, const ByY& entry) { return y < entry.y; });
    best = {kGateCost, trackIndex, 0};
    bool found = false;
    for (auto entry = first; entry != last; ++entry)
    {
        const double dx = entry->x - centre.x;
        if (!(std::abs(dx) <= gate->halfWidth))
            continue;
        const Point& centroid = currentCentroids_[entry->index];
        const double dy = centroid.y - centre.y;
        const double dr = centroid.radius - centre.radius;
        const double cost = (dx * dx + dy * dy) * gate->weight + dr * dr * gate->radiusWeight;
        if (cost < best.cost)
        {
            best.cost = cost;
            best.centroid = entry->index;
            found = true;
        }
    }
    return found;
}

void VHardwareCentroidTracker::AssignMatches(const std::vector<X2DIO::Centroid>& centroids,
                                             std::vector<TrackEntry>& result)
{
    trackTaken_.assign(tracks_.size(), false);
    centroidTaken_.assign(centroids.size(), false);
    nextTracks_.clear();
    for (const Match& match : matches_)
    {
        if (trackTaken_[match.track] || centroidTaken_[match.centroid])
            continue;
        trackTaken_[match.track] = true;
        centroidTaken_[match.centroid] = true;
        const TrackState& track = tracks_[match.track];
        const float weight = Weight(centroids[match.centroid], Predict(track).radius);
        result[match.centroid] = {track.id, weight, track.age + 1};
        nextTracks_.push_back({track.id, track.age + 1, match.centroid, track.lastIndex, weight});
    }
}

// The quality's place between the low and high marks (1 for a centroid without quality),
// times how close the radius came to the predicted one.
float VHardwareCentroidTracker::Weight(const X2DIO::Centroid& centroid,
                                       double predictedRadius) const
{
    const double quality = centroid.quality == 0.0f
                               ? 1.0
                               : ClampToUnit((centroid.quality - params_.qualityLow) /
                                             (params_.qualityHigh - params_.qualityLow));
    const double radius =
        ClampToUnit(1.0 - std::abs(centroid.radius - predictedRadius) / params_.radiusTolerance);
    return float(quality * radius);
}

void VHardwareCentroidTracker::EndUnmatchedTracks()
{
    for (std::uint32_t track = 0; track < tracks_.size(); ++track)
        if (!trackTaken_[track])
            lostIds_.push_back(tracks_[track].id);
}

void VHardwareCentroidTracker::StartNewTracks(std::vector<TrackEntry>& result)
{
    for (std::uint32_t centroid = 0; centroid < centroidTaken_.size(); ++centroid)
    {
        if (centroidTaken_[centroid])
            continue;
        const std::uint64_t id = nextId_++;
        result[centroid] = {id, 0.0f, 1};
        nextTracks_.push_back({id, 1, centroid, 0, 0.0f});
        bornIds_.push_back(id);
    }
}

// This frame's tracks and centroids become the last frame's.
void VHardwareCentroidTracker::EndFrame()
{
    tracks_.swap(nextTracks_);
    beforeCentroids_.swap(lastCentroids_);
    lastCentroids_.swap(currentCentroids_);
}
} // namespace CoreSarnetAlgo
