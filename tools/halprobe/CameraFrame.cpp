#include "tools/halprobe/CameraFrame.h"

namespace HalProbe
{
std::size_t CameraFrame::ItemCount() const
{
    return centroids.size() + tracks.size() + lines.size() + edgePairs.size();
}
} // namespace HalProbe
