#include "FileIO/X1DImportImpl.h"

#include "FileIO/FramePlugins.h"

namespace
{
// The file is read through two windows of 256 MiB.
constexpr unsigned kWindowSizeMiB = 256;
constexpr unsigned kMaxViews = 2;
constexpr std::int16_t kHeaderValueTag = 255;
constexpr std::int64_t kNoOffset = -1;
// Every format takes at least its section marker and a description without fields.
constexpr std::uint64_t kMinimumFormatSectionSize =
    RecordSchema::kSectionMarkerSize + RecordSchema::kMinimumFormatInfoSize;
} // namespace

VX1DImportImpl::VX1DImportImpl() : VFrameFileReader(kWindowSizeMiB, kMaxViews, "X1DImport") {}

VX1DImportImpl::~VX1DImportImpl() = default;

void VX1DImportImpl::Reset()
{
    ResetReader();
    formats_.clear();
    sectionMarkers_.clear();
    index_.Clear();
    index_.SetOffsets64(true);
    version_ = deviceCount_ = frameCount_ = currentFrameNumber_ = currentSubFrameValue_ = 0;
    indexOffset_ = dataOffset_ = headerValue_ = 0;
}

bool VX1DImportImpl::ReadHeader()
{
    if (!Reader().Seek(0))
        return RecordError("Could not open the file.");
    if (!ReadVersion() || !ReadCounts() || !ReadFormats() || !ReadOffsets())
        return false;
    if (!ScanCustomHeaders() || !LoadIndex())
        return false;
    return Reader().Seek(std::uint64_t(dataOffset_)) || RecordReadFailure();
}

bool VX1DImportImpl::ReadVersion()
{
    if (!Reader().ReadInt32(version_))
        return RecordReadFailure();
    if (version_ > kHighestVersion)
        return RecordError("Cannot read X1D files of version " + std::to_string(version_) + ".");
    return true;
}

bool VX1DImportImpl::ReadCounts()
{
    VSectionMarker marker;
    if (!RecordSchema::ReadSectionMarker(Reader(), marker) || !Reader().ReadInt32(deviceCount_) ||
        !RecordSchema::ReadSectionMarker(Reader(), marker) || !Reader().ReadInt32(frameCount_) ||
        !RecordSchema::ReadSectionMarker(Reader(), marker))
        return RecordReadFailure();
    // Each device needs at least a sub-frame marker in every frame of the file.
    if (deviceCount_ < 0 ||
        std::uint64_t(deviceCount_) > GetFileSize() / RecordSchema::kRecordMarkerSize)
        return RecordError("Invalid file header (number of devices).");
    if (frameCount_ == 0)
        RecordError("Invalid file header (number of frames).");
    if (marker.tag != kHeaderValueTag)
        return true;
    return (Reader().ReadInt64(headerValue_) &&
            RecordSchema::ReadSectionMarker(Reader(), marker)) ||
           RecordReadFailure();
}

bool VX1DImportImpl::ReadFormats()
{
    std::uint32_t count = 0;
    if (!Reader().ReadUInt32(count) || !Reader().CountFits(count, kMinimumFormatSectionSize))
        return RecordReadFailure();
    formats_.assign(count, VDataFormatInfo());
    for (VDataFormatInfo& format : formats_)
    {
        VSectionMarker marker;
        if (!RecordSchema::ReadSectionMarker(Reader(), marker) ||
            !RecordSchema::ReadFormatInfo(Reader(), format))
            return RecordReadFailure();
    }
    return true;
}

bool VX1DImportImpl::ReadOffsets()
{
    VSectionMarker marker;
    if (!RecordSchema::ReadSectionMarker(Reader(), marker) || !Reader().ReadInt64(indexOffset_) ||
        !RecordSchema::ReadSectionMarker(Reader(), marker) || !Reader().ReadInt64(dataOffset_))
        return RecordReadFailure();
    if (dataOffset_ < 0 || std::uint64_t(dataOffset_) > GetFileSize())
        return RecordError("Invalid file header (data offset).");
    return true;
}

