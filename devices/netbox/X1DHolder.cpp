#include "devices/netbox/X1DHolder.h"

#include "FileIO/X1DImport.h"

#include <algorithm>

namespace
{
// The frames worth reading: those the header counts and the index can find. The header's count
// alone is not trusted, as each frame held costs memory whether the file has it or not.
std::uint32_t FramesToLoad(const VX1DImport& reader)
{
    std::vector<std::int32_t> numbers;
    reader.GetFrameNumbers(numbers);
    const std::int32_t counted = std::max(0, reader.GetNumberOfFrames());
    return static_cast<std::uint32_t>(std::min<std::size_t>(std::size_t(counted), numbers.size()));
}

bool HasBlocks(const VAnalogueBlockFrame& frame, std::uint32_t device)
{
    return device < frame.GetCount() && frame.GetSet(device).GetCount() > 0;
}
} // namespace

VX1DHolder::VX1DHolder(std::shared_ptr<VX1DImport> reader)
    : reader_(std::move(reader)), deviceCount_(reader_->GetNumberOfDevices()),
      deviceHasData_(deviceCount_, false)
{
    reader_->GetAnalogueSourceSetHeader(header_);
    LoadFrames();
}

void VX1DHolder::LoadFrames()
{
    const std::uint32_t count = FramesToLoad(*reader_);
    frames_.resize(count);
    for (std::uint32_t index = 0; index < count; ++index)
    {
        VAnalogueBlockFrame& frame = frames_[index];
        reader_->ReadFrame(static_cast<std::int32_t>(index), frame);
        for (std::uint32_t device = 0; device < deviceCount_; ++device)
            if (HasBlocks(frame, device))
                deviceHasData_[device] = true;
    }
}

bool VX1DHolder::DeviceHasData(std::uint32_t device) const
{
    return device < deviceHasData_.size() && deviceHasData_[device];
}

bool VX1DHolder::TakeFirstBlock(std::uint32_t index, std::uint32_t device,
                                VAnalogueBlockView& block)
{
    if (index >= frames_.size())
        return false;
    currentFrameIndex_.store(static_cast<std::int32_t>(index), std::memory_order_relaxed);
    if (!HasBlocks(frames_[index], device))
        return false;
    block = frames_[index].GetSet(device).GetBlock(0);
    return true;
}

std::int32_t VX1DHolder::GetCurrentFrameIndex() const
{
    return currentFrameIndex_.load(std::memory_order_relaxed);
}
