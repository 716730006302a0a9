#include "FileIO/X1DImportImpl.h"

#include "FileIO/FramePlugins.h"
#include "diagnostics/Log.h"

#include <algorithm>

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

Qelt::ILogCategorised::ICategory& LogCategory()
{
    static Qelt::ILogCategorised::ICategory& category = Qelt::GlobalLog().GetCategory("X1DImport");
    return category;
}
} // namespace

VX1DImportImpl::VX1DImportImpl() : stream_(kWindowSizeMiB, kMaxViews), reader_(stream_) {}

VX1DImportImpl::~VX1DImportImpl() = default;

bool VX1DImportImpl::OpenFile(const std::string& path)
{
    Close();
    if (!stream_.Open(path))
        return RecordError("Could not open the file.");
    open_ = true;
    reader_.ResetLimit();
    return reader_.Seek(0) ? true : RecordError("Could not open the file.");
}

void VX1DImportImpl::Close()
{
    if (open_)
        stream_.Close();
    open_ = false;
}

void VX1DImportImpl::Reset()
{
    Close();
    customHeaders_.clear();
    dataHolders_.clear();
    formats_.clear();
    sectionMarkers_.clear();
    index_.Clear();
    index_.SetOffsets64(true);
    version_ = deviceCount_ = frameCount_ = currentFrameNumber_ = currentSubFrameValue_ = 0;
    indexOffset_ = dataOffset_ = headerValue_ = 0;
    frameEnd_ = 0;
}

void VX1DImportImpl::RegisterCustomHeader(ICustomHeader& header)
{
    customHeaders_.push_back(&header);
}

void VX1DImportImpl::RegisterDataHolder(IDataHolder& holder)
{
    dataHolders_.push_back(&holder);
}

bool VX1DImportImpl::ReadHeader()
{
    if (!reader_.Seek(0))
        return RecordError("Could not open the file.");
    if (!ReadVersion() || !ReadCounts() || !ReadFormats() || !ReadOffsets())
        return false;
    if (!ScanCustomHeaders() || !LoadIndex())
        return false;
    return reader_.Seek(std::uint64_t(dataOffset_)) || RecordReadFailure();
}

bool VX1DImportImpl::ReadVersion()
{
    if (!reader_.ReadInt32(version_))
        return RecordReadFailure();
    if (version_ > kHighestVersion)
        return RecordError("Cannot read X1D files of version " + std::to_string(version_) + ".");
    return true;
}

bool VX1DImportImpl::ReadCounts()
{
    VSectionMarker marker;
    if (!RecordSchema::ReadSectionMarker(reader_, marker) || !reader_.ReadInt32(deviceCount_) ||
        !RecordSchema::ReadSectionMarker(reader_, marker) || !reader_.ReadInt32(frameCount_) ||
        !RecordSchema::ReadSectionMarker(reader_, marker))
        return RecordReadFailure();
    // Each device needs at least a sub-frame marker in every frame of the file.
    if (deviceCount_ < 0 ||
        std::uint64_t(deviceCount_) > stream_.GetSize() / RecordSchema::kRecordMarkerSize)
        return RecordError("Invalid file header (number of devices).");
    if (frameCount_ == 0)
        RecordError("Invalid file header (number of frames).");
    if (marker.tag != kHeaderValueTag)
        return true;
    return (reader_.ReadInt64(headerValue_) && RecordSchema::ReadSectionMarker(reader_, marker)) ||
           RecordReadFailure();
}

bool VX1DImportImpl::ReadFormats()
{
    std::uint32_t count = 0;
    if (!reader_.ReadUInt32(count) || !reader_.CountFits(count, kMinimumFormatSectionSize))
        return RecordReadFailure();
    formats_.assign(count, VDataFormatInfo());
    for (VDataFormatInfo& format : formats_)
    {
        VSectionMarker marker;
        if (!RecordSchema::ReadSectionMarker(reader_, marker) ||
            !RecordSchema::ReadFormatInfo(reader_, format))
            return RecordReadFailure();
    }
    return true;
}

bool VX1DImportImpl::ReadOffsets()
{
    VSectionMarker marker;
    if (!RecordSchema::ReadSectionMarker(reader_, marker) || !reader_.ReadInt64(indexOffset_) ||
        !RecordSchema::ReadSectionMarker(reader_, marker) || !reader_.ReadInt64(dataOffset_))
        return RecordReadFailure();
    if (dataOffset_ < 0 || std::uint64_t(dataOffset_) > stream_.GetSize())
        return RecordError("Invalid file header (data offset).");
    return true;
}

