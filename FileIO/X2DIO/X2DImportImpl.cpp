#include "FileIO/X2DIO/X2DImportImpl.h"

#include "FileIO/FramePlugins.h"
#include "diagnostics/Log.h"

#include <algorithm>

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

Qelt::ILogCategorised::ICategory& LogCategory()
{
    static Qelt::ILogCategorised::ICategory& category = Qelt::GlobalLog().GetCategory("X2DImport");
    return category;
}
} // namespace

VX2DImportImpl::VX2DImportImpl(unsigned viewSizeMiB)
    : stream_(viewSizeMiB, kMaxViews), reader_(stream_)
{
}

VX2DImportImpl::~VX2DImportImpl() = default;

bool VX2DImportImpl::OpenFile(const std::string& path)
{
    Close();
    if (!stream_.Open(path))
        return RecordError("Could not open the file.");
    open_ = true;
    reader_.ResetLimit();
    return reader_.Seek(0) ? true : RecordError("Could not open the file.");
}

void VX2DImportImpl::Close()
{
    if (open_)
        stream_.Close();
    open_ = false;
}

void VX2DImportImpl::Reset()
{
    Close();
    customHeaders_.clear();
    dataHolders_.clear();
    formats_.clear();
    frameInfoHolder_.reset();
    sectionMarkers_.clear();
    index_.Clear();
    index_.SetOffsets64(true);
    version_ = cameraCount_ = frameCount_ = currentFrameNumber_ = currentCameraIdentifier_ = 0;
    indexOffset_ = dataOffset_ = 0;
    frameEnd_ = 0;
}

void VX2DImportImpl::RegisterCustomHeader(ICustomHeader& header)
{
    customHeaders_.push_back(&header);
}

void VX2DImportImpl::RegisterDataHolder(IDataHolder& holder)
{
    dataHolders_.push_back(&holder);
}

bool VX2DImportImpl::ReadHeader(bool rebuildIndex)
{
    if (!reader_.Seek(0))
        return RecordError("Could not open the file.");
    if (!ReadVersion() || !ReadCounts() || !ReadFormats() || !ReadOffsets())
        return false;
    if (!ReadFrameInfoFormat() || !ScanCustomHeaders() || !LoadIndex(rebuildIndex))
        return false;
    if (std::uint64_t(frameCount_) != index_.GetCount())
        return RecordError("Corrupt file (index table wrong length).");
    return reader_.Seek(std::uint64_t(dataOffset_)) || RecordReadFailure();
}

bool VX2DImportImpl::ReadVersion()
{
    if (!reader_.ReadInt32(version_))
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
    if (!RecordSchema::ReadSectionMarker(reader_, marker) || !reader_.ReadInt32(cameraCount_) ||
        !RecordSchema::ReadSectionMarker(reader_, marker) || !reader_.ReadInt32(frameCount_) ||
        !RecordSchema::ReadSectionMarker(reader_, marker))
        return RecordReadFailure();
    // Each camera needs at least a camera record marker in every frame of the file.
    if (cameraCount_ < 0 ||
        std::uint64_t(cameraCount_) > stream_.GetSize() / RecordSchema::kRecordMarkerSize)
        return RecordError("Invalid file header (number of cameras).");
    if (frameCount_ == 0)
        RecordError("Invalid file header (number of frames).");
    return true;
}

bool VX2DImportImpl::ReadFormats()
{
    std::int32_t count = 0;
    if (!reader_.ReadInt32(count))
        return RecordReadFailure();
    if (count < 0 || !reader_.CountFits(std::uint64_t(count), kMinimumFormatSectionSize))
    {
        reader_.Fail(EReadFailure::CountTooLarge);
        return RecordReadFailure();
    }
    formats_.assign(std::size_t(count), VDataFormatInfo());
    for (VDataFormatInfo& format : formats_)
    {
        VSectionMarker marker;
        if (!RecordSchema::ReadSectionMarker(reader_, marker) ||
            !RecordSchema::ReadFormatInfo(reader_, format))
            return RecordReadFailure();
    }
    return true;
}

