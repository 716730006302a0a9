#include "devices/camera/FakeSourceX2D.h"

#include "devices/camera/FakeDeviceCamera.h"
#include "devices/camera/X2DHolder.h"

#include <algorithm>

using namespace CameraPackets;

// ---- frame choice ----------------------------------------------------------------------

VFakeSourceX2D::VFakeSourceX2D(VFakeDeviceCamera& camera, boost::asio::io_context& ioService,
                               std::uint16_t port, std::shared_ptr<VX2DHolder> holder,
                               std::uint32_t cameraIndex)
    : VFakeSource(camera, ioService, port), camera_(camera), holder_(std::move(holder)),
      cameraIndex_(cameraIndex)
{
}

bool VFakeSourceX2D::AdvanceTo(std::uint32_t currentFrame, std::uint32_t previousFrame)
{
    const std::uint32_t frameCount = holder_->GetFrameCount();
    if (frameCount == 0)
        return true;
    const VX2DHolder::FrameChoice choice =
        VX2DHolder::ChooseFrame(currentFrame, previousFrame, frameCount);
    const bool loaded = holder_->LoadFrame(choice.index);
    return !(choice.hasNewData && loaded);
}

// ---- centroids and tracks --------------------------------------------------------------

const std::vector<X2DIO::Centroid> VFakeSourceCentroidX2D::kNoCentroids;

VFakeSourceCentroidX2D::VFakeSourceCentroidX2D(VFakeDeviceCamera& camera,
                                               boost::asio::io_context& ioService,
                                               std::uint16_t port,
                                               std::shared_ptr<VX2DHolder> holder,
                                               std::uint32_t cameraIndex)
    : VFakeSourceX2D(camera, ioService, port, std::move(holder), cameraIndex), stream_(GetSocket())
{
    ResetTracker();
}

void VFakeSourceCentroidX2D::SetTrackingMode(TrackingMode mode)
{
    if (mode != trackingMode_)
        ResetTracker();
    trackingMode_ = mode;
}

// A new tracker starts every track afresh, with identifiers from the top half of the range.
void VFakeSourceCentroidX2D::ResetTracker()
{
    const X2DIO::CameraInfo& info = GetHolder().GetCameraInfo(GetCameraIndex());
    const std::uint64_t period = GetHolder().GetFramePeriod();
    const double rate = period == 0 ? 0.0 : double(kTickClockHz) / double(period);
    tracker_ = std::make_unique<CoreSarnetAlgo::VHardwareCentroidTracker>(
        rate, CoreSarnetAlgo::VSensorRectangle{0, 0, info.sensorWidth, info.sensorHeight},
        "lume:" + std::to_string(info.identifier),
        CoreSarnetAlgo::VHardwareCentroidTrackerParams());
    tracker_->SetNextId(0x8000000000000000ULL);
    const double youngSpread = info.sensorWidth * 5 * 0.01;
    tracker_->SetYoungSpread(youngSpread);
    tracker_->SetMatureSpread(youngSpread / 3);
    tracker_->SetRadiusSpread(10);
}

void VFakeSourceCentroidX2D::Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                                     std::uint32_t& bytesSent)
{
    const bool noNewData = AdvanceTo(currentFrame, previousFrame);
    if (currentFrame <= previousFrame)
        ResetTracker();
    const std::vector<X2DIO::Centroid>& centroids = CollectItems(noNewData, currentFrame);
    const std::uint32_t flags = trackingMode_ != TrackingMode::kOff ? kTrailerFlagTracking : 0;
    bytesSent = stream_.Send(GetCamera().GetFrameIds(currentFrame, previousFrame), centroids,
                             tracks_, flags, true);
}

const std::vector<X2DIO::Centroid>& VFakeSourceCentroidX2D::CollectItems(bool noNewData,
                                                                         std::uint32_t currentFrame)
{
    tracks_.clear();
    if (noNewData)
        return kNoCentroids;
    const std::vector<X2DIO::Centroid>& centroids =
        GetHolder().Front().centroidSets[GetCameraIndex()]->centroids;
    if (trackingMode_ == TrackingMode::kRead)
        ReadTracks();
    else if (trackingMode_ == TrackingMode::kGenerate)
        GenerateTracks(centroids, currentFrame);
    return centroids;
}

