#include "devices/camera/FakeSourceSynth.h"

#include "devices/camera/FakeDeviceCamera.h"
#include "devices/camera/SynthGrid.h"

using CameraPackets::EncodingMode;

// ---- protocol 1: centroids -------------------------------------------------------------

const std::vector<CameraPackets::TrackItem> VFakeSourceCentroid::kNoTracks;

VFakeSourceCentroid::VFakeSourceCentroid(VFakeDeviceCamera& camera,
                                         boost::asio::io_context& ioService, std::uint16_t port)
    : VFakeSource(camera, ioService, port), camera_(camera), stream_(GetSocket())
{
}

std::vector<X2DIO::Centroid>& VFakeSourceCentroid::BuildGrid(const VCameraSettings& settings,
                                                             std::uint32_t frame)
{
    SynthGrid::Build(settings, frame, grid_);
    return grid_;
}

// The trailer leaves the centroid count at 0: the payload tells how many there are.
void VFakeSourceCentroid::Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                                  std::uint32_t& bytesSent)
{
    const std::shared_ptr<const VCameraSettings> settings = camera_.GetSettings();
    bytesSent = stream_.Send(camera_.GetFrameIds(currentFrame, previousFrame),
                             BuildGrid(*settings, currentFrame), kNoTracks, 0, false);
}

// ---- protocol 1: greyscale -------------------------------------------------------------

VFakeSourceGreyscale::VFakeSourceGreyscale(VFakeDeviceCamera& camera,
                                           boost::asio::io_context& ioService, std::uint16_t port)
    : VFakeSource(camera, ioService, port), camera_(camera), stream_(GetSocket())
{
}

void VFakeSourceGreyscale::Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                                   std::uint32_t& bytesSent)
{
    bytesSent = stream_.SendTrailerOnly(camera_.GetFrameIds(currentFrame, previousFrame));
}

// ---- protocol 2 ------------------------------------------------------------------------

VFakeSourceCombined::VFakeSourceCombined(VFakeDeviceCamera& camera,
                                         boost::asio::io_context& ioService, std::uint16_t port,
                                         std::size_t packetSize)
    : VFakeSourceCentroid(camera, ioService, port), stream_(GetSocket(), packetSize)
{
}

// With "some" the centroid in the middle of the grid is sent neither way.
void VFakeSourceCombined::Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                                  std::uint32_t& bytesSent)
{
    const std::shared_ptr<const VCameraSettings> settings = GetCamera().GetSettings();
    std::vector<X2DIO::Centroid>& grid = BuildGrid(*settings, currentFrame);
    const bool some = settings->greyMode == EncodingMode::kSome;
    const std::size_t half = grid.size() / 2;
    CameraStreams::CombinedFrame frame;
    frame.greyMode = settings->greyMode;
    if (settings->supportsGreyscale && settings->greyMode != EncodingMode::kNone)
        frame.orderedLines = &discs_.Draw(grid, some ? half + 1 : 0, stream_.GetMaxLinePixels());
    if (settings->supportsCentroids && settings->greyMode != EncodingMode::kOnly)
    {
        if (some)
            grid.resize(half);
        frame.centroids = &grid;
    }
    bytesSent = stream_.Send(GetCamera().GetDatagramHeader(currentFrame, previousFrame),
                             FrameSettingsOf(*settings), frame);
}
