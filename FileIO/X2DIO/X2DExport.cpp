#include "FileIO/X2DIO/X2DExport.h"

#include "FileIO/RecordSchema.h"
#include "FileIO/X2DIO/CameraInfoHeader.h"
#include "FileIO/X2DIO/StartTimecodeHeader.h"
#include "FileIO/X2DIO/X2DImportImpl.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace X2DIO
{
namespace
{
constexpr unsigned kBufferMiB = 4;
constexpr std::int64_t kNoOffset = -1;
constexpr std::int16_t kCameraRecordTag = 0;
constexpr std::int16_t kFrameInfoTag = std::int16_t(0xFDDF);
constexpr char kForeignSignature[4] = {'S', 'a', 'r', 'n'};
// Descriptors of keys no reader knows, for the unknownFields option.
const VFieldDescriptor kUnknownFixed{0x7E01, 4, {1, 2}};
const VFieldDescriptor kUnknownVariable{0x7E02, VFieldDescriptor::kVariableSize, {}};

// Tags of the fixed header sections; readers do not check them.
enum EHeaderSectionTag : std::int16_t
{
    kCameraCountTag = 1,
    kFrameCountTag,
    kFormatCountTag,
    kFormatTag,
    kIndexOffsetTag,
    kDataOffsetTag,
};

VDataFormatInfo CentroidFormatFor(const std::vector<CameraInfo>& cameras)
{
    std::int32_t width = 1, height = 1;
    for (const CameraInfo& camera : cameras)
    {
        width = std::max(width, camera.sensorWidth);
        height = std::max(height, camera.sensorHeight);
    }
    return VDataHolderCentroidSet::MakeFormat(width, height);
}
} // namespace

VX2DExport::VX2DExport(VX2DExportOptions options)
    : options_(std::move(options)), file_(kBufferMiB),
      trackHolder_(Adapt(VDataHolderCentroidTrackSet::DefaultFormat())),
      blobHolder_(Adapt(VDataHolderGreyscaleBlobSet::DefaultFormat())),
      edgePairHolder_(Adapt(VDataHolderEdgePairSet::DefaultFormat())),
      cameraFrameInfoHolder_(Adapt(VDataHolderCameraFrameInfo::DefaultFormat())),
      frameInfoHolder_(Adapt(VDataHolderFrameInfo::DefaultFormat())),
      blockHolders_{&centroidHolder_, &trackHolder_, &blobHolder_, &edgePairHolder_,
                    &cameraFrameInfoHolder_}
{
    index_.SetOffsets64(options_.version >= VX2DImportImpl::kFirstVersionWithOffsets64);
}

VX2DExport::~VX2DExport()
{
    Close();
}

VDataFormatInfo VX2DExport::Adapt(VDataFormatInfo format) const
{
    if (options_.unknownFields)
        format.fields.insert(format.fields.begin(), {kUnknownFixed, kUnknownVariable});
    return format;
}

bool VX2DExport::Open(const std::string& path, const VX2DHeaderDescription& header)
{
    Close();
    if (!file_.Open(path))
        return false;
    open_ = true;
    index_.Clear();
    cameraIdentifiers_.clear();
    for (const CameraInfo& camera : header.cameras)
        cameraIdentifiers_.push_back(camera.identifier);
    centroidHolder_ = VDataHolderCentroidSet(Adapt(CentroidFormatFor(header.cameras)));
    EncodeHeader(header);
    return WriteBuffer();
}

void VX2DExport::EncodeHeader(const VX2DHeaderDescription& header)
{
    buffer_.Clear();
    if (options_.foreignSignature)
        buffer_.PutBytes(kForeignSignature, sizeof kForeignSignature);
    else
        buffer_.PutInt32(options_.version);
    RecordSchema::WriteSectionMarker(buffer_, {kCameraCountTag, 4});
    buffer_.PutInt32(std::int32_t(cameraIdentifiers_.size()));
    RecordSchema::WriteSectionMarker(buffer_, {kFrameCountTag, 4});
    frameCountPosition_ = buffer_.GetSize();
    buffer_.PutInt32(0);
    EncodeFormats();
    indexOffsetPosition_ = PutOffsetSection(kIndexOffsetTag);
    const std::size_t dataOffsetPosition = PutOffsetSection(kDataOffsetTag);
    if (options_.writeFrameInfo)
    {
        const std::size_t section = RecordSchema::BeginSection(buffer_, kFrameInfoTag);
        RecordSchema::WriteFormatInfo(buffer_, frameInfoHolder_.GetFormatInfo());
        RecordSchema::EndSection(buffer_, section);
    }
    EncodeCustomSections(header);
    PatchOffset(buffer_, dataOffsetPosition, std::int64_t(buffer_.GetSize()));
}

void VX2DExport::EncodeFormats()
{
    RecordSchema::WriteSectionMarker(buffer_, {kFormatCountTag, 4});
    buffer_.PutInt32(std::int32_t(blockHolders_.size()));
    for (const IDataHolder* holder : blockHolders_)
    {
        const std::size_t section = RecordSchema::BeginSection(buffer_, kFormatTag);
        RecordSchema::WriteFormatInfo(buffer_, holder->GetFormatInfo());
        RecordSchema::EndSection(buffer_, section);
    }
}

void VX2DExport::EncodeCustomSections(const VX2DHeaderDescription& header)
{
    for (const VRawSection& extra : options_.extraSections)
    {
        const std::size_t section = RecordSchema::BeginSection(buffer_, extra.tag);
        buffer_.PutBytes(extra.contents.data(), extra.contents.size());
        RecordSchema::EndSection(buffer_, section);
    }
    const VCameraInfoFormats defaults = VCameraInfoFormats::Default();
    VCameraInfoHeader cameraInfo({Adapt(defaults.header), Adapt(defaults.camera)});
    cameraInfo.SetFrameRate(header.frameRate);
    const std::size_t described =
        std::min<std::size_t>(header.cameras.size(), options_.describedCameras.value_or(~0u));
    cameraInfo.SetCameras(
        {header.cameras.begin(), header.cameras.begin() + std::ptrdiff_t(described)});
    EncodeCustomSection(cameraInfo);
    if (!header.startTimecode)
        return;
    VStartTimecodeHeader timecode(Adapt(VStartTimecodeHeader::DefaultFormat()));
    timecode.SetText(*header.startTimecode);
    EncodeCustomSection(timecode);
}

void VX2DExport::EncodeCustomSection(const ICustomHeader& header)
{
    const std::size_t section = RecordSchema::BeginSection(buffer_, header.GetIdentifier());
    header.Write(buffer_);
    RecordSchema::EndSection(buffer_, section);
}

std::size_t VX2DExport::PutOffsetSection(std::int16_t tag)
{
    RecordSchema::WriteSectionMarker(buffer_, {tag, std::int32_t(OffsetSize())});
    const std::size_t position = buffer_.GetSize();
    PutOffset(buffer_, kNoOffset);
    return position;
}

std::size_t VX2DExport::OffsetSize() const
{
    return index_.HasOffsets64() ? 8 : 4;
}

void VX2DExport::PutOffset(VByteWriter& writer, std::int64_t offset) const
{
    if (index_.HasOffsets64())
        writer.PutInt64(offset);
    else
        writer.PutInt32(std::int32_t(offset));
}

void VX2DExport::PatchOffset(VByteWriter& writer, std::size_t position, std::int64_t offset) const
{
    if (index_.HasOffsets64())
        writer.PatchInt64(position, offset);
    else
        writer.PatchInt32(position, std::int32_t(offset));
}

bool VX2DExport::WriteFrame(const VX2DFrame& frame)
{
    if (!open_ || frame.cameras.size() != cameraIdentifiers_.size())
        return false;
    if (options_.gapBeforeFrames != 0 && !file_.Seek(file_.Tell() + options_.gapBeforeFrames))
        return false;
    const std::uint64_t position = file_.Tell();
    const bool offsetFits = index_.HasOffsets64() ||
                            position <= std::uint64_t(std::numeric_limits<std::int32_t>::max());
    if (!offsetFits)
        return false;
    EncodeFrame(frame);
    index_.Append(frame.number, std::int64_t(position));
    return WriteBuffer();
}

void VX2DExport::EncodeFrame(const VX2DFrame& frame)
{
    buffer_.Clear();
    const std::size_t frameRecord =
        RecordSchema::BeginRecord(buffer_, RecordSchema::kFrameTag, frame.number);
    for (std::size_t camera = 0; camera < frame.cameras.size(); ++camera)
        EncodeCameraRecord(frame.cameras[camera], camera);
    if (options_.writeFrameInfo)
    {
        frameInfoHolder_.SetValue(frame.frameInfo);
        frameInfoHolder_.WriteItem(buffer_, 0);
    }
    RecordSchema::EndRecord(buffer_, frameRecord);
}

void VX2DExport::EncodeCameraRecord(const VX2DCameraFrame& camera, std::size_t index)
{
    const std::size_t record =
        RecordSchema::BeginRecord(buffer_, kCameraRecordTag, cameraIdentifiers_[index]);
    SetSources(&camera);
    std::vector<std::size_t> blocks;
    for (const IDataHolder* holder : blockHolders_)
        blocks.push_back(EncodeBlock(*holder));
    SetSources(nullptr);
    RecordSchema::EndRecord(buffer_, record);
    if (options_.overlongSecondBlockCamera != index)
        return;
    const std::size_t secondItems = blocks[1] + RecordSchema::kRecordMarkerSize;
    buffer_.PatchInt32(blocks[1] + 2, std::int32_t(buffer_.GetSize() - secondItems + 1));
}

std::size_t VX2DExport::EncodeBlock(const IDataHolder& holder)
{
    const std::uint32_t count = holder.GetItemCount();
    const std::size_t block =
        RecordSchema::BeginRecord(buffer_, holder.GetFormatInfo().identifier, std::int32_t(count));
    for (std::uint32_t item = 0; item < count; ++item)
        holder.WriteItem(buffer_, item);
    RecordSchema::EndRecord(buffer_, block);
    return block;
}

void VX2DExport::SetSources(const VX2DCameraFrame* camera)
{
    centroidHolder_.SetSource(camera != nullptr ? &camera->centroids : nullptr);
    trackHolder_.SetSource(camera != nullptr ? &camera->tracks : nullptr);
    blobHolder_.SetSource(camera != nullptr ? &camera->blobs : nullptr);
    edgePairHolder_.SetSource(camera != nullptr ? &camera->edgePairs : nullptr);
    if (camera != nullptr)
        cameraFrameInfoHolder_.SetValue(camera->blobs.frameFlags);
}

bool VX2DExport::Close()
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

bool VX2DExport::WriteIndexTable()
{
    VByteWriter offset;
    PutOffset(offset, std::int64_t(file_.Tell()));
    buffer_.Clear();
    index_.Write(buffer_);
    return WriteBuffer() && PatchHeader(indexOffsetPosition_, offset);
}

bool VX2DExport::PatchHeader(std::uint64_t position, const VByteWriter& value)
{
    return file_.Seek(position) && file_.Write(value.GetBytes().data(), value.GetSize());
}

bool VX2DExport::WriteBuffer()
{
    return file_.Write(buffer_.GetBytes().data(), buffer_.GetSize()) && file_.IsGood();
}
} // namespace X2DIO
