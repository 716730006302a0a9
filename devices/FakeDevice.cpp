#include "devices/FakeDevice.h"

VFakeDevice::VFakeDevice(VFakeDeviceManager& manager, std::uint32_t deviceId, std::uint32_t port,
                         std::uint32_t localAddress, std::uint32_t halAddress)
    : manager_(manager), halAddress_(halAddress), localAddress_(localAddress), deviceId_(deviceId),
      port_(port)
{
}