bool VX2DImportImpl::ReadOffset(std::int64_t& offset)
{
    VSectionMarker marker;
    if (!RecordSchema::ReadSectionMarker(reader_, marker))
        return false;
    if (version_ >= kFirstVersionWithOffsets64)
        return reader_.ReadInt64(offset);
    std::int32_t narrow = 0;
    if (!reader_.ReadInt32(narrow))
        return false;
    offset = narrow;
    return true;
}

bool VX2DImportImpl::ReadOffsets()
{
    if (!ReadOffset(indexOffset_) || !ReadOffset(dataOffset_))
        return RecordReadFailure();
    if (dataOffset_ < 0 || std::uint64_t(dataOffset_) > stream_.GetSize())
        return RecordError("Invalid file header (data offset).");
    return true;
}

bool VX2DImportImpl::ReadFrameInfoFormat()
{
    const std::uint64_t start = reader_.Tell();
    VDataFormatInfo format;
    if (FindFrameInfoFormat(format))
    {
        frameInfoHolder_ = std::make_unique<VDataHolderFrameInfo>(std::move(format));
        return true;
    }
    if (reader_.GetFailure() != EReadFailure::None)
        return RecordReadFailure();
    return reader_.Seek(start) || RecordReadFailure();
}

bool VX2DImportImpl::FindFrameInfoFormat(VDataFormatInfo& format)
{
    VBoundedReader::VLimitScope header(reader_, std::uint64_t(dataOffset_));
    VSectionMarker marker;
    if (!RecordSchema::ReadSectionMarker(reader_, marker) || marker.tag != kFrameInfoTag)
    {
        // Whatever follows is not a frame information section: the file has none.
        reader_.ClearFailure();
        return false;
    }
    return RecordSchema::ReadFormatInfo(reader_, format);
}

