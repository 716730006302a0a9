#include "FileIO/X2DIO/X2DWholeFrame.h"

#include "FileIO/X2DIO/X2DImport.h"

#include <memory>

namespace X2DIO
{
namespace
{
template <class TSet> void MakeEntries(std::vector<std::shared_ptr<TSet>>& list)
{
    for (std::shared_ptr<TSet>& entry : list)
        entry = std::make_shared<TSet>();
}
} // namespace

bool VX2DWholeFrame::Read(VX2DImport& reader, std::int32_t index)
{
    *this = VX2DWholeFrame();
    const std::size_t errors = reader.GetErrors().size();
    // With empty lists this read takes no items; it sizes the lists to the camera count only
    // once it has found that the frame holds that many cameras.
    const bool read = reader.ReadFrame(index, &centroidSets, &trackSets, &blobSets, &edgeSets);
    if (centroidSets.empty() || reader.GetErrors().size() != errors)
        return read;
    MakeEntries(centroidSets);
    MakeEntries(trackSets);
    MakeEntries(blobSets);
    MakeEntries(edgeSets);
    return reader.ReadFrame(index, &centroidSets, &trackSets, &blobSets, &edgeSets);
}
} // namespace X2DIO
