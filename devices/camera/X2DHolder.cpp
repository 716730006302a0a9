#include "devices/camera/X2DHolder.h"

#include "FileIO/X2DIO/X2DImport.h"

#include <algorithm>
#include <cstdio>

namespace
{
std::uint32_t FrameCountOf(const X2DIO::VX2DImport& reader)
{
    return static_cast<std::uint32_t>(std::max(0, reader.GetNumberOfFrames()));
}

// The file's camera list, completed with the reader's defaults up to the camera count.
std::vector<X2DIO::CameraInfo> CamerasOf(const X2DIO::VX2DImport& reader)
{
    std::vector<X2DIO::CameraInfo> cameras;
    reader.GetCameraInfos(cameras);
    const std::uint32_t count = reader.GetNumberOfCameras();
    cameras.resize(std::min<std::size_t>(cameras.size(), count));
    for (std::uint32_t i = static_cast<std::uint32_t>(cameras.size()); i < count; ++i)
    {
        X2DIO::CameraInfo info;
        info.identifier = static_cast<std::int32_t>(i);
        info.valueB = static_cast<std::int32_t>(i);
        cameras.push_back(info);
    }
    return cameras;
}

template <class Set> void Fill(std::vector<std::shared_ptr<Set>>& sets, std::size_t count)
{
    sets.clear();
    for (std::size_t i = 0; i < count; ++i)
        sets.push_back(std::make_shared<Set>());
}
} // namespace

VX2DHolder::VX2DHolder(std::shared_ptr<X2DIO::VX2DImport> reader)
    : reader_(std::move(reader)), frameCount_(FrameCountOf(*reader_)),
      cameras_(CamerasOf(*reader_)), framePeriod_(reader_->GetFramePeriod())
{
    MakeBuffer(buffers_[0]);
    MakeBuffer(buffers_[1]);
}

VX2DHolder::~VX2DHolder() = default;

void VX2DHolder::MakeBuffer(FrameBuffer& buffer) const
{
    Fill(buffer.centroidSets, cameras_.size());
    Fill(buffer.trackSets, cameras_.size());
    Fill(buffer.blobSets, cameras_.size());
    Fill(buffer.edgeSets, cameras_.size());
}

VX2DHolder::FrameChoice VX2DHolder::ChooseFrame(std::uint32_t currentFrame,
                                                std::uint32_t previousFrame,
                                                std::uint32_t frameCount)
{
    const std::uint32_t index = currentFrame % frameCount;
    return {index, currentFrame > previousFrame && index > previousFrame % frameCount};
}

VX2DHolder::Statistics VX2DHolder::GetStatistics()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return statistics_;
}

bool VX2DHolder::LoadFrame(std::uint32_t index)
{
    // Every camera of a frame loads the same index: all but the first find it loaded.
    if (readyIndex_.load(std::memory_order_acquire) == static_cast<std::int64_t>(index))
        return true;
    std::lock_guard<std::mutex> lock(mutex_);
    if (index >= frameCount_)
        return false;
    readyIndex_.store(kNone, std::memory_order_relaxed);
    if (static_cast<std::int32_t>(index) != loadedIndex_ && pendingIndex_ != kNone)
    {
        readAhead_.WaitUntilIdle();
        if (back_->readOk)
        {
            loadedIndex_ = pendingIndex_;
            std::swap(front_, back_);
            ++statistics_.swaps;
        }
        pendingIndex_ = kNone;
    }
    if (static_cast<std::int32_t>(index) != loadedIndex_)
    {
        const bool ok = Read(index, *front_);
        ++statistics_.synchronousReads;
        ReportReadFailure(index, ok);
        // A failed read leaves the front buffer holding no whole frame.
        loadedIndex_ = ok ? static_cast<std::int32_t>(index) : kNone;
        if (!ok)
            return false;
    }
    if (pendingIndex_ == kNone)
    {
        const std::uint32_t next = (index + 1) % frameCount_;
        pendingIndex_ = static_cast<std::int32_t>(next);
        // The frame threads look at the back buffer only after waiting for this read.
        readAhead_.Submit([this, next, target = back_] { Read(next, *target); });
        ++statistics_.readAheads;
    }
    readyIndex_.store(index, std::memory_order_release);
    return true;
}

bool VX2DHolder::Read(std::uint32_t index, FrameBuffer& buffer)
{
    buffer.readOk = reader_->ReadFrame(static_cast<std::int32_t>(index), &buffer.centroidSets,
                                       &buffer.trackSets, &buffer.blobSets, &buffer.edgeSets);
    return buffer.readOk;
}

// One line when frames stop being readable (the file was cut or rewritten while playing,
// or is damaged), not one per frame; another once they are readable again and fail anew.
void VX2DHolder::ReportReadFailure(std::uint32_t index, bool ok)
{
    if (ok || failureReported_)
    {
        failureReported_ = failureReported_ && !ok;
        return;
    }
    failureReported_ = true;
    const std::vector<std::string>& errors = reader_->GetErrors();
    std::fprintf(stderr, "X2D frame %u cannot be read, cameras send empty frames: %s\n", index,
                 errors.empty() ? "unknown error" : errors.back().c_str());
}