void VFakeSourceCentroidX2D::ReadTracks()
{
    const auto& tracks = GetHolder().Front().trackSets[GetCameraIndex()]->tracks;
    for (std::size_t i = 0; i < std::min(tracks.size(), kMaxTracks); ++i)
        tracks_.push_back({static_cast<std::uint16_t>(i),
                           static_cast<std::uint32_t>(tracks[i].value), tracks[i].weight,
                           static_cast<std::uint64_t>(tracks[i].identifier)});
}

void VFakeSourceCentroidX2D::GenerateTracks(const std::vector<X2DIO::Centroid>& centroids,
                                            std::uint32_t frame)
{
    tracker_->Track(centroids, frame, trackEntries_);
    for (std::size_t i = 0; i < std::min(trackEntries_.size(), kMaxTracks); ++i)
        tracks_.push_back({static_cast<std::uint16_t>(i), trackEntries_[i].age,
                           trackEntries_[i].weight, trackEntries_[i].id});
}

// ---- greyscale -------------------------------------------------------------------------

VFakeSourceGreyscaleX2D::VFakeSourceGreyscaleX2D(VFakeDeviceCamera& camera,
                                                 boost::asio::io_context& ioService,
                                                 std::uint16_t port,
                                                 std::shared_ptr<VX2DHolder> holder,
                                                 std::uint32_t cameraIndex)
    : VFakeSourceX2D(camera, ioService, port, std::move(holder), cameraIndex), stream_(GetSocket())
{
}

void VFakeSourceGreyscaleX2D::Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                                      std::uint32_t& bytesSent)
{
    const bool noNewData = AdvanceTo(currentFrame, previousFrame);
    const VX2DHolder::FrameBuffer& front = GetHolder().Front();
    const std::shared_ptr<const VCameraSettings> settings = GetCamera().GetSettings();
    bytesSent = stream_.Send(GetCamera().GetFrameIds(currentFrame, previousFrame),
                             noNewData ? nullptr : front.blobSets[GetCameraIndex()].get(),
                             noNewData ? nullptr : front.edgeSets[GetCameraIndex()].get(),
                             settings->greyMode, settings->coordMode,
                             static_cast<std::uint32_t>(settings->threshold));
}

// ---- protocol 2 ------------------------------------------------------------------------

VFakeSourceCombinedX2D::VFakeSourceCombinedX2D(VFakeDeviceCamera& camera,
                                               boost::asio::io_context& ioService,
                                               std::uint16_t port,
                                               std::shared_ptr<VX2DHolder> holder,
                                               std::uint32_t cameraIndex, std::size_t packetSize)
    : VFakeSourceCentroidX2D(camera, ioService, port, std::move(holder), cameraIndex),
      stream_(GetSocket(), packetSize)
{
}

void VFakeSourceCombinedX2D::Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                                     std::uint32_t& bytesSent)
{
    const bool noNewData = AdvanceTo(currentFrame, previousFrame);
    const std::shared_ptr<const VCameraSettings> settings = GetCamera().GetSettings();
    CameraStreams::CombinedFrame frame;
    frame.greyMode = settings->greyMode;
    if (!noNewData && settings->supportsCentroids)
    {
        frame.centroids = &CollectItems(false, currentFrame);
        frame.tracks = &GetTracks();
    }
    if (!noNewData && settings->supportsGreyscale && settings->greyMode != EncodingMode::kNone)
    {
        const VX2DHolder::FrameBuffer& front = GetHolder().Front();
        frame.blobs = front.blobSets[GetCameraIndex()].get();
        frame.edgePairs = front.edgeSets[GetCameraIndex()].get();
    }
    bytesSent = stream_.Send(GetCamera().GetDatagramHeader(currentFrame, previousFrame),
                             FrameSettingsOf(*settings), frame);
}
