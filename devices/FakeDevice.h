#pragma once
// Base of every emulated device: its identity on the network (DeviceID, Port and the
// two addresses) and the two entry points through which the device manager drives it,
// one broadcast command at a time and one frame step at a time.
//
// Thread rules: identity is fixed at construction and may be read from any thread.
// OnBroadcast() is called on the broadcast receive thread (or the sync master's thread)
// and Tick() on a manager pool worker, both while the manager holds its device-list
// lock, so the two never overlap.

#include "devices/Shared.h"

#include <cstddef>
#include <cstdint>

class VFakeDeviceManager;

class VFakeDevice : public Qelt::VShared
{
public:
    VFakeDevice(VFakeDeviceManager& manager, std::uint32_t deviceId, std::uint32_t port,
                std::uint32_t localAddress, std::uint32_t halAddress);

    // One broadcast command exactly as received: `length` bytes, which may be fewer
    // than its command's fields.
    virtual void OnBroadcast(const std::uint8_t* data, std::size_t length) = 0;
    // The frame step of a device that is not the sync master.
    virtual void Tick() = 0;

    std::uint32_t GetDeviceID() const { return deviceId_; }
    std::uint32_t GetPort() const { return port_; }
    // Both in network byte order.
    std::uint32_t GetLocalAddress() const { return localAddress_; }
    std::uint32_t GetHalAddress() const { return halAddress_; }

protected:
    VFakeDeviceManager& GetManager() const { return manager_; }

private:
    VFakeDeviceManager& manager_;
    const std::uint32_t halAddress_;
    const std::uint32_t localAddress_;
    const std::uint32_t deviceId_;
    const std::uint32_t port_;
};
