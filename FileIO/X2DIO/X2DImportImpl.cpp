#include "FileIO/X2DIO/X2DImportImpl.h"

#include "FileIO/FramePlugins.h"

namespace X2DIO
{
namespace
{
constexpr unsigned kMaxViews = 2;
constexpr std::int64_t kNoOffset = -1;
constexpr std::int16_t kFrameInfoTag = std::int16_t(0xFDDF);
// "Sarn" read as a little-endian int32: files of another kind that share the extension.
constexpr std::int32_t kForeignSignature = 'S' | ('a' << 8) | ('r' << 16) | ('n' << 24);
// Every format takes at least its section marker and a description without fields.
constexpr std::uint64_t kMinimumFormatSectionSize =
    RecordSchema::kSectionMarkerSize + RecordSchema::kMinimumFormatInfoSize;
} // namespace

VX2DImportImpl::VX2DImportImpl(unsigned viewSizeMiB)
    : VFrameFileReader(viewSizeMiB, kMaxViews, "X2DImport")
{
}

VX2DImportImpl::~VX2DImportImpl() = default;

void VX2DImportImpl::Reset()
{
    ResetReader();
    formats_.clear();
    frameInfoHolder_.reset();
    sectionMarkers_.clear();
    index_.Clear();
    index_.SetOffsets64(true);
    version_ = cameraCount_ = frameCount_ = currentFrameNumber_ = currentCameraIdentifier_ = 0;
    indexOffset_ = dataOffset_ = 0;
}

bool VX2DImportImpl::ReadHeader(bool rebuildIndex)
{
    if (!Reader().Seek(0))
        return RecordError("Could not open the file.");
    if (!ReadVersion() || !ReadCounts() || !ReadFormats() || !ReadOffsets())
        return false;
    if (!ReadFrameInfoFormat() || !ScanCustomHeaders() || !LoadIndex(rebuildIndex))
        return false;
    if (std::uint64_t(frameCount_) != index_.GetCount())
        return RecordError("Corrupt file (index table wrong length).");
    return Reader().Seek(std::uint64_t(dataOffset_)) || RecordReadFailure();
}

bool VX2DImportImpl::ReadVersion()
{
    if (!Reader().ReadInt32(version_))
        return RecordReadFailure();
    if (version_ == kForeignSignature)
        return false;
    if (version_ > kHighestVersion)
        return RecordError("Cannot read X2D files of version " + std::to_string(version_) + ".");
    index_.SetOffsets64(version_ >= kFirstVersionWithOffsets64);
    return true;
}

bool VX2DImportImpl::ReadCounts()
{
    VSectionMarker marker;
    if (!RecordSchema::ReadSectionMarker(Reader(), marker) || !Reader().ReadInt32(cameraCount_) ||
        !RecordSchema::ReadSectionMarker(Reader(), marker) || !Reader().ReadInt32(frameCount_) ||
        !RecordSchema::ReadSectionMarker(Reader(), marker))
        return RecordReadFailure();
    // Each camera needs at least a camera record marker in every frame of the file.
    if (cameraCount_ < 0 ||
        std::uint64_t(cameraCount_) > GetFileSize() / RecordSchema::kRecordMarkerSize)
        return RecordError("Invalid file header (number of cameras).");
    if (frameCount_ == 0)
        RecordError("Invalid file header (number of frames).");
    return true;
}

bool VX2DImportImpl::ReadFormats()
{
    std::int32_t count = 0;
    if (!Reader().ReadInt32(count))
        return RecordReadFailure();
    if (count < 0 || !Reader().CountFits(std::uint64_t(count), kMinimumFormatSectionSize))
    {
        Reader().Fail(EReadFailure::CountTooLarge);
        return RecordReadFailure();
    }
    formats_.assign(std::size_t(count), VDataFormatInfo());
    for (VDataFormatInfo& format : formats_)
    {
        VSectionMarker marker;
        if (!RecordSchema::ReadSectionMarker(Reader(), marker) ||
            !RecordSchema::ReadFormatInfo(Reader(), format))
            return RecordReadFailure();
    }
    return true;
}

bool VX2DImportImpl::ReadOffset(std::int64_t& offset)
{
    VSectionMarker marker;
    if (!RecordSchema::ReadSectionMarker(Reader(), marker))
        return false;
    if (version_ >= kFirstVersionWithOffsets64)
        return Reader().ReadInt64(offset);
    std::int32_t narrow = 0;
    if (!Reader().ReadInt32(narrow))
        return false;
    offset = narrow;
    return true;
}

bool VX2DImportImpl::ReadOffsets()
{
    if (!ReadOffset(indexOffset_) || !ReadOffset(dataOffset_))
        return RecordReadFailure();
    if (dataOffset_ < 0 || std::uint64_t(dataOffset_) > GetFileSize())
        return RecordError("Invalid file header (data offset).");
    return true;
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
    VBoundedReader::VLimitScope header(Reader(), std::uint64_t(dataOffset_));
    VSectionMarker marker;
    if (!RecordSchema::ReadSectionMarker(Reader(), marker) || marker.tag != kFrameInfoTag)
    {
        // Whatever follows is not a frame information section: the file has none.
        Reader().ClearFailure();
        return false;
    }
    return RecordSchema::ReadFormatInfo(Reader(), format);
}

bool VX2DImportImpl::ScanCustomHeaders()
{
    const std::uint64_t end = std::uint64_t(dataOffset_);
    VBoundedReader::VLimitScope headers(Reader(), end);
    while (Reader().Tell() < end)
    {
        VSectionMarker marker;
        if (!RecordSchema::ReadSectionMarker(Reader(), marker))
            return RecordReadFailure();
        sectionMarkers_.push_back(marker);
        if (!ReadCustomHeaderSection(marker))
            return RecordReadFailure();
    }
    return true;
}

bool VX2DImportImpl::ReadCustomHeaderSection(const VSectionMarker& marker)
{
    // A registered header reads what it knows and the scan goes on from there; the length
    // only serves to pass sections that nobody reads.
    if (ICustomHeader* header = FindCustomHeader(marker.tag))
        return header->Read(Reader());
    if (marker.length < 0)
        return Reader().Fail(EReadFailure::InvalidLength);
    return Reader().Skip(std::uint64_t(marker.length));
}

bool VX2DImportImpl::LoadIndex(bool rebuildIndex)
{
    if (indexOffset_ == kNoOffset || indexOffset_ < 0 ||
        std::uint64_t(indexOffset_) >= GetFileSize())
    {
        RecordError("Could not find the index table in the file.");
        if (!rebuildIndex)
            return false;
        index_.Rebuild(Reader(), std::uint64_t(dataOffset_));
        frameCount_ = std::int32_t(index_.GetCount());
        return true;
    }
    return (Reader().Seek(std::uint64_t(indexOffset_)) && index_.Read(Reader())) ||
           RecordReadFailure();
}

bool VX2DImportImpl::BeginFrame(std::int64_t index)
{
    VRecordMarker marker;
    if (!BeginIndexedFrame(index_, index, marker))
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
    for (auto format = formats_.begin(); format != formats_.end() && !recordEnded; ++format)
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
        holder->Prepare(std::uint32_t(marker.value));
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
