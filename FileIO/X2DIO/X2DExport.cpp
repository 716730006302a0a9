#include "FileIO/X2DIO/X2DExport.h"

#include "FileIO/RecordSchema.h"
#include "FileIO/X2DIO/CameraInfoHeader.h"
#include "FileIO/X2DIO/StartTimecodeHeader.h"
#include "FileIO/X2DIO/X2DImportImpl.h"

#include <algorithm>
#include <utility>

namespace X2DIO
{
namespace
{
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
    : VFrameFileWriter(options.version >= VX2DImportImpl::kFirstVersionWithOffsets64,
                       options.version >= VX2DImportImpl::kFirstVersionWithOffsets64),
      options_(std::move(options)),
      trackHolder_(Adapt(VDataHolderCentroidTrackSet::DefaultFormat())),
      blobHolder_(Adapt(VDataHolderGreyscaleBlobSet::DefaultFormat())),
      edgePairHolder_(Adapt(VDataHolderEdgePairSet::DefaultFormat())),
      cameraFrameInfoHolder_(Adapt(VDataHolderCameraFrameInfo::DefaultFormat())),
      frameInfoHolder_(Adapt(VDataHolderFrameInfo::DefaultFormat())),
      blockHolders_{&centroidHolder_, &trackHolder_, &blobHolder_, &edgePairHolder_,
                    &cameraFrameInfoHolder_}
{
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
    if (!OpenFile(path))
        return false;
    cameraIdentifiers_.clear();
    for (const CameraInfo& camera : header.cameras)
        cameraIdentifiers_.push_back(camera.identifier);
    centroidHolder_ = VDataHolderCentroidSet(Adapt(CentroidFormatFor(header.cameras)));
    EncodeHeader(header);
    return WriteBuffer();
}

void VX2DExport::EncodeHeader(const VX2DHeaderDescription& header)
{
    VByteWriter& buffer = BeginBuffer();
    if (options_.foreignSignature)
        buffer.PutBytes(kForeignSignature, sizeof kForeignSignature);
    else
        buffer.PutInt32(options_.version);
    RecordSchema::WriteSectionMarker(buffer, {kCameraCountTag, 4});
    buffer.PutInt32(std::int32_t(cameraIdentifiers_.size()));
    PutFrameCountSection(kFrameCountTag);
    EncodeFormats();
    PutIndexOffsetSection(kIndexOffsetTag);
    const std::size_t dataOffsetPosition = PutOffsetSection(kDataOffsetTag);
    if (options_.writeFrameInfo)
    {
        const std::size_t section = RecordSchema::BeginSection(buffer, kFrameInfoTag);
        RecordSchema::WriteFormatInfo(buffer, frameInfoHolder_.GetFormatInfo());
        RecordSchema::EndSection(buffer, section);
    }
    EncodeCustomSections(header);
    PatchOffset(dataOffsetPosition, std::int64_t(buffer.GetSize()));
}

void VX2DExport::EncodeFormats()
{
    VByteWriter& buffer = Buffer();
    RecordSchema::WriteSectionMarker(buffer, {kFormatCountTag, 4});
    buffer.PutInt32(std::int32_t(blockHolders_.size()));
    for (const IDataHolder* holder : blockHolders_)
    {
        const std::size_t section = RecordSchema::BeginSection(buffer, kFormatTag);
        RecordSchema::WriteFormatInfo(buffer, holder->GetFormatInfo());
        RecordSchema::EndSection(buffer, section);
    }
}

void VX2DExport::EncodeCustomSections(const VX2DHeaderDescription& header)
{
    PutRawSections(options_.extraSections);
    EncodeCameraInfo(header);
    if (header.startTimecode)
    {
        VStartTimecodeHeader timecode(Adapt(VStartTimecodeHeader::DefaultFormat()));
        timecode.SetText(*header.startTimecode);
        PutCustomHeaderSection(timecode);
    }
    PutRawSections(options_.trailingSections);
}

void VX2DExport::EncodeCameraInfo(const VX2DHeaderDescription& header)
{
    const VCameraInfoFormats defaults = VCameraInfoFormats::Default();
    VCameraInfoHeader cameraInfo(
        {Adapt(defaults.header), options_.cameraFields.value_or(Adapt(defaults.camera))});
    cameraInfo.SetFrameRate(header.frameRate);
    const std::size_t described =
        std::min<std::size_t>(header.cameras.size(), options_.describedCameras.value_or(~0u));
    cameraInfo.SetCameras(
        {header.cameras.begin(), header.cameras.begin() + std::ptrdiff_t(described)});
    if (options_.claimedCameras)
        cameraInfo.ClaimCameraCount(*options_.claimedCameras);
    PutCustomHeaderSection(cameraInfo);
}

bool VX2DExport::WriteFrame(const VX2DFrame& frame)
{
    if (!IsOpen() || frame.cameras.size() != cameraIdentifiers_.size() ||
        !LeaveGap(options_.gapBeforeFrames))
        return false;
    EncodeFrame(frame);
    return WriteFrameBuffer(frame.number);
}

void VX2DExport::EncodeFrame(const VX2DFrame& frame)
{
    VByteWriter& buffer = BeginBuffer();
    const std::size_t frameRecord =
        RecordSchema::BeginRecord(buffer, RecordSchema::kFrameTag, frame.number);
    for (std::size_t camera = 0; camera < frame.cameras.size(); ++camera)
        EncodeCameraRecord(frame.cameras[camera], camera);
    if (options_.writeFrameInfo)
    {
        frameInfoHolder_.SetValue(frame.frameInfo);
        frameInfoHolder_.WriteItem(buffer, 0);
    }
    RecordSchema::EndRecord(buffer, frameRecord);
}

void VX2DExport::EncodeCameraRecord(const VX2DCameraFrame& camera, std::size_t index)
{
    VByteWriter& buffer = Buffer();
    const std::size_t record =
        RecordSchema::BeginRecord(buffer, kCameraRecordTag, cameraIdentifiers_[index]);
    SetSources(&camera);
    std::vector<std::size_t> blocks;
    for (const IDataHolder* holder : blockHolders_)
        blocks.push_back(EncodeBlock(*holder));
    SetSources(nullptr);
    RecordSchema::EndRecord(buffer, record);
    if (options_.overlongSecondBlockCamera != index)
        return;
    const std::size_t secondItems = blocks[1] + RecordSchema::kRecordMarkerSize;
    buffer.PatchInt32(blocks[1] + 2, std::int32_t(buffer.GetSize() - secondItems + 1));
}

std::size_t VX2DExport::EncodeBlock(const IDataHolder& holder)
{
    VByteWriter& buffer = Buffer();
    const std::uint32_t count = holder.GetItemCount();
    const std::size_t block =
        RecordSchema::BeginRecord(buffer, holder.GetFormatInfo().identifier, std::int32_t(count));
    for (std::uint32_t item = 0; item < count; ++item)
        holder.WriteItem(buffer, item);
    RecordSchema::EndRecord(buffer, block);
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
    return CloseFile(options_.headerFrameCount, options_.writeIndexTable);
}
} // namespace X2DIO