bool VX1DImportImpl::ScanCustomHeaders()
{
    VBoundedReader::VLimitScope headerEnd(reader_, std::uint64_t(dataOffset_));
    while (reader_.Tell() < std::uint64_t(dataOffset_))
    {
        VSectionMarker marker;
        if (!RecordSchema::ReadSectionMarker(reader_, marker))
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
    const std::uint64_t end = reader_.Tell() + std::uint64_t(marker.length);
    VBoundedReader::VLimitScope section(reader_, end);
    if (!section.IsValid())
        return false;
    ICustomHeader* header = FindCustomHeader(marker.tag);
    if (header != nullptr && !header->Read(reader_))
        return false;
    return reader_.Seek(end);
}

bool VX1DImportImpl::LoadIndex()
{
    if (indexOffset_ == kNoOffset || indexOffset_ < 0 ||
        std::uint64_t(indexOffset_) >= stream_.GetSize())
    {
        RecordError("Could not find the index table in the file.");
        index_.Rebuild(reader_, std::uint64_t(dataOffset_));
        frameCount_ = std::int32_t(index_.GetCount());
        return true;
    }
    index_.SetOffsets64(version_ >= 2);
    return (reader_.Seek(std::uint64_t(indexOffset_)) && index_.Read(reader_)) ||
           RecordReadFailure();
}

bool VX1DImportImpl::BeginFrame(std::int64_t index)
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
    if (!reader_.CheckEnd(frameEnd_) || !CheckFrameHoldsSubFrames(marker.length))
        return RecordReadFailure();
    currentFrameNumber_ = marker.value;
    return true;
}

bool VX1DImportImpl::CheckFrameHoldsSubFrames(std::int32_t frameLength)
{
    // A sub-frame is at least its marker and one block marker per format.
    const std::uint64_t subFrameSize = RecordSchema::kRecordMarkerSize * (1 + formats_.size());
    if (std::uint64_t(deviceCount_) > std::uint64_t(frameLength) / subFrameSize)
        return reader_.Fail(EReadFailure::CountTooLarge);
    return true;
}

bool VX1DImportImpl::ReadSubFrame()
{
    VBoundedReader::VLimitScope frame(reader_, frameEnd_);
    for (IDataHolder* holder : dataHolders_)
        holder->Reset();
    VRecordMarker marker;
    if (!frame.IsValid() || !RecordSchema::ReadRecordMarker(reader_, marker))
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
    if (!RecordSchema::ReadRecordMarker(reader_, marker))
        return false;
    if (marker.length < 0)
        return reader_.Fail(EReadFailure::InvalidLength);
    const std::uint64_t end = reader_.Tell() + std::uint64_t(marker.length);
    VBoundedReader::VLimitScope block(reader_, end);
    if (!block.IsValid())
        return false;
    IDataHolder* holder = FindDataHolder(marker.tag);
    if (holder != nullptr && !ReadItems(*holder, format))
        return false;
    return reader_.Seek(end);
}

bool VX1DImportImpl::ReadItems(IDataHolder& holder, const VDataFormatInfo& format)
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

ICustomHeader* VX1DImportImpl::FindCustomHeader(std::int16_t identifier) const
{
    const auto found = std::find_if(customHeaders_.begin(), customHeaders_.end(),
                                    [&](const ICustomHeader* header)
                                    { return header->GetIdentifier() == identifier; });
    return found != customHeaders_.end() ? *found : nullptr;
}

IDataHolder* VX1DImportImpl::FindDataHolder(std::int16_t formatIdentifier) const
{
    const auto found =
        std::find_if(dataHolders_.begin(), dataHolders_.end(),
                     [&](const IDataHolder* holder)
                     { return holder->GetFormatInfo().identifier == formatIdentifier; });
    return found != dataHolders_.end() ? *found : nullptr;
}

bool VX1DImportImpl::RecordError(const std::string& text)
{
    errors_.push_back(text);
    QELT_LOG(LogCategory(), 4) << text;
    return false;
}

bool VX1DImportImpl::RecordReadFailure()
{
    const EReadFailure failure = reader_.GetFailure();
    reader_.ClearFailure();
    return RecordError(DescribeReadFailure(failure));
}
