#pragma once
// Records the analogue frames the HAL receives into an X1D file: one device (source set) per
// box heard (see WindowedRecording for which and in what order), its identifier the box's
// DeviceID and its sources the channels enabled in the box's first recorded frame; one file
// frame per frame number, each box's samples as one block, channel-major. A frame whose
// enabled channels differ from the first one's is left out of the file and counted. Thread-
// bound to its owner.

#include "tools/halprobe/AnalogueFrame.h"
#include "tools/halprobe/RecordedParts.h"
#include "tools/halprobe/WindowedRecording.h"

#include "FileIO/X1DExport.h"

#include <map>
#include <string>

namespace HalProbe
{
class X1DRecorder final : public WindowedRecording<AnalogueRecord>
{
public:
    explicit X1DRecorder(std::string path);
    // Finishes the file.
    ~X1DRecorder() override;

    void Add(const AnalogueFrame& frame);
    // Frames left out because their channels changed.
    std::size_t ChangedChannelFrames() const { return changedChannelFrames_; }

private:
    bool Open(const std::vector<std::uint32_t>& devices) override;
    bool Write(std::uint32_t number, const std::vector<const AnalogueRecord*>& parts) override;
    bool Close() override;
    void Join(AnalogueRecord& held, AnalogueRecord part) override;

    const std::string path_;
    VX1DExport file_;
    // Each box's channels, from its first frame.
    std::map<std::uint32_t, std::vector<std::int32_t>> channels_;
    std::size_t changedChannelFrames_ = 0;
};
} // namespace HalProbe
