#pragma once
// The sources that replay one camera of an X2D file: the protocol-1 centroid source (data
// port), the protocol-1 greyscale source (data port + 1000) and the protocol-2 combined
// source (data port + 5000). All take their frames from the file's shared frame cache;
// which file frame a HAL frame replays is AdvanceTo()'s rule.
//
// Thread rules: Produce(), SetTrackingMode() and ResetTracker() are thread-bound to the
// camera's frame thread.

#include "devices/FakeSource.h"
#include "devices/camera/CameraPackets.h"
#include "devices/camera/CameraSettings.h"
#include "devices/camera/CameraStreams.h"
#include "devices/camera/HardwareCentroidTracker.h"

#include <memory>
#include <vector>

class VFakeDeviceCamera;
class VX2DHolder;

class VFakeSourceX2D : public VFakeSource
{
public:
    VFakeSourceX2D(VFakeDeviceCamera& camera, boost::asio::io_context& ioService,
                   std::uint16_t port, std::shared_ptr<VX2DHolder> holder,
                   std::uint32_t cameraIndex);

    // Loads file frame C mod n for HAL frame C; true (no new data: the frame goes out
    // without items) at the frame where the file wraps round, when the frame number did not
    // advance, after a backwards jump, for a file without frames and when the file frame
    // cannot be read.
    bool AdvanceTo(std::uint32_t currentFrame, std::uint32_t previousFrame);

protected:
    VFakeDeviceCamera& GetCamera() const { return camera_; }
    const VX2DHolder& GetHolder() const { return *holder_; }
    std::uint32_t GetCameraIndex() const { return cameraIndex_; }

private:
    VFakeDeviceCamera& camera_;
    std::shared_ptr<VX2DHolder> holder_;
    const std::uint32_t cameraIndex_;
};

class VFakeSourceCentroidX2D : public VFakeSourceX2D
{
public:
    VFakeSourceCentroidX2D(VFakeDeviceCamera& camera, boost::asio::io_context& ioService,
                           std::uint16_t port, std::shared_ptr<VX2DHolder> holder,
                           std::uint32_t cameraIndex);

    // A change of mode starts a new tracker.
    void SetTrackingMode(TrackingMode mode);
    void ResetTracker();
    void Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                 std::uint32_t& bytesSent) override;

protected:
    // The camera's centroids of the loaded frame, and its tracks by the tracking mode
    // (none, the file's, or generated for `currentFrame`) into `tracks_`; none of either
    // without new data.
    const std::vector<X2DIO::Centroid>& CollectItems(bool noNewData, std::uint32_t currentFrame);
    const std::vector<CameraPackets::TrackItem>& GetTracks() const { return tracks_; }
    TrackingMode GetTrackingMode() const { return trackingMode_; }

private:
    static const std::vector<X2DIO::Centroid> kNoCentroids;

    void ReadTracks();
    void GenerateTracks(const std::vector<X2DIO::Centroid>& centroids, std::uint32_t frame);

    TrackingMode trackingMode_ = TrackingMode::kOff;
    std::unique_ptr<CoreSarnetAlgo::VHardwareCentroidTracker> tracker_;
    std::vector<CameraPackets::TrackItem> tracks_;
    std::vector<CoreSarnetAlgo::TrackEntry> trackEntries_;
    CameraStreams::VCentroidStream stream_;
};

class VFakeSourceGreyscaleX2D : public VFakeSourceX2D
{
public:
    VFakeSourceGreyscaleX2D(VFakeDeviceCamera& camera, boost::asio::io_context& ioService,
                            std::uint16_t port, std::shared_ptr<VX2DHolder> holder,
                            std::uint32_t cameraIndex);
    void Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                 std::uint32_t& bytesSent) override;

private:
    CameraStreams::VGreyscaleStream stream_;
};

class VFakeSourceCombinedX2D : public VFakeSourceCentroidX2D
{
public:
    // Datagrams of `packetSize` bytes (the camera's "PacketSize" when it was created).
    VFakeSourceCombinedX2D(VFakeDeviceCamera& camera, boost::asio::io_context& ioService,
                           std::uint16_t port, std::shared_ptr<VX2DHolder> holder,
                           std::uint32_t cameraIndex, std::size_t packetSize);
    void Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                 std::uint32_t& bytesSent) override;

private:
    CameraStreams::VCombinedStream stream_;
};
