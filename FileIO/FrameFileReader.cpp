#include "FileIO/FrameFileReader.h"

#include "FileIO/FramePlugins.h"

#include <algorithm>
#include <utility>

namespace
{
constexpr std::int64_t kNoOffset = -1;
// Every format takes at least its section marker and a description without fields.
constexpr std::uint64_t kMinimumFormatSectionSize =
    RecordSchema::kSectionMarkerSize + RecordSchema::kMinimumFormatInfoSize;
} // namespace

VFrameFileReader::VFrameFileReader(unsigned windowSizeMiB, unsigned maxViews,
                                   std::string logCategory, const char* logSource)
    : stream_(windowSizeMiB, maxViews), reader_(stream_), logCategoryName_(std::move(logCategory)),
      logSource_(logSource)
{
}

VFrameFileReader::~VFrameFileReader() = default;

bool VFrameFileReader::OpenFile(const std::string& path)
{
    Close();
    if (!stream_.Open(path))
        return RecordError("Could not open the file.");
    open_ = true;
    reader_.Rewind();
    return true;
}

void VFrameFileReader::Close()
{
    if (open_)
        stream_.Close();
    open_ = false;
    reader_.Rewind();
}

bool VFrameFileReader::EndRead(bool read)
{
    return reader_.CheckIntact() ? read : RecordReadFailure();
}

void VFrameFileReader::ResetReader()
{
    Close();
    customHeaders_.clear();
    dataHolders_.clear();
    frameCount_ = 0;
    indexOffset_ = dataOffset_ = 0;
    formats_.clear();
    sectionMarkers_.clear();
    index_.Clear();
    index_.SetOffsets64(true);
    frameEnd_ = 0;
}

void VFrameFileReader::RegisterCustomHeader(ICustomHeader& header)
{
    customHeaders_.push_back(&header);
}

void VFrameFileReader::RegisterDataHolder(IDataHolder& holder)
{
    dataHolders_.push_back(&holder);
}

ICustomHeader* VFrameFileReader::FindCustomHeader(std::int16_t identifier) const
{
    const auto found = std::find_if(customHeaders_.begin(), customHeaders_.end(),
                                    [&](const ICustomHeader* header)
                                    { return header->GetIdentifier() == identifier; });
    return found != customHeaders_.end() ? *found : nullptr;
}

IDataHolder* VFrameFileReader::FindDataHolder(std::int16_t formatIdentifier) const
{
    const auto found =
        std::find_if(dataHolders_.begin(), dataHolders_.end(),
                     [&](const IDataHolder* holder)
                     { return holder->GetFormatInfo().identifier == formatIdentifier; });
    return found != dataHolders_.end() ? *found : nullptr;
}

bool VFrameFileReader::ReadCounts(const std::string& itemName, std::int32_t& itemCount,
                                  VSectionMarker& next)
{
    VSectionMarker marker;
    if (!RecordSchema::ReadSectionMarker(reader_, marker) || !reader_.ReadInt32(itemCount))
        return RecordReadFailure();
    if (itemCount < 0)
        return RecordError("Invalid file header (number of " + itemName + ").");
    // Outside the frames, devices and cameras have no record of their own, yet each is one
    // item: a count larger than the bytes left in the file is refused. A frame holds a record
    // per item, which reading the frame checks.
    if (!reader_.CountFits(std::uint64_t(itemCount), 1) ||
        !RecordSchema::ReadSectionMarker(reader_, marker) || !reader_.ReadInt32(frameCount_) ||
        !RecordSchema::ReadSectionMarker(reader_, next))
        return RecordReadFailure();
    if (frameCount_ == 0)
        RecordError("Invalid file header (number of frames).");
    return true;
}

bool VFrameFileReader::ReadFormats()
{
    std::uint32_t count = 0;
    if (!reader_.ReadUInt32(count) || !reader_.CountFits(count, kMinimumFormatSectionSize))
        return RecordReadFailure();
    for (std::uint32_t index = 0; index < count; ++index)
    {
        VSectionMarker marker;
        VDataFormatInfo format;
        if (!RecordSchema::ReadSectionMarker(reader_, marker) ||
            !RecordSchema::ReadFormatInfo(reader_, format))
            return RecordReadFailure();
        formats_.push_back(std::move(format));
    }
    return true;
}

bool VFrameFileReader::ReadOffsetSection(bool offsets64, std::int64_t& offset)
{
    VSectionMarker marker;
    if (!RecordSchema::ReadSectionMarker(reader_, marker))
        return false;
    if (offsets64)
        return reader_.ReadInt64(offset);
    std::int32_t narrow = 0;
    if (!reader_.ReadInt32(narrow))
        return false;
    offset = narrow;
    return true;
}

bool VFrameFileReader::ReadOffsets(bool offsets64)
{
    if (!ReadOffsetSection(offsets64, indexOffset_) || !ReadOffsetSection(offsets64, dataOffset_))
        return RecordReadFailure();
    if (dataOffset_ < 0 || std::uint64_t(dataOffset_) > GetFileSize())
        return RecordError("Invalid file header (data offset).");
    return true;
}

bool VFrameFileReader::ScanCustomHeaders()
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

bool VFrameFileReader::ReadCustomHeaderSection(const VSectionMarker& marker)
{
    // A registered header reads what it knows and the scan goes on from there; the length only
    // serves to pass sections that nobody reads.
    if (ICustomHeader* header = FindCustomHeader(marker.tag))
        return header->Read(reader_);
    if (marker.length < 0)
        return reader_.Fail(EReadFailure::InvalidLength);
    return reader_.Skip(std::uint64_t(marker.length));
}

bool VFrameFileReader::LoadIndex(bool rebuildIndex)
{
    if (indexOffset_ == kNoOffset || indexOffset_ < 0 ||
        std::uint64_t(indexOffset_) >= GetFileSize())
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

bool VFrameFileReader::ReadItems(IDataHolder& holder, const VDataFormatInfo& format)
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

bool VFrameFileReader::BeginIndexedFrame(std::int64_t entryIndex, VRecordMarker& marker)
{
    VIndexTable::VEntry entry;
    if (!index_.GetEntry(entryIndex, entry))
        return RecordError("There is no frame index " + std::to_string(entryIndex) +
                           " in the file.");
    if (!reader_.Seek(std::uint64_t(entry.offset)))
        return RecordReadFailure();
    if (!RecordSchema::ReadRecordMarker(reader_, marker) || marker.tag != RecordSchema::kFrameTag ||
        marker.length <= 0)
    {
        reader_.ClearFailure();
        return RecordError("Could not read frame.");
    }
    frameEnd_ = reader_.Tell() + std::uint64_t(marker.length);
    return reader_.CheckEnd(frameEnd_) || RecordReadFailure();
}

bool VFrameFileReader::RecordError(const std::string& text)
{
    errors_.push_back(text);
    QELT_LOG_AT(LogCategory(), 4, logSource_, __LINE__) << text;
    return false;
}

bool VFrameFileReader::RecordReadFailure()
{
    const EReadFailure failure = reader_.GetFailure();
    reader_.ClearFailure();
    return RecordError(DescribeReadFailure(failure));
}

Qelt::ILogCategorised::ICategory& VFrameFileReader::LogCategory()
{
    // Looked up on the first error only, so a reader that reads cleanly adds no category.
    if (logCategory_ == nullptr)
        logCategory_ = &Qelt::GlobalLog().GetCategory(logCategoryName_);
    return *logCategory_;
}