bool VX1DImportImpl::ScanCustomHeaders()
{
    VBoundedReader::VLimitScope headerEnd(Reader(), std::uint64_t(dataOffset_));
    while (Reader().Tell() < std::uint64_t(dataOffset_))
    {
        VSectionMarker marker;
        if (!RecordSchema::ReadSectionMarker(Reader(), marker))
            return RecordReadFailure();
        sectionMarkers_.push_back(marker);
        // A negative length would lead the scan backwards; the sections read so far stand.
        if (marker.length < 0)
        {
            RecordError(DescribeReadFailure(EReadFailure::InvalidLength));
            return true;
        }
        if (!ReadCustomHeaderSection(marker))
            return RecordReadFailure();
    }
    return true;
}

bool VX1DImportImpl::ReadCustomHeaderSection(const VSectionMarker& marker)
{
    const std::uint64_t end = Reader().Tell() + std::uint64_t(marker.length);
    VBoundedReader::VLimitScope section(Reader(), end);
    if (!section.IsValid())
        return false;
    ICustomHeader* header = FindCustomHeader(marker.tag);
    if (header != nullptr && !header->Read(Reader()))
        return false;
    return Reader().Seek(end);
}

bool VX1DImportImpl::LoadIndex()
{
    if (indexOffset_ == kNoOffset || indexOffset_ < 0 ||
        std::uint64_t(indexOffset_) >= GetFileSize())
    {
        RecordError("Could not find the index table in the file.");
        index_.Rebuild(Reader(), std::uint64_t(dataOffset_));
        frameCount_ = std::int32_t(index_.GetCount());
        return true;
    }
    index_.SetOffsets64(version_ >= 2);
    return (Reader().Seek(std::uint64_t(indexOffset_)) && index_.Read(Reader())) ||
           RecordReadFailure();
}

bool VX1DImportImpl::BeginFrame(std::int64_t index)
{
    VRecordMarker marker;
    if (!BeginIndexedFrame(index_, index, marker))
        return false;
    if (!CheckFrameHoldsSubFrames(marker.length))
        return RecordReadFailure();
    currentFrameNumber_ = marker.value;
    return true;
}

bool VX1DImportImpl::CheckFrameHoldsSubFrames(std::int32_t frameLength)
{
    // A sub-frame is at least its marker and one block marker per format.
    const std::uint64_t subFrameSize = RecordSchema::kRecordMarkerSize * (1 + formats_.size());
    if (std::uint64_t(deviceCount_) > std::uint64_t(frameLength) / subFrameSize)
        return Reader().Fail(EReadFailure::CountTooLarge);
    return true;
}

bool VX1DImportImpl::ReadSubFrame()
{
    VBoundedReader::VLimitScope frame(Reader(), GetFrameEnd());
    for (IDataHolder* holder : GetDataHolders())
        holder->Reset();
    VRecordMarker marker;
    if (!frame.IsValid() || !RecordSchema::ReadRecordMarker(Reader(), marker))
        return RecordReadFailure();
    currentSubFrameValue_ = marker.value;
    for (const VDataFormatInfo& format : formats_)
        if (!ReadBlock(format))
            return RecordReadFailure();
    return true;
}

bool VX1DImportImpl::ReadBlock(const VDataFormatInfo& format)
{
    VRecordMarker marker;
    if (!RecordSchema::ReadRecordMarker(Reader(), marker))
        return false;
    if (marker.length < 0)
        return Reader().Fail(EReadFailure::InvalidLength);
    const std::uint64_t end = Reader().Tell() + std::uint64_t(marker.length);
    VBoundedReader::VLimitScope block(Reader(), end);
    if (!block.IsValid())
        return false;
    IDataHolder* holder = FindDataHolder(marker.tag);
    if (holder != nullptr && !ReadItems(*holder, format))
        return false;
    return Reader().Seek(end);
}
