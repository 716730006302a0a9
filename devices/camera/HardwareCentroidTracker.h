#pragma once
// Links the centroids of consecutive camera frames into tracks with stable 64-bit
// identifiers, as a camera that tracks in hardware does. Each track is predicted from its
// last centroids (its last position while young, constant velocity once mature); each
// track picks its cheapest centroid within a three-sigma gate, and the pairs are assigned
// greedily by ascending cost. Centroids left over start new tracks.
//
// Thread rules: reentrant. One tracker belongs to one centroid source, whose frame thread
// calls it; nothing is shared between trackers.

#include "FileIO/X2DIO/CameraFrameData.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace CoreSarnetAlgo
{
// How a continued track's weight is made from its centroid's quality and radius.
struct VHardwareCentroidTrackerParams
{
    // Not used by the tracker.
    double ageScale = 10.0;
    // Qualities from `qualityLow` to `qualityHigh` map linearly onto 0 … 1.
    double qualityLow = 0.4;
    double qualityHigh = 0.8;
    // A radius this far from the predicted one weighs 0.
    double radiusTolerance = 2.0;
};

// The outline of the camera's sensor, in pixels; the sources give (0, 0, width, height).
struct VSensorRectangle
{
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// What the tracker says about one centroid of a frame.
struct TrackEntry
{
    std::uint64_t id = 0;
    // 0 for a new track, else in [0, 1].
    float weight = 0.0f;
    // Frames the track has been tracked, 1 for a new track.
    std::uint32_t age = 0;
};

class VHardwareCentroidTracker
{
public:
    // `rate` is the camera's frame rate in Hz; a rate that is not above 0 (unknown) makes
    // the spreads count per frame, as at 1 Hz.
    VHardwareCentroidTracker(double rate, const VSensorRectangle& sensor, std::string name,
                             const VHardwareCentroidTrackerParams& params);

    // The identifier the next new track gets; identifiers then count up.
    void SetNextId(std::uint64_t id) { nextId_ = id; }
    // Spreads of a track's position in pixels per square root of a second: young tracks
    // (tracked for one frame), mature tracks, and of the radius.
    void SetYoungSpread(double sigma);
    void SetMatureSpread(double sigma);
    void SetRadiusSpread(double sigma);

    // Tracks one frame: `result` gets one entry per centroid, in the centroids' order. A
    // frame number that does not advance on the last one restarts tracking: every track
    // ends and every centroid starts a new one.
    void Track(const std::vector<X2DIO::Centroid>& centroids, std::int64_t frameNumber,
               std::vector<TrackEntry>& result);

    std::uint64_t GetNextId() const { return nextId_; }
    // The identifiers of the tracks that ended and that started in the last frame.
    const std::vector<std::uint64_t>& GetLostIds() const { return lostIds_; }
    const std::vector<std::uint64_t>& GetBornIds() const { return bornIds_; }
    const VSensorRectangle& GetSensorRectangle() const { return sensor_; }
    const std::string& GetName() const { return name_; }

private:
    struct Point
    {
        double x = 0.0;
        double y = 0.0;
        double radius = 0.0;
    };
    struct TrackState
    {
        std::uint64_t id = 0;
        std::uint32_t age = 0;
        // Its centroid in the last frame's list and in the list of the frame before.
        std::uint32_t lastIndex = 0;
        std::uint32_t beforeIndex = 0;
        float weight = 0.0f;
    };
    // A centroid in the list sorted by y.
    struct ByY
    {
        double y = 0.0;
        double x = 0.0;
        std::uint32_t index = 0;
    };
    struct Gate
    {
        Point centre;
        double weight = 0.0;
        double radiusWeight = 0.0;
        double halfWidth = 0.0;
    };
    struct Match
    {
        double cost = 0.0;
        std::uint32_t track = 0;
        std::uint32_t centroid = 0;
    };

    void UpdateWeights();
    std::optional<double> FrameStep(std::int64_t frameNumber);
    void TakeCentroids(const std::vector<X2DIO::Centroid>& centroids);
    void SortByY();
    Point Predict(const TrackState& track) const;
    void FindMatches(double step);
    std::optional<Gate> GateOf(const TrackState& track, double step) const;
    bool FindBestCentroid(std::uint32_t trackIndex, double step, Match& best) const;
    void AssignMatches(const std::vector<X2DIO::Centroid>& centroids,
                       std::vector<TrackEntry>& result);
    float Weight(const X2DIO::Centroid& centroid, double predictedRadius) const;
    void EndUnmatchedTracks();
    void StartNewTracks(std::vector<TrackEntry>& result);
    void EndFrame();

    double rate_;
    double youngSpread_ = 120.0;
    double matureSpread_ = 40.0;
    double radiusSpread_ = 10.0;
    double youngWeight_ = 0.0;
    double matureWeight_ = 0.0;
    double radiusWeight_ = 0.0;
    const VSensorRectangle sensor_;
    const std::string name_;
    const VHardwareCentroidTrackerParams params_;
    std::uint64_t nextId_ = 0;
    std::optional<std::int64_t> previousFrame_;

    std::vector<TrackState> tracks_;
    std::vector<Point> lastCentroids_;
    std::vector<Point> beforeCentroids_;
    std::vector<std::uint64_t> lostIds_;
    std::vector<std::uint64_t> bornIds_;

    // Working lists of one frame, kept so that steady tracking allocates nothing.
    std::vector<Point> currentCentroids_;
    std::vector<ByY> byY_;
    std::vector<Match> matches_;
    std::vector<TrackState> nextTracks_;
    std::vector<bool> trackTaken_;
    std::vector<bool> centroidTaken_;
};
} // namespace CoreSarnetAlgo
