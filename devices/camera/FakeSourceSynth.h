#pragma once
// The sources of a synthetic camera, drawing its centroid grid (see SynthGrid) anew each
// frame: the protocol-1 centroid source (data port), the protocol-1 greyscale source (data
// port + 1000, which sends only its frame trailer) and the protocol-2 combined source (data
// port + 5000, centroids and greyscale discs). They read the camera's published settings,
// never its parameters, and keep their buffers from frame to frame.
//
// Thread rules: Produce() is thread-bound to the camera's frame thread.

#include "devices/FakeSource.h"
#include "devices/camera/CameraStreams.h"
#include "devices/camera/GreyscaleDiscs.h"

#include <vector>

class VFakeDeviceCamera;
struct VCameraSettings;

class VFakeSourceCentroid : public VFakeSource
{
public:
    VFakeSourceCentroid(VFakeDeviceCamera& camera, boost::asio::io_context& ioService,
                        std::uint16_t port);
    void Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                 std::uint32_t& bytesSent) override;

protected:
    VFakeDeviceCamera& GetCamera() const { return camera_; }
    // The grid of frame `frame`; the source's own, to be changed until the next call.
    std::vector<X2DIO::Centroid>& BuildGrid(const VCameraSettings& settings, std::uint32_t frame);

private:
    static const std::vector<CameraPackets::TrackItem> kNoTracks;

    VFakeDeviceCamera& camera_;
    std::vector<X2DIO::Centroid> grid_;
    CameraStreams::VCentroidStream stream_;
};

class VFakeSourceGreyscale : public VFakeSource
{
public:
    VFakeSourceGreyscale(VFakeDeviceCamera& camera, boost::asio::io_context& ioService,
                         std::uint16_t port);
    void Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                 std::uint32_t& bytesSent) override;

private:
    VFakeDeviceCamera& camera_;
    CameraStreams::VGreyscaleStream stream_;
};

// With "GreyMode" "some" the first half of the grid goes out as centroids and the grid
// from the centroid after the middle one on as discs.
class VFakeSourceCombined : public VFakeSourceCentroid
{
public:
    // Datagrams of `packetSize` bytes (the camera's "PacketSize" when it was created).
    VFakeSourceCombined(VFakeDeviceCamera& camera, boost::asio::io_context& ioService,
                        std::uint16_t port, std::size_t packetSize);
    void Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                 std::uint32_t& bytesSent) override;

private:
    CameraStreams::VCombinedStream stream_;
    VGreyscaleDiscs discs_;
};
