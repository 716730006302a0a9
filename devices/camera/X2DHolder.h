#pragma once
// The frame cache of one X2D file, shared by all its cameras and their sources: which file
// frame a HAL frame replays is decided here, and while the cameras send one frame the
// "X2DRead" thread reads the next into a second buffer. In steady play the frame threads
// never wait for the file.
//
// Thread rules: LoadFrame() is thread-safe (`mutex_` guards the indices, the buffer
// pointers and the failure report; `readyIndex_`, the index whose frame the front buffer
// holds, is published after the buffer with release order, so the cameras after the first
// of a frame take it without the lock); the read-ahead thread writes only the back buffer, and
// the frame threads look at it only after waiting for that thread to be idle. Front() is
// read by the frame threads after their LoadFrame() of the frame: every camera of a frame
// loads the same index, and the next frame starts only when all have finished (lock-step),
// so the front buffer never changes under a reader. Everything else is constant.

#include "FileIO/X2DIO/CameraFrameData.h"
#include "FileIO/X2DIO/CameraInfo.h"
#include "Utils/UtilsThreading/ThreadPoolQueued.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace X2DIO
{
class VX2DImport;
}

class VX2DHolder
{
public:
    // Every camera's data of one file frame.
    struct FrameBuffer
    {
        X2DIO::CentroidSetList centroidSets;
        X2DIO::CentroidTrackSetList trackSets;
        X2DIO::GreyscaleBlobSetList blobSets;
        X2DIO::EdgePairSetList edgeSets;
        bool readOk = false;
    };

    // The file frame a HAL frame replays: the file plays in a loop, file frame = HAL frame
    // modulo the frame count. `hasNewData` is false at the frame where the file wraps round,
    // when the frame number did not advance and after a backwards jump: such a frame goes
    // out without items. The frame count must not be 0.
    struct FrameChoice
    {
        std::uint32_t index;
        bool hasNewData;
    };
    static FrameChoice ChooseFrame(std::uint32_t currentFrame, std::uint32_t previousFrame,
                                   std::uint32_t frameCount);

    // How often the file was read on the frame thread, read ahead, and found read ahead.
    struct Statistics
    {
        unsigned synchronousReads = 0;
        unsigned readAheads = 0;
        unsigned swaps = 0;
    };

    // `reader` is open; the holder reads from it from now on.
    explicit VX2DHolder(std::shared_ptr<X2DIO::VX2DImport> reader);
    ~VX2DHolder();
    VX2DHolder(const VX2DHolder&) = delete;
    VX2DHolder& operator=(const VX2DHolder&) = delete;

    // Makes file frame `index` the front buffer and queues the read of the next; false
    // when it cannot be read or the file has no such frame (the front buffer then holds
    // no usable frame).
    bool LoadFrame(std::uint32_t index);
    const FrameBuffer& Front() const { return *front_; }
    Statistics GetStatistics();

    std::uint32_t GetFrameCount() const { return frameCount_; }
    std::uint32_t GetCameraCount() const { return static_cast<std::uint32_t>(cameras_.size()); }
    // What the file says of camera `index`; the reader's defaults for a camera the file
    // does not describe.
    const X2DIO::CameraInfo& GetCameraInfo(std::uint32_t index) const { return cameras_[index]; }
    // 135 MHz ticks per camera frame; 0 when the file gives no usable rate.
    std::uint64_t GetFramePeriod() const { return framePeriod_; }

private:
    static constexpr std::int32_t kNone = -1;

    void MakeBuffer(FrameBuffer& buffer) const;
    bool Read(std::uint32_t index, FrameBuffer& buffer);
    void ReportReadFailure(std::uint32_t index, bool ok);

    std::shared_ptr<X2DIO::VX2DImport> reader_;
    const std::uint32_t frameCount_;
    std::int32_t loadedIndex_ = kNone; // guarded by mutex_
    std::atomic<std::int64_t> readyIndex_{kNone};
    std::int32_t pendingIndex_ = kNone; // guarded by mutex_
    bool failureReported_ = false;      // guarded by mutex_
    Statistics statistics_;             // guarded by mutex_
    std::mutex mutex_;
    std::vector<X2DIO::CameraInfo> cameras_;
    const std::uint64_t framePeriod_;
    FrameBuffer buffers_[2];
    FrameBuffer* front_ = &buffers_[0]; // guarded by mutex_ (see the thread rules)
    FrameBuffer* back_ = &buffers_[1];  // guarded by mutex_
    // Last, so it is stopped before anything it reads into goes.
    UtilsThreading::VThreadPoolQueued readAhead_{"X2DRead", 1};
};
