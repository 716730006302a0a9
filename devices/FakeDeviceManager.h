#pragma once
// Owns every emulated device and what they share: the two addresses, the postal
// service's I/O service and the pool on which the devices produce their frames. It
// receives the HAL's broadcast commands and hands each to every device, and it is the
// hub through which the sync master drives all other devices once per frame.
//
// Thread rules: construction, loading, GetDevice() and destruction run on the main
// thread; OnBroadcastCommand() on the broadcast receive thread or the sync master's
// thread; OnMasterFrame() on the sync master's thread. `listMutex_` guards `devices_`
// and is held across broadcast dispatch and the whole per-frame fan-out, so the two
// never interleave and no device is added while either runs. It is not reentrant:
// device code called under it must not call back into the locked operations.

#include "Framework/EventSystem/EventManager.h"
#include "Utils/UtilsThreading/ThreadPool.h"
#include "devices/BroadcastReceiver.h"
#include "devices/FakeDevice.h"
#include "devices/Shared.h"

#include <boost/asio/io_context.hpp>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class VFakeDeviceManager : public VBroadcastReceiver
{
public:
    // Gives a new device its DeviceID from its Port (its 1-based place in the list).
    using DeviceIdRule = std::function<std::uint32_t(std::uint32_t port)>;
    static constexpr std::uint32_t kNetworkBoxIdFlag = 0x02000000;
    static constexpr unsigned kPoolThreads = 16;

    // Addresses in network byte order. Devices run their parameter writes on
    // `eventManager`. Starts receiving broadcast commands at once.
    VFakeDeviceManager(IEventManager& eventManager, std::uint32_t localAddress,
                       std::uint32_t halAddress, boost::asio::io_context& ioService);
    // Releases the devices, then stops the broadcast receiver, then the pool.
    ~VFakeDeviceManager() override;

    // Create the devices of one trial file; false, with nothing created, when the file
    // cannot be opened.
    bool LoadX1D(const std::string& path);
    bool LoadX2D(const std::string& path);

    // Creates one device of class `Device`, constructed as
    // Device(manager, args..., DeviceID, Port, local address, HAL address), and appends it.
    template <class Device, class... Args>
    std::shared_ptr<VFakeDevice> AddDevice(const DeviceIdRule& deviceIdOf, Args&&... args)
    {
        std::lock_guard<std::mutex> lock(listMutex_);
        return CreateDevice<Device>(deviceIdOf, std::forward<Args>(args)...);
    }

    unsigned GetDeviceCount();
    // No lock and no bound check: only for indices below GetDeviceCount() while the
    // list does not change (start-up).
    std::shared_ptr<VFakeDevice> GetDevice(unsigned index);

    // Logs the command, then hands it to every device in list order.
    void OnBroadcastCommand(const std::uint8_t* data, std::size_t length) override;

    // Runs one frame step of every device but `master` in parallel and returns when all
    // have finished, so every device advances in lock-step with the master.
    void OnMasterFrame(const VFakeDevice& master);

    IEventManager& GetEventManager() const { return eventManager_; }
    boost::asio::io_context& GetIoService() const { return ioService_; }
    std::uint32_t GetLocalAddress() const { return localAddress_; }
    std::uint32_t GetHalAddress() const { return halAddress_; }

    static std::uint32_t NetworkBoxId(std::uint32_t port) { return port | kNetworkBoxIdFlag; }
    static std::uint32_t SequentialId(std::uint32_t port) { return port; }

private:
    // The caller holds listMutex_.
    template <class Device, class... Args>
    std::shared_ptr<VFakeDevice> CreateDevice(const DeviceIdRule& deviceIdOf, Args&&... args)
    {
        const auto port = static_cast<std::uint32_t>(devices_.size() + 1);
        std::shared_ptr<VFakeDevice> device = Qelt::VSharedFinal<Device>::Create(
            *this, std::forward<Args>(args)..., deviceIdOf(port), port, localAddress_, halAddress_);
        devices_.push_back(device);
        return device;
    }

    std::mutex listMutex_;
    std::vector<std::shared_ptr<VFakeDevice>> devices_; // guarded by listMutex_
    const std::uint32_t localAddress_;
    const std::uint32_t halAddress_;
    IEventManager& eventManager_;
    UtilsThreading::VThreadPool pool_;
    boost::asio::io_context& ioService_;
};