bool VX2DImportImpl::ScanCustomHeaders()
{
    const std::uint64_t end = std::uint64_t(dataOffset_);
    VBoundedReader::VLimitScope headers(reader_, end);
    while (reader_.Tell() < end)
    {
        VSectionMarker marker;
        if (!RecordSchema::ReadSectionMarker(reader_, marker))
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
        return header->Read(reader_);
    if (marker.length < 0)
        return reader_.Fail(EReadFailure::InvalidLength);
    return reader_.Skip(std::uint64_t(marker.length));
}

bool VX2DImportImpl::LoadIndex(bool rebuildIndex)
{
    if (indexOffset_ == kNoOffset || indexOffset_ < 0 ||
        std::uint64_t(indexOffset_) >= stream_.GetSize())
    {
        RecordError("Could not find the index table in the file.");
        if (!rebuildIndex)
            return false;
        index_.Rebuild(reader_, std::uint64_t(dataOffset_));
        frameCount_ = std::int32_t(index_.GetCount());
        return true;
    }
    return (reader_.Seek(std::uint64_t(indexOffset_)) && index_.Read(reader_)) ||
           RecordReadFailure();
}

bool VX2DImportImpl::BeginFrame(std::int64_t index)
{
    VIndexTable::VEntry entry;
    if (!index_.GetEntry(index, entry))
        return RecordError("There is no frame index " + std::to_string(index) + " in the file.");
    if (!reader_.Seek(std::uint64_t(entry.offset)))
        return RecordReadFailure();
    VRecordMarker marker;
    if (!RecordSchema::ReadRecordMarker(reader_, marker) || marker.tag != RecordSchema::kFrameTag ||
        marker.length <= 0)
    {
        reader_.ClearFailure();
        return RecordError("Could not read frame.");
    }
    frameEnd_ = reader_.Tell() + std::uint64_t(marker.length);
    if (!reader_.CheckEnd(frameEnd_))
        return RecordReadFailure();
    // A camera record is at least its marker.
    if (std::uint64_t(cameraCount_) >
        std::uint64_t(marker.length) / RecordSchema::kRecordMarkerSize)
    {
        reader_.Fail(EReadFailure::CountTooLarge);
        return RecordReadFailure();
    }
    currentFrameNumber_ = marker.value;
    return true;
}

bool VX2DImportImpl::ReadCameraRecord()
{
    for (IDataHolder* holder : dataHolders_)
        holder->Reset();
    VBoundedReader::VLimitScope frame(reader_, frameEnd_);
    VRecordMarker marker;
    if (!frame.IsValid() || !RecordSchema::ReadRecordMarker(reader_, marker))
        return RecordReadFailure();
    if (marker.length < 0)
    {
        reader_.Fail(EReadFailure::InvalidLength);
        return RecordReadFailure();
    }
    const std::uint64_t end = reader_.Tell() + std::uint64_t(marker.length);
    VBoundedReader::VLimitScope record(reader_, end);
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
    recordEnded = reader_.GetRemaining() < RecordSchema::kRecordMarkerSize;
    if (recordEnded)
        return reader_.Seek(recordEnd);
    VRecordMarker marker;
    if (!RecordSchema::ReadRecordMarker(reader_, marker))
        return false;
    if (marker.length < 0)
        return reader_.Fail(EReadFailure::InvalidLength);
    const std::uint64_t end = reader_.Tell() + std::uint64_t(marker.length);
    recordEnded = end > recordEnd;
    if (recordEnded)
        return reader_.Seek(recordEnd);
    VBoundedReader::VLimitScope block(reader_, end);
    IDataHolder* holder = FindDataHolder(format.identifier);
    if (holder != nullptr)
    {
        holder->Prepare(std::uint32_t(marker.value));
        if (!ReadItems(*holder, format))
            return false;
    }
    return reader_.Seek(end);
}

bool VX2DImportImpl::ReadItems(IDataHolder& holder, const VDataFormatInfo& format)
{
    while (!reader_.IsAtLimit())
    {
        const std::uint64_t start = reader_.Tell();
        if (!holder.ReadItem(reader_, format))
            return false;
        // An item that takes no bytes would repeat forever.
        if (reader_.Tell() == start)
            return reader_.Fail(EReadFailure::EmptyItem);
    }
    return true;
}

bool VX2DImportImpl::ReadFrameInfo()
{
    if (frameInfoHolder_ == nullptr)
        return false;
    VBoundedReader::VLimitScope frame(reader_, frameEnd_);
    if (!frame.IsValid() || !frameInfoHolder_->ReadItem(reader_, frameInfoHolder_->GetFormatInfo()))
        return RecordReadFailure();
    return true;
}

ICustomHeader* VX2DImportImpl::FindCustomHeader(std::int16_t identifier) const
{
    const auto found = std::find_if(customHeaders_.begin(), customHeaders_.end(),
                                    [&](const ICustomHeader* header)
                                    { return header->GetIdentifier() == identifier; });
    return found != customHeaders_.end() ? *found : nullptr;
}

IDataHolder* VX2DImportImpl::FindDataHolder(std::int16_t formatIdentifier) const
{
    const auto found =
        std::find_if(dataHolders_.begin(), dataHolders_.end(),
                     [&](const IDataHolder* holder)
                     { return holder->GetFormatInfo().identifier == formatIdentifier; });
    return found != dataHolders_.end() ? *found : nullptr;
}

bool VX2DImportImpl::RecordError(const std::string& text)
{
    errors_.push_back(text);
    QELT_LOG(LogCategory(), 4) << text;
    return false;
}

bool VX2DImportImpl::RecordReadFailure()
{
    const EReadFailure failure = reader_.GetFailure();
    reader_.ClearFailure();
    return RecordError(DescribeReadFailure(failure));
}
} // namespace X2DIO
