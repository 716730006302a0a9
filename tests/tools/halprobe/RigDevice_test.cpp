#include "tools/halprobe/ProbeError.h"
#include "tools/halprobe/RigDiscovery.h"

#include <gtest/gtest.h>

using namespace HalProbe;

namespace
{
Announcement Awake(std::uint32_t deviceId, std::uint32_t deviceClass, std::uint8_t port)
{
    Announcement awake;
    awake.kind = Announcement::Kind::Awake;
    awake.deviceId = deviceId;
    awake.deviceClass = deviceClass;
    awake.localAddress = 0x7F000001;
    awake.port = port;
    return awake;
}

std::vector<std::pair<std::uint32_t, std::uint16_t>>
IdsAndPorts(const std::vector<RigDevice>& devices)
{
    std::vector<std::pair<std::uint32_t, std::uint16_t>> pairs;
    for (const RigDevice& device : devices)
        pairs.emplace_back(device.deviceId, device.port);
    return pairs;
}
} // namespace

// An awake packet carries only the low 8 bits of the Port; a box's DeviceID holds all of it.
TEST(RigDevices, PortsComeFromTheBoxesIdsAndTheCamerasAwakePackets)
{
    DeviceSurvey survey;
    survey.Add(Awake(0x02000101, 2, 0x01)); // Port 257
    survey.Add(Awake(0x000003E9, 0, 0x01)); // Port 1 is free
    survey.Add(Awake(0x000003EA, 0, 0x03));
    survey.Add(Awake(0x00000500, 0, 0x00)); // Port 256
    EXPECT_EQ(IdsAndPorts(RigDevices(survey)),
              (std::vector<std::pair<std::uint32_t, std::uint16_t>>{
                  {0x000003E9, 1}, {0x000003EA, 3}, {0x00000500, 256}, {0x02000101, 257}}));

    Announcement alive = Awake(0x000003EB, 0, 0);
    alive.kind = Announcement::Kind::Alive;
    survey.Add(alive);
    EXPECT_THROW(RigDevices(survey), ProbeError) << "a camera without an awake packet";
}

TEST(ChooseSyncMaster, AutoTakesTheFirstBoxOrElseTheFirstCamera)
{
    const std::vector<RigDevice> rig = {
        {0x000003E9, 0, 1, 0}, {0x02000002, 2, 2, 0}, {0x02000003, 2, 3, 0}};
    EXPECT_EQ(ChooseSyncMaster(rig, std::nullopt).deviceId, 0x02000002u);
    EXPECT_EQ(ChooseSyncMaster({rig.front()}, std::nullopt).deviceId, 0x000003E9u);
    EXPECT_EQ(ChooseSyncMaster(rig, 0x02000003).deviceId, 0x02000003u);
    EXPECT_THROW(ChooseSyncMaster(rig, 0x02000009), ProbeError);
}
