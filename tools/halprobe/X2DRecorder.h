#pragma once
// Records the camera frames the HAL receives into an X2D file: one camera per camera heard
// (see WindowedRecording for which and in what order), one file frame per frame number. The
// cameras are described with a 65536 × 65536 sensor, which makes the file's centroid fixed
// point the wire's 1/256 pixel, so every centroid is stored as it was received (a negative
// position, which the wire can carry, is stored as 0); their type is SorrelMV when they send
// the combined stream, else LumeD; the file's frame rate is 0 (not known). Thread-bound to its
// owner.

#include "tools/halprobe/CameraFrame.h"
#include "tools/halprobe/WindowedRecording.h"

#include "FileIO/X2DIO/X2DExport.h"

#include <set>
#include <string>

namespace HalProbe
{
class X2DRecorder final : public WindowedRecording<X2DIO::VX2DCameraFrame>
{
public:
    static constexpr std::int32_t kRecordedSensorSize = 65536;

    explicit X2DRecorder(std::string path);
    // Finishes the file.
    ~X2DRecorder() override;

    void Add(const CameraFrame& frame);

private:
    bool Open(const std::vector<std::uint32_t>& devices) override;
    bool Write(std::uint32_t number,
               const std::vector<const X2DIO::VX2DCameraFrame*>& parts) override;
    bool Close() override;
    void Join(X2DIO::VX2DCameraFrame& held, X2DIO::VX2DCameraFrame part) override;

    const std::string path_;
    X2DIO::VX2DExport file_;
    std::set<std::uint32_t> combinedStreamCameras_;
};
} // namespace HalProbe
