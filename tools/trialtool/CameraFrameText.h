#pragma once
// The text form of what one camera recorded in one frame, as "trialtool dump" prints it:
// one heading line per kind of item, then one indented line per item. Reentrant.

#include "FileIO/X2DIO/CameraFrameData.h"

#include <ostream>

namespace TrialTool
{
void PrintCentroids(const X2DIO::CentroidSet& set, std::ostream& out);
void PrintTracks(const X2DIO::CentroidTrackSet& set, std::ostream& out);
// Each blob with its lines and each line's first pixels.
void PrintBlobs(const X2DIO::GreyscaleBlobSet& set, std::ostream& out);
void PrintEdgePairs(const X2DIO::EdgePairSet& set, std::ostream& out);
} // namespace TrialTool
