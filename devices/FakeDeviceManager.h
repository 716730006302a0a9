#pragma once
// Owns every emulated device and what they share: the two addresses, the postal
// service's I/O service and the pool on which the devices produce their frames. It
// receives the HAL's broadcast commands and hands each to every device, and it is the
// hub through which the sync master drives all other devices once per frame.
//
// Thread rules: construction, loading, GetDevice(), OnMasterChosen() and destruction run
// on the main thread; OnBroadcastCommand() on the broadcast receive thread or the sync
// master's thread; OnMasterFrame() on the sync master's thread; BetweenFrames(),
// GetCGClientCount() and GetCGClient() on any thread; AddCGClient() on the main thread.
// `listMutex_` guards `devices_` and `cgClients_` and is held across broadcast dispatch and the
// master's whole frame (its own step and every other device's), so a broadcast or a new
// frame number never lands in the middle of a frame and no device is added meanwhile. The
// thread that holds it may take it again (the master announces SYNC from inside its
// frame); pool workers running a device's step must not take it.

#include "Framework/EventSystem/EventManager.h"
#include "Utils/UtilsThreading/ThreadPool.h"
#include "cgstream/FakeLumeCGClient.h"
#include "devices/BroadcastReceiver.h"
#include "devices/EventThreadDeleter.h"
#include "devices/FakeDevice.h"
#include "devices/Shared.h"

#include <boost/asio/io_context.hpp>
#include <chrono>
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
    // Every device's command session listens on its Port + 9000, which must be a port.
    static constexpr std::size_t kMaxDevices = 65535 - VFakeDevice::kSessionPortOffset;
    static constexpr unsigned kPoolThreads = 16;
    // An X2D file is mapped in windows of this many MiB.
    static constexpr unsigned kX2DViewSizeMiB = 64;
    static constexpr int kVisibleStrobe = 1;
    // How long the shut-down waits for the I/O thread to finish what it is doing with a
    // device; far beyond any command line's handling.
    static constexpr std::chrono::seconds kIoHandlerWait{10};

    // Addresses in network byte order. Devices run their parameter writes on
    // `eventManager`. Starts receiving broadcast commands at once.
    VFakeDeviceManager(IEventManager& eventManager, std::uint32_t localAddress,
                       std::uint32_t halAddress, boost::asio::io_context& ioService);
    // Takes every device out of service (frame clock, session, announcements), whoever
    // else still holds it, then releases them, then stops the broadcast receiver and the pool.
    ~VFakeDeviceManager() override;

    // Create the devices of one trial file; false, with nothing created, when the file
    // cannot be opened. GetLoadError() then says why.
    bool LoadX1D(const std::string& path);
    bool LoadX2D(const std::string& path);
    const std::string& GetLoadError() const { return loadError_; }
    // One synthetic camera of camera type code `cameraType` with strobe kind `strobeKind`.
    void AddSynthCamera(int cameraType, int strobeKind = kVisibleStrobe);
    // One synthetic network box.
    void AddSynthNetworkBox();

    // Creates one device of class `Device`, constructed as
    // Device(manager, args..., DeviceID, Port, local address, HAL address), and appends it.
    template <class Device, class... Args>
    std::shared_ptr<VFakeDevice> AddDevice(const DeviceIdRule& deviceIdOf, Args&&... args)
    {
        std::lock_guard<std::recursive_mutex> lock(listMutex_);
        return CreateDevice<Device>(deviceIdOf, std::forward<Args>(args)...);
    }

    // One latency client, fed with every frame the sync master produces.
    std::shared_ptr<VFakeLumeCGClient> AddCGClient();
    unsigned GetCGClientCount();
    // None for an index beyond the list.
    std::shared_ptr<VFakeLumeCGClient> GetCGClient(unsigned index);

    unsigned GetDeviceCount();
    // No lock and no bound check: only for indices below GetDeviceCount() while the
    // list does not change (start-up).
    std::shared_ptr<VFakeDevice> GetDevice(unsigned index);

    // Logs the command, then hands it to every device in list order.
    void OnBroadcastCommand(const std::uint8_t* data, std::size_t length) override;

    // Runs one frame of the sync master: its own step, then the step of every other
    // device in parallel; returns when all have finished, so every device advances in
    // lock-step with the master. Then every CG client notes the frame as sent.
    void OnMasterFrame(VFakeDevice& master);

    // `master` has become the sync master: every other master becomes Slave, as a MASTER
    // broadcast naming `master` would make it, so only one frame clock ever runs.
    void OnMasterChosen(const VFakeDevice& master);

    // Runs `change` while no frame and no broadcast is in progress, so a new frame number
    // takes effect at a frame boundary, for every device of the frame alike.
    template <class Change> void BetweenFrames(Change&& change)
    {
        std::lock_guard<std::recursive_mutex> lock(listMutex_);
        change();
    }

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
        // Devices are destroyed on the main thread whoever lets them go last, since their
        // parameters are bound to it.
        std::shared_ptr<VFakeDevice> device = Qelt::VSharedFinal<Device>::CreateWithDeleter(
            VEventThreadDeleter(eventManager_), *this, std::forward<Args>(args)...,
            deviceIdOf(port), port, localAddress_, halAddress_);
        devices_.push_back(device);
        return device;
    }

    void TakeOutOfService(const std::vector<std::shared_ptr<VFakeDevice>>& devices);
    void WaitForIoHandlers();

    std::string loadError_; // main thread
    std::recursive_mutex listMutex_;
    std::vector<std::shared_ptr<VFakeDevice>> devices_;         // guarded by listMutex_
    std::vector<std::shared_ptr<VFakeLumeCGClient>> cgClients_; // guarded by listMutex_
    const std::uint32_t localAddress_;
    const std::uint32_t halAddress_;
    IEventManager& eventManager_;
    UtilsThreading::VThreadPool pool_;
    boost::asio::io_context& ioService_;
};
