#include "cgstream/CGStreamRecords.h"

#include <algorithm>
#include <initializer_list>

namespace SarnetCGStream
{
namespace
{
bool IsOneOf(std::uint32_t type, std::initializer_list<std::uint32_t> types)
{
    return std::find(types.begin(), types.end(), type) != types.end();
}
} // namespace

bool IsStreamInfoRecord(std::uint32_t type)
{
    return IsOneOf(type, {kStreamInfo, kSubjectInfo, kDeviceInfo, kChannelInfo, kCameraInfo,
                          kCameraCalibrationInfo, kForcePlateInfo, kCameraCalibrationHealth,
                          kSubjectTopology, kSubjectHealth, kEyeTrackerInfo, kChannelInfoExtra});
}

bool IsFrameRecord(std::uint32_t type)
{
    return (type >= kFrameInfo && type <= kVoltageFrame) ||
           (type >= kCentroidTracks && type <= kEdgePairs) ||
           IsOneOf(type, {kVideoFrame, kTimecode, kLatencyInfo, kCameraWand2d, kCameraWand3d,
                          kEyeTrackerFrame, kHardwareFrameInfo});
}

// The count is checked against the bytes that are there before anything is read, so a
// lying count costs nothing.
bool VObjectEnums::Read(VPayloadReader& reader)
{
    std::uint32_t count = 0;
    if (!reader.ReadU32(count) || reader.Remaining() / 4 < count)
        return false;
    types.clear();
    for (std::uint32_t i = 0; i < count; ++i)
    {
        std::uint32_t type = 0;
        reader.ReadU32(type);
        types.insert(type);
    }
    return true;
}

void VObjectEnums::Write(VPayloadWriter& writer) const
{
    writer.WriteU32(static_cast<std::uint32_t>(types.size()));
    for (std::uint32_t type : types)
        writer.WriteU32(type);
}

bool VRequestFrame::Read(VPayloadReader& reader)
{
    std::uint8_t flag = 0;
    if (!reader.ReadU8(flag))
        return false;
    streaming = flag != 0;
    return true;
}

bool VTimecode::Read(VPayloadReader& reader)
{
    return reader.ReadU8(hours) && reader.ReadU8(minutes) && reader.ReadU8(seconds) &&
           reader.ReadU8(frames) && reader.ReadU16(subFrame) && reader.ReadU16(standard) &&
           reader.ReadU32(subFramesPerFrame) && reader.ReadU32(userBits) &&
           reader.ReadU8(fieldFlag);
}

void VTimecode::Write(VPayloadWriter& writer) const
{
    writer.WriteU8(hours);
    writer.WriteU8(minutes);
    writer.WriteU8(seconds);
    writer.WriteU8(frames);
    writer.WriteU16(subFrame);
    writer.WriteU16(standard);
    writer.WriteU32(subFramesPerFrame);
    writer.WriteU32(userBits);
    writer.WriteU8(fieldFlag);
}

bool VStartMulticastSender::Read(VPayloadReader& reader)
{
    return reader.ReadU32(serverAddress) && reader.ReadU32(multicastAddress) &&
           reader.ReadU16(port);
}

void VStartMulticastSender::Write(VPayloadWriter& writer) const
{
    writer.WriteU32(serverAddress);
    writer.WriteU32(multicastAddress);
    writer.WriteU16(port);
}

bool VContents::Read(VPayloadReader& reader)
{
    payload.clear();
    std::uint8_t byte = 0;
    while (reader.ReadU8(byte))
        payload.push_back(byte);
    return true;
}

void VContents::Write(VPayloadWriter& writer) const
{
    for (std::uint8_t byte : payload)
        writer.WriteU8(byte);
}
} // namespace SarnetCGStream
