#include "tools/trialtool/X2DReport.h"

#include "FileIO/X2DIO/X2DImportImpl.h"
#include "FileIO/X2DIO/X2DWholeFrame.h"
#include "tools/trialtool/CameraFrameText.h"
#include "tools/trialtool/ReportText.h"

#include <cstdio>

namespace TrialTool
{
namespace
{
constexpr double kTicksPerSecond = 135000000.0;

const char* StandardName(X2DIO::TimecodeStandard standard)
{
    switch (standard)
    {
    case X2DIO::TimecodeStandard::Timecode24:
        return "24 frames/s";
    case X2DIO::TimecodeStandard::Timecode24Drift:
        return "23.976 frames/s";
    case X2DIO::TimecodeStandard::Timecode25:
        return "25 frames/s";
    case X2DIO::TimecodeStandard::Timecode30:
        return "30 frames/s";
    case X2DIO::TimecodeStandard::Timecode30Drift:
        return "29.97 frames/s";
    case X2DIO::TimecodeStandard::Timecode30Drop:
        return "29.97 frames/s drop-frame";
    case X2DIO::TimecodeStandard::Invalid:
        break;
    }
    return "no standard";
}

} // namespace

bool X2DReport::Open(const std::string& path)
{
    return reader_.Open(path, true);
}

const std::vector<std::string>& X2DReport::Errors() const
{
    return reader_.GetErrors();
}

bool X2DReport::IsSelfConsistent() const
{
    std::vector<X2DIO::CameraInfo> infos;
    reader_.GetCameraInfos(infos);
    return infos.size() == reader_.GetNumberOfCameras() && reader_.GetFramePeriod() > 0;
}

void X2DReport::PrintInfo(std::ostream& out) const
{
    out << "kind: X2D\n";
    out << "version: " << reader_.GetImpl().GetVersion() << "\n";
    PrintCameras(out);
    std::int32_t first = 0;
    std::int32_t last = 0;
    reader_.GetFrameRange(first, last);
    PrintFrameRange(reader_.GetNumberOfFrames(), first, last, out);
    PrintRate(out);
    PrintTimecode(out);
    PrintReaderErrors(reader_.GetErrors(), out);
}

void X2DReport::PrintCameras(std::ostream& out) const
{
    std::vector<X2DIO::CameraInfo> infos;
    reader_.GetCameraInfos(infos);
    out << "cameras: " << reader_.GetNumberOfCameras() << "\n";
    for (std::size_t camera = 0; camera < infos.size(); ++camera)
    {
        const X2DIO::CameraInfo& info = infos[camera];
        out << "  camera " << camera << ": identifier " << info.identifier << ", name "
            << reader_.GetCameraName(std::uint32_t(camera)) << ", type " << info.typeName
            << ", sensor " << info.sensorWidth << "x" << info.sensorHeight << "\n";
    }
}

void X2DReport::PrintRate(std::ostream& out) const
{
    const std::uint64_t period = reader_.GetFramePeriod();
    out << "frame period: " << period << " ticks of 135 MHz\n";
    if (period == 0)
        out << "frame rate: none\n";
    else
        out << "frame rate: " << FormatNumber(kTicksPerSecond / double(period), 3) << " Hz\n";
}

void X2DReport::PrintTimecode(std::ostream& out) const
{
    X2DIO::Timecode timecode;
    const bool valid = reader_.GetStartTimecode(timecode);
    char clock[16];
    std::snprintf(clock, sizeof clock, "%02u:%02u:%02u:%02u", timecode.hours, timecode.minutes,
                  timecode.seconds, timecode.frames);
    out << "start timecode: " << clock << ", " << StandardName(timecode.standard) << ", subframe "
        << timecode.subframe << " of " << timecode.subframesPerFrame << " (text \""
        << timecode.ToText() << "\")\n";
    out << "start timecode valid: " << (valid ? "yes" : "no") << "\n";
}

bool X2DReport::PrintFrame(std::int32_t frameNumber, std::ostream& out)
{
    std::size_t index = 0;
    X2DIO::VX2DWholeFrame frame;
    if (!reader_.GetImpl().GetIndexTable().FindFrameIndex(frameNumber, index) ||
        !frame.Read(reader_, std::int32_t(index)))
        return false;
    const std::uint32_t cameras = reader_.GetNumberOfCameras();
    out << "frame " << frameNumber << ": " << cameras << " cameras\n";
    for (std::uint32_t camera = 0; camera < cameras; ++camera)
    {
        out << "camera " << camera << " " << reader_.GetCameraName(camera) << "\n";
        PrintCentroids(*frame.centroidSets[camera], out);
        PrintTracks(*frame.trackSets[camera], out);
        PrintBlobs(*frame.blobSets[camera], out);
        PrintEdgePairs(*frame.edgeSets[camera], out);
    }
    return true;
}

std::string X2DReport::ExplainUnreadFrame(std::int32_t frameNumber) const
{
    std::vector<std::int32_t> numbers;
    reader_.GetFrameNumbers(numbers);
    const std::string missing = DescribeMissingFrame(frameNumber, numbers);
    if (!missing.empty())
        return missing;
    if (reader_.GetImpl().GetFrameInfoHolder() == nullptr)
        return "the file has no frame information section, so none of its frames reads to the end";
    return kNoReason;
}
} // namespace TrialTool
