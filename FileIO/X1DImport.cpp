#include "FileIO/X1DImport.h"

#include "FileIO/X1DImportImpl.h"

VX1DImport::VX1DImport() : impl_(std::make_unique<VX1DImportImpl>()) {}

VX1DImport::~VX1DImport()
{
    Close();
}

bool VX1DImport::Open(const std::string& path)
{
    impl_->Reset();
    impl_->ClearErrors();
    sourceSetHeader_.SetSourceSets({});
    if (!impl_->OpenFile(path))
        return false;
    impl_->RegisterCustomHeader(sourceSetHeader_);
    impl_->RegisterDataHolder(blockHolder_);
    return impl_->ReadHeader();
}

void VX1DImport::Close()
{
    impl_->Close();
}

bool VX1DImport::IsOpen() const
{
    return impl_->IsOpen();
}

std::uint32_t VX1DImport::GetNumberOfDevices() const
{
    return std::uint32_t(impl_->GetDeviceCount());
}

std::int32_t VX1DImport::GetNumberOfFrames() const
{
    return impl_->GetFrameCount();
}

void VX1DImport::GetFrameRange(std::int32_t& first, std::int32_t& last) const
{
    first = 0;
    last = impl_->GetFrameCount();
}

void VX1DImport::GetAnalogueSourceSetHeader(VAnalogueSourceSetHeader& header) const
{
    header.SetClock(sourceSetHeader_.GetClock());
    header.SetSourceSets(sourceSetHeader_.GetSourceSets());
}

void VX1DImport::GetFrameNumbers(std::vector<std::int32_t>& numbers) const
{
    impl_->GetIndexTable().GetFrameNumbers(numbers);
}

bool VX1DImport::ReadFrame(std::int32_t index, IAnalogueBlockFrame& frame)
{
    return impl_->EndRead(ReadFrameInto(index, frame));
}

bool VX1DImport::ReadFrameInto(std::int32_t index, IAnalogueBlockFrame& frame)
{
    if (!impl_->BeginFrame(index))
        return false;
    auto* direct = dynamic_cast<IAnalogueBlockFrameDirect*>(&frame);
    IAnalogueBlockFrame& target = direct != nullptr ? frame : spareFrame_;
    target.Resize(std::uint32_t(impl_->GetDeviceCount()));
    const bool read = ReadSubFrames(target);
    blockHolder_.SetTarget(nullptr);
    if (read && direct == nullptr)
        spareFrame_.CopyTo(frame);
    return read;
}

bool VX1DImport::ReadSubFrames(IAnalogueBlockFrame& target)
{
    for (std::uint32_t device = 0; device < target.GetCount(); ++device)
    {
        blockHolder_.SetTarget(&target.GetSet(device));
        if (!impl_->ReadSubFrame())
            return false;
    }
    return true;
}

bool VX1DImport::ReadFrameByNumber(std::int32_t frameNumber, IAnalogueBlockFrame& frame)
{
    std::int32_t index = 0;
    return FindFrameIndex(frameNumber, index) && ReadFrame(index, frame);
}

std::int32_t VX1DImport::GetFrameNumber(std::int32_t index) const
{
    VIndexTable::VEntry entry;
    return impl_->GetIndexTable().GetEntry(index, entry) ? entry.frameNumber : 0;
}

bool VX1DImport::FindFrameIndex(std::int32_t frameNumber, std::int32_t& index) const
{
    std::size_t found = 0;
    if (!impl_->GetIndexTable().FindFrameIndex(frameNumber, found))
        return false;
    index = std::int32_t(found);
    return true;
}

const std::vector<std::string>& VX1DImport::GetErrors() const
{
    return impl_->GetErrors();
}
