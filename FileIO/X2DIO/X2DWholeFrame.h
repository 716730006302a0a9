#pragma once
// Every camera's items of one X2D frame: the four result lists with an object for each camera,
// for tools that show or check whole frames. The objects are made only once the reader has read
// the frame through, so a header that claims more cameras than its frames hold costs nothing.
//
// Thread rules: thread-bound to the thread of the reader it reads from.

#include "FileIO/X2DIO/CameraFrameData.h"

#include <cstdint>

namespace X2DIO
{
class VX2DImport;

struct VX2DWholeFrame
{
    // Reads the frame of index entry `index`. False, with the reader's message where it has one,
    // when the frame cannot be read; the cameras read before the failure stay filled.
    bool Read(VX2DImport& reader, std::int32_t index);

    CentroidSetList centroidSets;
    CentroidTrackSetList trackSets;
    GreyscaleBlobSetList blobSets;
    EdgePairSetList edgeSets;
};
} // namespace X2DIO
