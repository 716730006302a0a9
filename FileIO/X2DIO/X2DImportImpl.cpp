#include "FileIO/X2DIO/X2DImportImpl.h"

#include "FileIO/FramePlugins.h"

namespace X2DIO
{
namespace
{
constexpr unsigned kMaxViews = 2;
constexpr std::int16_t kFrameInfoTag = std::int16_t(0xFDDF);
// "Sarn" read as a little-endian int32: files of another kind that share the extension.
constexpr std::int32_t kForeignSignature = 'S' | ('a' << 8) | ('r' << 16) | ('n' << 24);
} // namespace

VX2DImportImpl::VX2DImportImpl(unsigned viewSizeMiB)
    : VFrameFileReader(viewSizeMiB, kMaxViews, "X2DImport", "FileIO\\X2DIO\\X2DImportImpl")
{
}

VX2DImportImpl::~VX2DImportImpl() = default;

void VX2DImportImpl::Reset()
{
    ResetReader();
    frameInfoHolder_.reset();
    version_ = cameraCount_ = currentFrameNumber_ = currentCameraIdentifier_ = 0;
}

bool VX2DImportImpl::ReadHeader(bool rebuildIndex)
{
    return EndRead(ReadHeaderParts(rebuildIndex));
}

bool VX2DImportImpl::ReadHeaderParts(bool rebuildIndex)
{
    if (!Reader().Seek(0))
        return RecordError("Could not open the file.");
    if (!ReadVersion() || !ReadCameraCount() || !ReadFormats() ||
        !ReadOffsets(version_ >= kFirstVersionWithOffsets64))
        return false;
    if (!ReadFrameInfoFormat() || !ScanCustomHeaders() || !LoadIndex(rebuildIndex))
        return false;
    if (std::uint64_t(GetFrameCount()) != GetIndexTable().GetCount())
        return RecordError("Corrupt file (index table wrong length).");
    return Reader().Seek(std::uint64_t(GetDataOffset())) || RecordReadFailure();
}

bool VX2DImportImpl::ReadVersion()
{
    if (!Reader().ReadInt32(version_))
        return RecordReadFailure();
    if (version_ == kForeignSignature)
        return false;
    if (version_ > kHighestVersion)
        return RecordError("Cannot read X2D files of version " + std::to_string(version_) + ".");
    Index().SetOffsets64(version_ >= kFirstVersionWithOffsets64);
    return true;
}

bool VX2DImportImpl::ReadCameraCount()
{
    VSectionMarker next;
    return ReadCounts("cameras", cameraCount_, next);
}

bool VX2DImportImpl::ReadFrameInfoFormat()
{
    const std::uint64_t start = Reader().Tell();
    VDataFormatInfo format;
    if (FindFrameInfoFormat(format))
    {
        frameInfoHolder_ = std::make_unique<VDataHolderFrameInfo>(std::move(format));
        return true;
    }
    if (Reader().GetFailure() != EReadFailure::None)
        return RecordReadFailure();
    return Reader().Seek(start) || RecordReadFailure();
}

bool VX2DImportImpl::FindFrameInfoFormat(VDataFormatInfo& format)
{
    VBoundedReader::VLimitScope header(Reader(), std::uint64_t(GetDataOffset()));
    VSectionMarker marker;
    if (!RecordSchema::ReadSectionMarker(Reader(), marker) || marker.tag != kFrameInfoTag)
    {
        // Whatever follows is not a frame information section: the file has none.
        Reader().ClearFailure();
        return false;
    }
    return RecordSchema::ReadFormatInfo(Reader(), format);
}

bool VX2DImportImpl::BeginFrame(std::int64_t index)
{
    VRecordMarker marker;
    if (!BeginIndexedFrame(index, marker))
        return false;
    // A camera record is at least its marker.
    if (std::uint64_t(cameraCount_) >
        std::uint64_t(marker.length) / RecordSchema::kRecordMarkerSize)
    {
        Reader().Fail(EReadFailure::CountTooLarge);
        return RecordReadFailure();
    }
    currentFrameNumber_ = marker.value;
    return true;
}

bool VX2DImportImpl::ReadCameraRecord()
{
    for (IDataHolder* holder : GetDataHolders())
        holder->Reset();
    VBoundedReader::VLimitScope frame(Reader(), GetFrameEnd());
    VRecordMarker marker;
    if (!frame.IsValid() || !RecordSchema::ReadRecordMarker(Reader(), marker))
        return RecordReadFailure();
    if (marker.length < 0)
    {
        Reader().Fail(EReadFailure::InvalidLength);
        return RecordReadFailure();
    }
    const std::uint64_t end = Reader().Tell() + std::uint64_t(marker.length);
    VBoundedReader::VLimitScope record(Reader(), end);
    if (!record.IsValid())
        return RecordReadFailure();
    currentCameraIdentifier_ = marker.value;
    bool recordEnded = false;
    for (auto format = GetFormats().begin(); format != GetFormats().end() && !recordEnded; ++format)
        if (!ReadBlock(*format, end, recordEnded))
            return RecordReadFailure();
    return true;
}

bool VX2DImportImpl::ReadBlock(const VDataFormatInfo& format, std::uint64_t recordEnd,
                               bool& recordEnded)
{
    // A block (or its marker) that runs past the camera record ends the record here.
    recordEnded = Reader().GetRemaining() < RecordSchema::kRecordMarkerSize;
    if (recordEnded)
        return Reader().Seek(recordEnd);
    VRecordMarker marker;
    if (!RecordSchema::ReadRecordMarker(Reader(), marker))
        return false;
    if (marker.length < 0)
        return Reader().Fail(EReadFailure::InvalidLength);
    const std::uint64_t end = Reader().Tell() + std::uint64_t(marker.length);
    recordEnded = end > recordEnd;
    if (recordEnded)
        return Reader().Seek(recordEnd);
    VBoundedReader::VLimitScope block(Reader(), end);
    IDataHolder* holder = FindDataHolder(format.identifier);
    if (holder != nullptr)
    {
        // The item count is no promise: room is made only for as many as the block can hold.
        const std::uint32_t count = std::uint32_t(marker.value);
        if (Reader().CanHold(count, format.GetMinimumItemSize()))
            holder->Prepare(count);
        if (!ReadItems(*holder, format))
            return false;
    }
    return Reader().Seek(end);
}

bool VX2DImportImpl::ReadFrameInfo()
{
    if (frameInfoHolder_ == nullptr)
        return false;
    VBoundedReader::VLimitScope frame(Reader(), GetFrameEnd());
    if (!frame.IsValid() ||
        !frameInfoHolder_->ReadItem(Reader(), frameInfoHolder_->GetFormatInfo()))
        return RecordReadFailure();
    return true;
}

} // namespace X2DIO
