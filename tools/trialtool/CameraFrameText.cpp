#include "tools/trialtool/CameraFrameText.h"

#include "tools/trialtool/ReportText.h"

namespace TrialTool
{
namespace
{
void PrintLine(const X2DIO::GreyscaleBlobSet& set, const X2DIO::GreyscaleLine& line,
               std::ostream& out)
{
    out << "      line x " << line.x << " y " << line.y << ": " << line.pixelCount << " pixels";
    // A line whose pixels lie beyond the buffer shows none of them rather than stray bytes.
    const std::size_t end = std::size_t(line.pixelOffset) + line.pixelCount;
    if (line.pixelCount > 0 && end <= set.pixels.size())
        out << ": "
            << HexBytes(set.pixels.data() + line.pixelOffset, line.pixelCount, kDumpedBytes);
    out << "\n";
}

void PrintBlob(const X2DIO::GreyscaleBlobSet& set, std::size_t index, std::ostream& out)
{
    const X2DIO::GreyscaleBlob& blob = set.blobs[index];
    out << "    blob " << index << ": " << blob.lineCount << " lines, flags " << blob.flags << "\n";
    for (std::size_t line = blob.firstLine;
         line < set.lines.size() && line < std::size_t(blob.firstLine) + blob.lineCount; ++line)
        PrintLine(set, set.lines[line], out);
}
} // namespace

void PrintCentroids(const X2DIO::CentroidSet& set, std::ostream& out)
{
    out << "  centroids: " << set.centroids.size() << "\n";
    for (const X2DIO::Centroid& centroid : set.centroids)
        out << "    x " << FormatNumber(centroid.x, 3) << " y " << FormatNumber(centroid.y, 3)
            << " radius " << FormatNumber(centroid.radius, 3) << " quality "
            << FormatNumber(centroid.quality, 3) << "\n";
}

void PrintTracks(const X2DIO::CentroidTrackSet& set, std::ostream& out)
{
    out << "  tracks: " << set.tracks.size() << "\n";
    for (const X2DIO::CentroidTrack& track : set.tracks)
        out << "    id " << track.identifier << " value " << track.value << " weight "
            << FormatNumber(track.weight, 3) << "\n";
}

void PrintBlobs(const X2DIO::GreyscaleBlobSet& set, std::ostream& out)
{
    out << "  blobs: " << set.blobs.size() << ", frame flags " << unsigned(set.frameFlags) << "\n";
    for (std::size_t blob = 0; blob < set.blobs.size(); ++blob)
        PrintBlob(set, blob, out);
}

void PrintEdgePairs(const X2DIO::EdgePairSet& set, std::ostream& out)
{
    out << "  edge pairs: " << set.edgePairs.size() << "\n";
    for (const X2DIO::EdgePair& pair : set.edgePairs)
        out << "    " << pair.e0 << " " << pair.e1 << " " << pair.e2 << "\n";
}
} // namespace TrialTool
