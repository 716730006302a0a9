#include "tools/halprobe/X2DRecorder.h"

#include "tools/halprobe/RecordedParts.h"

#include <utility>

namespace HalProbe
{
namespace
{
constexpr const char* kCombinedStreamType = "SorrelMV";
constexpr const char* kSeparateStreamsType = "LumeD";
} // namespace

X2DRecorder::X2DRecorder(std::string path) : path_(std::move(path)) {}

X2DRecorder::~X2DRecorder()
{
    Finish();
}

void X2DRecorder::Add(const CameraFrame& frame)
{
    if (frame.stream == CameraStream::Combined)
        combinedStreamCameras_.insert(frame.deviceId);
    AddPart(frame.deviceId, frame.frameNumber, ToCameraRecord(frame));
}

bool X2DRecorder::Open(const std::vector<std::uint32_t>& devices)
{
    X2DIO::VX2DHeaderDescription header;
    for (std::uint32_t device : devices)
    {
        X2DIO::CameraInfo camera;
        camera.identifier = std::int32_t(device);
        camera.sensorWidth = camera.sensorHeight = kRecordedSensorSize;
        camera.typeName =
            combinedStreamCameras_.count(device) ? kCombinedStreamType : kSeparateStreamsType;
        header.cameras.push_back(camera);
    }
    return file_.Open(path_, header);
}

bool X2DRecorder::Write(std::uint32_t number,
                        const std::vector<const X2DIO::VX2DCameraFrame*>& parts)
{
    X2DIO::VX2DFrame frame;
    frame.number = std::int32_t(number);
    for (const X2DIO::VX2DCameraFrame* part : parts)
        frame.cameras.push_back(part ? *part : X2DIO::VX2DCameraFrame());
    return file_.WriteFrame(frame);
}

bool X2DRecorder::Close()
{
    return file_.Close();
}

void X2DRecorder::Join(X2DIO::VX2DCameraFrame& held, X2DIO::VX2DCameraFrame part)
{
    JoinCameraRecord(held, std::move(part));
}
} // namespace HalProbe
