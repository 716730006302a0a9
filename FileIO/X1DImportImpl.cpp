#include "FileIO/X1DImportImpl.h"

#include "FileIO/FramePlugins.h"

namespace
{
// The file is read through two windows of 256 MiB.
constexpr unsigned kWindowSizeMiB = 256;
constexpr unsigned kMaxViews = 2;
constexpr std::int16_t kHeaderValueTag = 255;
constexpr std::int32_t kFirstVersionWithOffsets64 = 2;
} // namespace

VX1DImportImpl::VX1DImportImpl()
    : VFrameFileReader(kWindowSizeMiB, kMaxViews, "X1DImport", "FileIO\\X1DImportImpl")
{
}

VX1DImportImpl::~VX1DImportImpl() = default;

void VX1DImportImpl::Reset()
{
    ResetReader();
    version_ = deviceCount_ = currentFrameNumber_ = currentSubFrameValue_ = 0;
    headerValue_ = 0;
}

bool VX1DImportImpl::ReadHeader()
{
    return EndRead(ReadHeaderParts());
}

bool VX1DImportImpl::ReadHeaderParts()
{
    if (!Reader().Seek(0))
        return RecordError("Could not open the file.");
    // The header's offsets are 64-bit in every version.
    if (!ReadVersion() || !ReadCountsAndHeaderValue() || !ReadFormats() || !ReadOffsets(true))
        return false;
    if (!ScanCustomHeaders() || !LoadIndex(true))
        return false;
    return Reader().Seek(std::uint64_t(GetDataOffset())) || RecordReadFailure();
}

bool VX1DImportImpl::ReadVersion()
{
    if (!Reader().ReadInt32(version_))
        return RecordReadFailure();
    if (version_ > kHighestVersion)
        return RecordError("Cannot read X1D files of version " + std::to_string(version_) + ".");
    Index().SetOffsets64(version_ >= kFirstVersionWithOffsets64);
    return true;
}

bool VX1DImportImpl::ReadCountsAndHeaderValue()
{
    VSectionMarker marker;
    if (!ReadCounts("devices", deviceCount_, marker))
        return false;
    if (marker.tag != kHeaderValueTag)
        return true;
    return (Reader().ReadInt64(headerValue_) &&
            RecordSchema::ReadSectionMarker(Reader(), marker)) ||
           RecordReadFailure();
}

bool VX1DImportImpl::BeginFrame(std::int64_t index)
{
    VRecordMarker marker;
    if (!BeginIndexedFrame(index, marker))
        return false;
    if (!CheckFrameHoldsSubFrames(marker.length))
        return RecordReadFailure();
    currentFrameNumber_ = marker.value;
    return true;
}

bool VX1DImportImpl::CheckFrameHoldsSubFrames(std::int32_t frameLength)
{
    // A sub-frame is at least its marker and one block marker per format.
    const std::uint64_t subFrameSize = RecordSchema::kRecordMarkerSize * (1 + GetFormats().size());
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
    for (const VDataFormatInfo& format : GetFormats())
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
