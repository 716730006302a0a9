#include "devices/camera/HardwareCentroidTracker.h"
#include "tests/support/AllocationCount.h"

#include <cmath>
#include <gtest/gtest.h>
#include <iterator>
#include <limits>
#include <memory>
#include <vector>

using CoreSarnetAlgo::TrackEntry;
using CoreSarnetAlgo::VHardwareCentroidTracker;
using X2DIO::Centroid;

namespace
{
constexpr std::uint64_t kFirstId = 0x8000000000000000;

// At 100 Hz: young tracks weigh 0.25 (gate half-width 6 px), mature ones 1 (3 px), radius
// differences 1.
std::unique_ptr<VHardwareCentroidTracker> MakeTracker(double rate = 100.0)
{
    auto tracker = std::make_unique<VHardwareCentroidTracker>(
        rate, CoreSarnetAlgo::VSensorRectangle{0, 0, 1280, 1024}, "lume:7",
        CoreSarnetAlgo::VHardwareCentroidTrackerParams{});
    tracker->SetNextId(kFirstId);
    tracker->SetYoungSpread(20.0);
    tracker->SetMatureSpread(10.0);
    tracker->SetRadiusSpread(10.0);
    return tracker;
}

Centroid At(double x, double y, double radius = 2.0, float quality = 0.0f)
{
    return {x, y, radius, quality};
}

class HardwareCentroidTrackerTest : public testing::Test
{
protected:
    const std::vector<TrackEntry>& Track(const std::vector<Centroid>& centroids, std::int64_t frame)
    {
        tracker_->Track(centroids, frame, result_);
        return result_;
    }

    std::unique_ptr<VHardwareCentroidTracker> tracker_ = MakeTracker();
    std::vector<TrackEntry> result_;
};

using Ids = std::vector<std::uint64_t>;

Ids IdsOf(const std::vector<TrackEntry>& entries)
{
    Ids ids;
    for (const TrackEntry& entry : entries)
        ids.push_back(entry.id);
    return ids;
}
} // namespace

TEST_F(HardwareCentroidTrackerTest, FirstFrameStartsOneTrackPerCentroidInInputOrder)
{
    const auto& result = Track({At(10, 500), At(20, 100), At(30, 300)}, 7);
    EXPECT_EQ(IdsOf(result), (Ids{kFirstId, kFirstId + 1, kFirstId + 2}));
    for (const TrackEntry& entry : result)
    {
        EXPECT_EQ(entry.age, 1u);
        EXPECT_EQ(entry.weight, 0.0f);
    }
    EXPECT_EQ(tracker_->GetBornIds(), IdsOf(result));
    EXPECT_TRUE(tracker_->GetLostIds().empty());
    EXPECT_EQ(tracker_->GetNextId(), kFirstId + 3);
}

// The two centroids swap places in the input list every other frame.
TEST_F(HardwareCentroidTrackerTest, CentroidsMovingWithinTheGateKeepTheirIdsAndAge)
{
    for (std::int64_t frame = 0; frame < 5; ++frame)
    {
        const Centroid upper = At(100 + frame, 50 + frame);
        const Centroid lower = At(400 - frame, 800 + frame);
        const bool swapped = frame % 2 == 1;
        const auto& result =
            Track(swapped ? std::vector{lower, upper} : std::vector{upper, lower}, frame);
        const TrackEntry& upperEntry = result[swapped ? 1 : 0];
        const TrackEntry& lowerEntry = result[swapped ? 0 : 1];
        EXPECT_EQ(upperEntry.id, kFirstId) << "frame " << frame;
        EXPECT_EQ(lowerEntry.id, kFirstId + 1) << "frame " << frame;
        EXPECT_EQ(upperEntry.age, std::uint32_t(frame + 1));
        EXPECT_EQ(lowerEntry.age, std::uint32_t(frame + 1));
    }
    EXPECT_EQ(tracker_->GetNextId(), kFirstId + 2);
}

