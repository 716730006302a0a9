#pragma once
// The custom header (identifier 0) of an X2D file that describes the recorded cameras: the
// camera frame rate and one CameraInfo per camera, in the order of the camera records of
// every frame.
//
// Thread rules: thread-bound to the reader or writer it is registered with; copies are
// independent values.

#include "FileIO/FramePlugins.h"
#include "FileIO/X2DIO/CameraInfo.h"

#include <optional>
#include <vector>

namespace X2DIO
{
// The field lists this header writes: the header itself and each camera. Writers may add
// fields; fields without data are written as filler.
struct VCameraInfoFormats
{
    VDataFormatInfo header;
    VDataFormatInfo camera;

    static VCameraInfoFormats Default();
};

class VCameraInfoHeader : public ICustomHeader
{
public:
    static constexpr std::int16_t kIdentifier = 0;

    explicit VCameraInfoHeader(VCameraInfoFormats formats = VCameraInfoFormats::Default());

    std::int16_t GetIdentifier() const override { return kIdentifier; }
    bool Read(VBoundedReader& reader) override;
    void Write(VByteWriter& writer) const override;

    // Hz; 0 when the file has no camera information.
    double GetFrameRate() const { return frameRate_; }
    void SetFrameRate(double rate) { frameRate_ = rate; }
    const std::vector<CameraInfo>& GetCameras() const { return cameras_; }
    void SetCameras(std::vector<CameraInfo> cameras) { cameras_ = std::move(cameras); }
    // For writers of damaged files: the list claims `count` cameras, whatever it holds.
    void ClaimCameraCount(std::uint32_t count) { claimedCount_ = count; }

private:
    bool ReadCameraList(VBoundedReader& reader);
    bool ReadCameras(VBoundedReader& reader);
    void WriteCameraList(VByteWriter& writer) const;

    VCameraInfoFormats formats_;
    double frameRate_ = 0.0;
    std::vector<CameraInfo> cameras_;
    std::optional<std::uint32_t> claimedCount_;
};
} // namespace X2DIO
