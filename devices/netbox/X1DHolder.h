#pragma once
// All analogue data of one X1D file, decoded into memory once: every frame of the file as
// block frames, the source set header, and which recorded devices have data at all. One
// holder is shared by all network boxes of the file; each box's sample extractor reads its
// device's blocks from it frame by frame.
//
// Memory: only frames the file's index holds are kept, so a header that claims more frames
// than the file has costs nothing.
//
// Thread rules: built on the main thread, then read-only and thread-safe: the frame steps of
// several boxes read it in parallel on pool threads. The one thing that changes afterwards is
// the current frame index, a statistic that every extractor writes when it loads a frame; it
// is atomic (relaxed: it orders nothing).

#include "FileIO/AnalogueBlockFrame.h"
#include "FileIO/AnalogueSourceSetHeader.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class VX1DImport;

class VX1DHolder
{
public:
    // `reader` is open; every frame is read now. A frame that cannot be read whole is kept as
    // far as it was read, and loading goes on.
    explicit VX1DHolder(std::shared_ptr<VX1DImport> reader);
    VX1DHolder(const VX1DHolder&) = delete;
    VX1DHolder& operator=(const VX1DHolder&) = delete;

    std::uint32_t GetNumberOfDevices() const { return deviceCount_; }
    std::uint32_t GetFrameCount() const { return static_cast<std::uint32_t>(frames_.size()); }
    // Whether device `device` has at least one block in at least one frame.
    bool DeviceHasData(std::uint32_t device) const;
    const VAnalogueSourceSetHeader& GetSourceSetHeader() const { return header_; }
    // Frame `index` as read; `index` must be below GetFrameCount().
    const VAnalogueBlockFrame& GetFrame(std::uint32_t index) const { return frames_[index]; }

    // The first block of `device` in frame `index`, noting `index` as the current frame; false
    // when that frame holds no block for the device (or no such frame exists).
    bool TakeFirstBlock(std::uint32_t index, std::uint32_t device, VAnalogueBlockView& block);
    // The frame index last taken by any extractor; -1 before the first.
    std::int32_t GetCurrentFrameIndex() const;

private:
    void LoadFrames();

    std::shared_ptr<VX1DImport> reader_;
    const std::uint32_t deviceCount_;
    std::atomic<std::int32_t> currentFrameIndex_{-1};
    std::vector<VAnalogueBlockFrame> frames_;
    VAnalogueSourceSetHeader header_;
    std::vector<bool> deviceHasData_;
};
