#include "FileIO/X1DExport.h"

#include "FileIO/AnalogueBlockFrame.h"
#include "FileIO/RecordSchema.h"

#include <limits>
#include <utility>

namespace
{
constexpr unsigned kBufferMiB = 4;
constexpr std::int64_t kNoOffset = -1;
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
    : options_(std::move(options)), file_(kBufferMiB), blockHolder_(options_.blockFormat)
{
    index_.SetOffsets64(options_.version >= 2);
}

VX1DExport::~VX1DExport()
{
    Close();
}

bool VX1DExport::Open(const std::string& path, const VAnalogueSourceSetHeader& header)
{
    Close();
    if (!file_.Open(path))
        return false;
    open_ = true;
    index_.Clear();
    deviceCount_ = std::uint32_t(header.GetSourceSets().size());
    EncodeHeader(header);
    return WriteBuffer();
}

void VX1DExport::EncodeHeader(const VAnalogueSourceSetHeader& header)
{
    buffer_.Clear();
    buffer_.PutInt32(options_.version);
    RecordSchema::WriteSectionMarker(buffer_, {kDeviceCountTag, 4});
    buffer_.PutInt32(std::int32_t(deviceCount_));
    RecordSchema::WriteSectionMarker(buffer_, {kFrameCountTag, 4});
    frameCountPosition_ = buffer_.GetSize();
    buffer_.PutInt32(0);
    if (options_.headerValue)
    {
        RecordSchema::WriteSectionMarker(buffer_, {kHeaderValueTag, 8});
        buffer_.PutInt64(*options_.headerValue);
    }
    RecordSchema::WriteSectionMarker(buffer_, {kFormatCountTag, 4});
    buffer_.PutUInt32(1);
    const std::size_t format = RecordSchema::BeginSection(buffer_, kFormatTag);
    RecordSchema::WriteFormatInfo(buffer_, blockHolder_.GetFormatInfo());
    RecordSchema::EndSection(buffer_, format);
    RecordSchema::WriteSectionMarker(buffer_, {kIndexOffsetTag, 8});
    indexOffsetPosition_ = buffer_.GetSize();
    buffer_.PutInt64(kNoOffset);
    RecordSchema::WriteSectionMarker(buffer_, {kDataOffsetTag, 8});
    const std::size_t dataOffsetPosition = buffer_.GetSize();
    buffer_.PutInt64(kNoOffset);
    EncodeCustomSections(header);
    buffer_.PatchInt64(dataOffsetPosition, std::int64_t(buffer_.GetSize()));
}

void VX1DExport::EncodeCustomSections(const VAnalogueSourceSetHeader& header)
{
    for (const VRawSection& extra : options_.extraSections)
    {
        const std::size_t section = RecordSchema::BeginSection(buffer_, extra.tag);
        buffer_.PutBytes(extra.contents.data(), extra.contents.size());
        RecordSchema::EndSection(buffer_, section);
    }
    VAnalogueSourceSetHeader written(options_.sourceSetFormats);
    written.SetSourceSets(header.GetSourceSets());
    const std::size_t section = RecordSchema::BeginSection(buffer_, written.GetIdentifier());
    written.Write(buffer_);
    RecordSchema::EndSection(buffer_, section);
}

bool VX1DExport::WriteFrame(std::int32_t frameNumber, const IAnalogueBlockFrame& frame)
{
    const std::uint64_t position = file_.Tell();
    const bool offsetFits = index_.HasOffsets64() ||
                            position <= std::uint64_t(std::numeric_limits<std::int32_t>::max());
    if (!open_ || frame.GetCount() != deviceCount_ || !offsetFits)
        return false;
    EncodeFrame(frameNumber, frame);
    index_.Append(frameNumber, std::int64_t(position));
    return WriteBuffer();
}

void VX1DExport::EncodeFrame(std::int32_t frameNumber, const IAnalogueBlockFrame& frame)
{
    buffer_.Clear();
    const std::size_t frameRecord =
        RecordSchema::BeginRecord(buffer_, RecordSchema::kFrameTag, frameNumber);
    for (std::uint32_t device = 0; device < deviceCount_; ++device)
    {
        const std::size_t subFrame =
            RecordSchema::BeginRecord(buffer_, kSubFrameTag, std::int32_t(device));
        blockHolder_.SetSource(&frame.GetSet(device));
        const std::uint32_t count = blockHolder_.GetItemCount();
        const std::size_t block = RecordSchema::BeginRecord(
            buffer_, blockHolder_.GetFormatInfo().identifier, std::int32_t(count));
        for (std::uint32_t item = 0; item < count; ++item)
            blockHolder_.WriteItem(buffer_, item);
        RecordSchema::EndRecord(buffer_, block);
        RecordSchema::EndRecord(buffer_, subFrame);
    }
    blockHolder_.SetSource(nullptr);
    RecordSchema::EndRecord(buffer_, frameRecord);
}

bool VX1DExport::Close()
{
    if (!open_)
        return false;
    open_ = false;
    const std::int32_t frames = options_.headerFrameCount.value_or(std::int32_t(index_.GetCount()));
    VByteWriter frameCount;
    frameCount.PutInt32(frames);
    const bool written = (!options_.writeIndexTable || WriteIndexTable()) &&
                         PatchHeader(frameCountPosition_, frameCount);
    return file_.Close() && written;
}

bool VX1DExport::WriteIndexTable()
{
    VByteWriter offset;
    offset.PutInt64(std::int64_t(file_.Tell()));
    buffer_.Clear();
    index_.Write(buffer_);
    return WriteBuffer() && PatchHeader(indexOffsetPosition_, offset);
}

bool VX1DExport::PatchHeader(std::uint64_t position, const VByteWriter& value)
{
    return file_.Seek(position) && file_.Write(value.GetBytes().data(), value.GetSize());
}

bool VX1DExport::WriteBuffer()
{
    return file_.Write(buffer_.GetBytes().data(), buffer_.GetSize()) && file_.IsGood();
}