// A young track's gate reaches 6 px; its cost there is 36 × 0.25 = 9, which is no match.
TEST_F(HardwareCentroidTrackerTest, GateReachesJustUnderThreeSigmasOnEverySide)
{
    const double inside = 5.99;
    const double edge = 6.0;
    const double offsets[][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    std::vector<Centroid> first;
    std::vector<Centroid> second;
    for (int i = 0; i < 8; ++i)
    {
        const double x = 100.0 + 50.0 * i;
        const double y = 100.0 + 40.0 * i;
        const double distance = i < 4 ? inside : edge;
        first.push_back(At(x, y));
        second.push_back(At(x + offsets[i % 4][0] * distance, y + offsets[i % 4][1] * distance));
    }
    Track(first, 0);
    const auto& result = Track(second, 1);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(result[i].id, kFirstId + i) << "inside, side " << i;
    for (int i = 4; i < 8; ++i)
        EXPECT_EQ(result[i].age, 1u) << "on the edge, side " << i % 4;
}

// 8 px at dt = 1 costs 64 × 0.25 = 16 and lies beyond the 6 px gate; with one frame skipped
// the gate reaches 6√2 ≈ 8.49 px and the cost is 8.
TEST_F(HardwareCentroidTrackerTest, OneSkippedFrameWidensTheGateBySqrtTwoAndHalvesTheCosts)
{
    const auto skipping = MakeTracker();
    std::vector<TrackEntry> skippingResult;
    Track({At(100, 100)}, 10);
    skipping->Track({At(100, 100)}, 10, skippingResult);

    EXPECT_EQ(Track({At(100, 108)}, 11)[0].age, 1u) << "a new track at dt = 1";
    skipping->Track({At(100, 108)}, 12, skippingResult);
    EXPECT_EQ(skippingResult[0].id, kFirstId);
    EXPECT_EQ(skippingResult[0].age, 2u);
}

// Track A (100) and track B (104) both want the centroid at 103; B is nearer and wins. A
// ends rather than falling back on the centroid at 96.5, which starts a new track.
TEST_F(HardwareCentroidTrackerTest, TheCheaperOfTwoCompetingTracksWinsAndTheOtherEnds)
{
    Track({At(100, 100), At(104, 100)}, 0);
    const auto& result = Track({At(103, 100), At(96.5, 100)}, 1);
    EXPECT_EQ(result[0].id, kFirstId + 1);
    EXPECT_EQ(result[0].age, 2u);
    EXPECT_EQ(result[1].id, kFirstId + 2);
    EXPECT_EQ(result[1].age, 1u);
    EXPECT_EQ(tracker_->GetLostIds(), Ids{kFirstId});
    EXPECT_EQ(tracker_->GetBornIds(), Ids{kFirstId + 2});
}

TEST_F(HardwareCentroidTrackerTest, WeightFollowsQualityAndRadiusError)
{
    struct Case
    {
        float quality;
        double radiusError;
        float weight;
    };
    const Case cases[] = {
        {0.6f, 0.0, 0.5f}, // quality half-way between 0.4 and 0.8
        {0.9f, 1.0, 0.5f}, // quality above 0.8 counts 1, the radius half the tolerance off
        {0.0f, 0.0, 1.0f}, // no quality counts 1
        {0.3f, 0.0, 0.0f}, // below 0.4
        {0.7f, 2.5, 0.0f}, // beyond the radius tolerance, still within the gate
        {0.7f, -1.5, 0.1875f},
    };
    std::vector<Centroid> first;
    std::vector<Centroid> second;
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        const double x = 100.0 + 50.0 * double(i);
        first.push_back(At(x, 200, 4.0));
        second.push_back(At(x, 200, 4.0 + cases[i].radiusError, cases[i].quality));
    }
    Track(first, 0);
    const auto& result = Track(second, 1);
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        EXPECT_EQ(result[i].age, 2u) << "case " << i;
        EXPECT_FLOAT_EQ(result[i].weight, cases[i].weight) << "case " << i;
    }
}

