#pragma once
// How VX1DExport lays out a file. The defaults write a current file; the other settings write
// the older layout or the irregular files that readers must cope with (unknown fields and
// sections, a missing index table, a header frame count that disagrees with the frames).
//
// Thread rules: plain values.

#include "FileIO/AnalogueBlockDataHolder.h"
#include "FileIO/AnalogueSourceSetHeader.h"
#include "FileIO/RecordSchema.h"

#include <cstdint>
#include <optional>
#include <vector>

struct VX1DExportOptions
{
    // 1 stores index offsets as int32, 2 and later as int64.
    std::int32_t version = 2;
    // False writes the index table offset -1 and no table.
    bool writeIndexTable = true;
    // Written instead of the number of frames.
    std::optional<std::int32_t> headerFrameCount;
    // Written behind a tag-255 section marker.
    std::optional<std::int64_t> headerValue;
    // Field lists of the block items and of the source set header; fields other than the
    // known keys are written as filler.
    VDataFormatInfo blockFormat = VAnalogueBlockDataHolder::DefaultFormat();
    VAnalogueSourceSetFormats sourceSetFormats = VAnalogueSourceSetFormats::Default();
    // Sections written before and after the source set header.
    std::vector<VRawSection> extraSections;
    std::vector<VRawSection> trailingSections;
    // The source set list claims this many sets, whatever it holds.
    std::optional<std::uint32_t> claimedSourceSets;
};
