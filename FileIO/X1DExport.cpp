#include "FileIO/X1DExport.h"

#include "FileIO/AnalogueBlockFrame.h"
#include "FileIO/RecordSchema.h"

#include <utility>

namespace
{
constexpr std::int16_t kHeaderValueTag = 255;
constexpr std::int16_t kSubFrameTag = 0;

// Tags of the fixed header sections; readers do not check them.
enum EHeaderSectionTag : std::int16_t
{
    kDeviceCountTag = 1,
    kFrameCountTag,
    kFormatCountTag,
    kFormatTag,
    kIndexOffsetTag,
    kDataOffsetTag,
};
} // namespace

VX1DExport::VX1DExport(VX1DExportOptions options)
    : VFrameFileWriter(options.version >= 2, true), options_(std::move(options)),
      blockHolder_(options_.blockFormat)
{
}

VX1DExport::~VX1DExport()
{
    Close();
}

bool VX1DExport::Open(const std::string& path, const VAnalogueSourceSetHeader& header)
{
    Close();
    if (!OpenFile(path))
        return false;
    deviceCount_ = std::uint32_t(header.GetSourceSets().size());
    EncodeHeader(header);
    return WriteBuffer();
}

void VX1DExport::EncodeHeader(const VAnalogueSourceSetHeader& header)
{
    VByteWriter& buffer = BeginBuffer();
    buffer.PutInt32(options_.version);
    RecordSchema::WriteSectionMarker(buffer, {kDeviceCountTag, 4});
    buffer.PutInt32(std::int32_t(deviceCount_));
    PutFrameCountSection(kFrameCountTag);
    if (options_.headerValue)
    {
        RecordSchema::WriteSectionMarker(buffer, {kHeaderValueTag, 8});
        buffer.PutInt64(*options_.headerValue);
    }
    RecordSchema::WriteSectionMarker(buffer, {kFormatCountTag, 4});
    buffer.PutUInt32(1);
    const std::size_t format = RecordSchema::BeginSection(buffer, kFormatTag);
    RecordSchema::WriteFormatInfo(buffer, blockHolder_.GetFormatInfo());
    RecordSchema::EndSection(buffer, format);
    PutIndexOffsetSection(kIndexOffsetTag);
    const std::size_t dataOffsetPosition = PutOffsetSection(kDataOffsetTag);
    EncodeCustomSections(header);
    PatchOffset(dataOffsetPosition, std::int64_t(buffer.GetSize()));
}

void VX1DExport::EncodeCustomSections(const VAnalogueSourceSetHeader& header)
{
    PutRawSections(options_.extraSections);
    VAnalogueSourceSetHeader written(options_.sourceSetFormats);
    written.SetSourceSets(header.GetSourceSets());
    if (options_.claimedSourceSets)
        written.ClaimSourceSetCount(*options_.claimedSourceSets);
    PutCustomHeaderSection(written);
    PutRawSections(options_.trailingSections);
}

bool VX1DExport::WriteFrame(std::int32_t frameNumber, const IAnalogueBlockFrame& frame)
{
    if (!IsOpen() || frame.GetCount() != deviceCount_)
        return false;
    EncodeFrame(frameNumber, frame);
    return WriteFrameBuffer(frameNumber);
}

void VX1DExport::EncodeFrame(std::int32_t frameNumber, const IAnalogueBlockFrame& frame)
{
    VByteWriter& buffer = BeginBuffer();
    const std::size_t frameRecord =
        RecordSchema::BeginRecord(buffer, RecordSchema::kFrameTag, frameNumber);
    for (std::uint32_t device = 0; device < deviceCount_; ++device)
    {
        const std::size_t subFrame =
            RecordSchema::BeginRecord(buffer, kSubFrameTag, std::int32_t(device));
        blockHolder_.SetSource(&frame.GetSet(device));
        const std::uint32_t count = blockHolder_.GetItemCount();
        const std::size_t block = RecordSchema::BeginRecord(
            buffer, blockHolder_.GetFormatInfo().identifier, std::int32_t(count));
        for (std::uint32_t item = 0; item < count; ++item)
            blockHolder_.WriteItem(buffer, item);
        RecordSchema::EndRecord(buffer, block);
        RecordSchema::EndRecord(buffer, subFrame);
    }
    blockHolder_.SetSource(nullptr);
    RecordSchema::EndRecord(buffer, frameRecord);
}

bool VX1DExport::Close()
{
    return CloseFile(options_.headerFrameCount, options_.writeIndexTable);
}