// Moving 3 px a frame on both axes leaves a mature track's 3 px gate unless the track is
// predicted at constant velocity; the growing radius is predicted alike (weight 1, where a
// radius taken from the last frame would weigh 0.75).
TEST_F(HardwareCentroidTrackerTest, MatureTracksArePredictedAtConstantVelocity)
{
    const auto centroidAt = [](std::int64_t frame)
    { return At(300 + 3.0 * frame, 600 - 3.0 * frame, 2.0 + 0.5 * frame); };
    Track({centroidAt(0)}, 0);
    EXPECT_FLOAT_EQ(Track({centroidAt(1)}, 1)[0].weight, 0.75f) << "young: last radius";
    for (std::int64_t frame = 2; frame < 6; ++frame)
    {
        const TrackEntry entry = Track({centroidAt(frame)}, frame)[0];
        EXPECT_EQ(entry.id, kFirstId) << "frame " << frame;
        EXPECT_EQ(entry.age, std::uint32_t(frame + 1));
        EXPECT_FLOAT_EQ(entry.weight, 1.0f);
    }
}

TEST_F(HardwareCentroidTrackerTest, AFrameNumberThatDoesNotAdvanceRestartsTracking)
{
    Track({At(100, 100), At(200, 200)}, 10);
    Track({At(100, 100), At(200, 200)}, 10);
    EXPECT_EQ(IdsOf(result_), (Ids{kFirstId + 2, kFirstId + 3})) << "same frame number";
    EXPECT_EQ(tracker_->GetLostIds(), (Ids{kFirstId, kFirstId + 1}));

    Track({At(100, 100), At(200, 200)}, 9);
    EXPECT_EQ(IdsOf(result_), (Ids{kFirstId + 4, kFirstId + 5})) << "backwards";

    Track({At(100, 100), At(200, 200)}, 10);
    EXPECT_EQ(IdsOf(result_), (Ids{kFirstId + 4, kFirstId + 5})) << "onwards again";
    EXPECT_EQ(result_[0].age, 2u);
}

// Without a rate the spreads count per frame (young gate 60 px); the two centroids 40 px
// apart are not both drawn to the first one.
TEST(HardwareCentroidTracker, TracksWithoutAKnownRate)
{
    const auto tracker = MakeTracker(0.0);
    std::vector<TrackEntry> result;
    for (std::int64_t frame = 0; frame < 3; ++frame)
    {
        tracker->Track({At(100, 100 + frame), At(100, 140 + frame)}, frame, result);
        EXPECT_EQ(IdsOf(result), (Ids{kFirstId, kFirstId + 1})) << "frame " << frame;
    }
}

// A centroid without a position matches nothing and disturbs nobody else's track.
TEST_F(HardwareCentroidTrackerTest, CentroidsWithoutAPositionStartANewTrackEveryFrame)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<Centroid> centroids;
    for (int i = 0; i < 40; ++i)
        centroids.push_back(i % 8 == 3 ? At(10.0 * i, nan) : At(10.0 * i, 20.0 * i));
    Track(centroids, 0);
    const Ids first = IdsOf(result_);
    Track(centroids, 1);
    for (int i = 0; i < 40; ++i)
        if (i % 8 == 3)
            EXPECT_EQ(result_[i].age, 1u) << "centroid " << i;
        else
            EXPECT_EQ(result_[i].id, first[i]) << "centroid " << i;
}

TEST_F(HardwareCentroidTrackerTest, SteadyTrackingAllocatesNothing)
{
    std::vector<Centroid> centroids;
    for (int i = 0; i < 1000; ++i)
        centroids.push_back(At(20.0 * (i % 40), 25.0 * (i / 40)));
    const auto moveAll = [&centroids]
    {
        for (Centroid& centroid : centroids)
            centroid.x += 0.5;
    };
    for (std::int64_t frame = 0; frame < 3; ++frame, moveAll())
        Track(centroids, frame);
    const std::uint64_t before = AllocationCount();
    for (std::int64_t frame = 3; frame < 13; ++frame, moveAll())
        Track(centroids, frame);
    EXPECT_EQ(AllocationCount() - before, 0u);
    EXPECT_EQ(result_.front().age, 13u) << "still tracking";
}
