#include "FileIO/FrameFileReader.h"

#include "FileIO/FramePlugins.h"

#include <algorithm>
#include <utility>

VFrameFileReader::VFrameFileReader(unsigned windowSizeMiB, unsigned maxViews,
                                   std::string logCategory)
    : stream_(windowSizeMiB, maxViews), reader_(stream_), logCategoryName_(std::move(logCategory))
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

void VFrameFileReader::ResetReader()
{
    Close();
    customHeaders_.clear();
    dataHolders_.clear();
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

bool VFrameFileReader::BeginIndexedFrame(const VIndexTable& index, std::int64_t entryIndex,
                                         VRecordMarker& marker)
{
    VIndexTable::VEntry entry;
    if (!index.GetEntry(entryIndex, entry))
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
    QELT_LOG(LogCategory(), 4) << text;
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
