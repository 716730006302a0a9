#pragma once
// Readable text of camera frames and stream faults, shared by the command-line tool and
// by tests that want readable failure messages. Reentrant.

#include "tools/halprobe/CameraFrame.h"

#include <string>
#include <vector>

namespace HalProbe
{
// "camera 0x00000007 (7) centroid stream, frame 12 (previous 11): 200 centroids, 0 tracks,
// 0 lines, 0 edge pairs in 4 datagrams".
std::string CameraFrameSummary(const CameraFrame& frame);
// The summary, then the trailer, settings or datagram headers, then one line per item.
std::vector<std::string> CameraFrameLines(const CameraFrame& frame);
// "combined stream from 127.0.0.1:40000, camera 0x00000007 (7), frame 12: datagram 1
// arrived twice".
std::string StreamFaultText(const StreamFault& fault);
} // namespace HalProbe
