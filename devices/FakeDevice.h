#pragma once
// Base of every emulated device. It holds the device's identity and parameters, brings
// the device up and down when "Connected" changes (command-session listener, announcer,
// state reset), serves the commands every device understands, keeps the UDP data socket
// on which the device reports to the HAL, reacts to the HAL's broadcast commands and,
// while it is the sync master, runs the frame clock that drives every other device.
//
// Thread rules:
// - Parameters and their observers (OnConnectionChanged, OnSyncModeChanged,
//   OnFrameNumberChanged) are thread-bound to the main thread. SetParameter() is
//   thread-safe: it hands the write to the main thread. GetParameter() and the Is.../
//   Get... state readers are thread-safe: they read mirrors that the main thread updates
//   after every committed change (`properties_` under its own lock, atomics for the
//   values the frame path reads).
// - HandleCommand() runs on the postal service's I/O thread, OnBroadcast() on the
//   broadcast receive thread or the master's sync thread, Tick() on a manager pool
//   worker, DoSyncFrame() and ProduceMasterFrame() on the sync thread. The frame counters
//   and `pendingSync_` are atomics, and every change of them outside a frame step happens
//   under the manager's list lock (broadcasts hold it; the main thread's changes take it
//   through BetweenFrames()), which the master holds for its whole frame: a new frame
//   number therefore always takes effect at a frame boundary, for every device alike.
// - Retire() and `retired_` are thread-bound to the main thread, as are RefuseSessions(),
//   OpenSession() and `refusalTimer_`; the refusal's timer only posts its end back to the
//   main thread, and Retire() cancels it, so a long refusal never keeps the I/O service busy.
// - `faults_` is thread-safe (see VDeviceFaults): the session sets it on the I/O thread,
//   the sources consult it on the frame thread, the announcer on its timer thread.
// - `deviceLock_` guards the data socket and `sessionTag_`; `syncLock_` guards
//   `syncThread_`.

#include "Framework/EventSystem/EventManager.h"
#include "devices/AwakeAndAliveServer.h"
#include "devices/DeviceFaults.h"
#include "devices/Shared.h"
#include "net/AsioUdpSocket.h"
#include "params/FakeLumeParamObserver.h"
#include "params/ParamList.h"
#include "params/PropertySet.h"

#include <atomic>
#include <boost/asio/steady_timer.hpp>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class VFakeDeviceManager;
class VDeviceTelnetConnection;
class VFramePacer;

class VFakeDevice : public Qelt::VShared, private IParamListObserver
{
public:
    static constexpr std::uint32_t kCameraClass = 0;
    static constexpr std::uint32_t kNetworkBoxClass = 2;
    static constexpr std::uint16_t kSessionPortOffset = 9000;

    // Addresses in network byte order. `definitions` starts with the base parameters.
    // Runs on the main thread.
    VFakeDevice(VFakeDeviceManager& manager, std::uint32_t deviceId, std::uint32_t port,
                std::uint32_t localAddress, std::uint32_t halAddress,
                IParamDefinitionList& definitions, std::uint32_t deviceClass);
    ~VFakeDevice() override;
    VFakeDevice(const VFakeDevice&) = delete;
    VFakeDevice& operator=(const VFakeDevice&) = delete;

    // One line naming the device for display.
    virtual std::string GetDescription() const = 0;
    virtual void OnConnected() = 0;
    virtual void OnDisconnected() = 0;
    // Broadcast commands of the families the base does not handle (and PREVIEW).
    virtual void HandleDeviceBroadcast(const std::uint8_t* data, std::size_t length) = 0;
    // Session lines the base does not recognise; the answer goes into `reply`.
    virtual void HandleDeviceCommand(const std::string& command, std::string& reply) = 0;
    // The HAL's base port for the device's data streams.
    virtual void OnPortSet(std::uint16_t port) = 0;
    // Produces and sends the data of frame GetCurrentFrame().
    virtual void ProduceFrame() = 0;
    virtual void OnNotify() {}

    // Stops the frame clock and the session before any part of the device is destroyed.
    void OnBeforeDestruction() override;
    // Takes the device out of service for good, before its manager goes: frame clock,
    // session and announcements stop, and nothing brings them back. Main thread only.
    void Retire();

    std::uint32_t GetDeviceID() const { return deviceId_; }
    std::uint32_t GetPort() const { return port_; }
    std::uint32_t GetLocalAddress() const { return localAddress_; }
    std::uint32_t GetHalAddress() const { return halAddress_; }
    std::uint32_t GetDeviceClass() const { return deviceClass_; }

    // Queues the write to the main thread (runs at once there); unknown names are ignored.
    void SetParameter(const std::string& name, bool value);
    void SetParameter(const std::string& name, int value);
    void SetParameter(const std::string& name, double value);
    void SetParameter(const std::string& name, const std::string& value);
    // The committed value; false for an unknown name or a value of another type.
    bool GetParameter(const std::string& name, bool& value) const;
    bool GetParameter(const std::string& name, int& value) const;
    bool GetParameter(const std::string& name, double& value) const;
    bool GetParameter(const std::string& name, std::string& value) const;
    // Main thread only.
    IParamList& GetParamList() { return *paramList_; }
    const IParamList& GetParamList() const { return *paramList_; }

    bool IsConnected() const { return connected_.load(); }
    bool IsEnabled() const { return enabled_.load(); }
    bool IsSystemEnabled() const { return systemEnabled_.load(); }
    bool IsPreview() const { return preview_.load(); }
    int GetSyncMode() const { return syncMode_.load(); }
    double GetSystemFrameRate() const { return systemFrameRate_.load(); }
    std::int32_t GetCurrentFrame() const { return currentFrame_.load(); }
    std::int32_t GetPreviousFrame() const { return previousFrame_.load(); }

    // Broadcast commands, exactly as received.
    void OnBroadcast(const std::uint8_t* data, std::size_t length);
    // The frame step of a device that is not the sync master.
    void Tick();
    // The sync master's own frame step: announces a pending sync, then produces the frame.
    // Run by the manager with its list lock held.
    void ProduceMasterFrame();
    // Announces `frame` to every device through the manager, as a SYNC command.
    void BroadcastSync(std::int32_t frame);

    // The faults injected into this device; off until set.
    VDeviceFaults& GetFaults() { return faults_; }
    // Applies a "fault" command's words and returns the reply: the active faults (and, for
    // "fault" alone, the usage), or why nothing changed and the usage. Thread-safe; a refusal
    // closes the session a moment later.
    std::string ApplyFault(const std::string& words);

    // Command session.
    std::string GetGreeting() const;
    void HandleCommand(const std::string& command, std::string& reply);
    void SendPortInfo();
    void SendSyncStatus();

    // Observers of "Connected", "SyncMode" and "FrameNumber".
    void OnConnectionChanged(bool connected);
    void OnSyncModeChanged(int mode);
    void OnFrameNumberChanged(int frame);

protected:
    VFakeDeviceManager& GetManager() const { return manager_; }
    boost::asio::io_context& GetIoService() const { return ioService_; }
    // Called on the main thread after every committed change of a parameter's value, once
    // the base's own view of it is current.
    virtual void OnParameterCommitted(const IParam& /*param*/) {}
    // Prints "Device %d skipped %d frames between frame numbers %d and %d" when the frame
    // being produced does not follow the one produced before it. Frame path.
    void ReportSkippedFrames() const;
    // Sends a device record on the data socket with the session tag and DeviceID filled in
    // at offsets 6 and 8; nothing while no "notify" has opened the socket. Thread-safe.
    void SendDeviceRecord(std::uint8_t* record, std::size_t length);
    // Held by device classes while they use the data socket.
    std::mutex& GetDeviceLock() { return deviceLock_; }
    VDataOutSocket& GetDataSocket() { return dataSocket_; }
    std::uint16_t GetSessionTag() const { return static_cast<std::uint16_t>(sessionTag_.load()); }

private:
    class VSyncThread;
    friend class VSyncThread;

    // The fields of one broadcast datagram, read only where they fit.
    struct BroadcastFields
    {
        const std::uint8_t* data;
        std::size_t length;
        std::optional<std::uint32_t> At(std::size_t offset) const;
    };

    void InvokeOnMainThread(std::function<void()> action);
    template <class T> void QueueParameterWrite(const std::string& name, T value);
    template <class T> bool ReadParameter(const std::string& name, T& value) const;
    void OnParamValueChanged(const IParamList& list, const IParam& param) override;
    void Mirror(const IParam& param);
    void OnReset(const BroadcastFields& fields);
    void OnMaster(const BroadcastFields& fields);
    void OnPreview(const BroadcastFields& fields);
    void ResetState();
    void GoDown();
    void GoUp();
    void OpenSession();
    void CloseSession();
    void RefuseSessions(std::chrono::milliseconds length);
    void DoSyncFrame(VFramePacer& pacer);
    void AdvanceFrame();
    void StopSyncThread();
    void StartSyncThread();
    void SetFrame(int frame);
    void HandleRecognisedCommand(const std::string& command, std::string& reply);
    void HandleBaseCommand(const std::string& keyword, const std::string& arguments);
    void HandleNotify(const std::string& arguments);
    void SendSyncStatusLocked();
    void SendPortInfoLocked();

    std::mutex deviceLock_;
    VFakeDeviceManager& manager_;
    IEventManager& eventManager_;
    boost::asio::io_context& ioService_;
    const std::uint32_t halAddress_;
    const std::uint32_t localAddress_;
    VDataOutSocket dataSocket_;
    std::atomic<std::uint32_t> sessionTag_{0};
    const std::uint32_t deviceClass_;
    const std::uint32_t deviceId_;
    const std::uint32_t port_;
    std::atomic<bool> pendingSync_{false};
    std::atomic<std::int32_t> currentFrame_{0};
    std::atomic<std::int32_t> previousFrame_{0};
    VDestroyableHandle<IParamList> paramList_;
    std::shared_ptr<VDeviceTelnetConnection> session_;
    std::shared_ptr<boost::asio::steady_timer> refusalTimer_;
    std::unique_ptr<VAwakeAndAliveServer> awakeAndAlive_;
    VPropertySet properties_;
    VDeviceFaults faults_;
    std::mutex syncLock_;
    std::unique_ptr<VSyncThread> syncThread_;
    bool connectedState_ = false;
    bool retired_ = false;
    std::atomic<bool> connected_{false};
    std::atomic<bool> enabled_{false};
    std::atomic<bool> systemEnabled_{false};
    std::atomic<bool> preview_{false};
    std::atomic<int> syncMode_{3};
    std::atomic<double> systemFrameRate_{1.0};
    std::unique_ptr<VFakeLumeParamObserver<VFakeDevice, int, &VFakeDevice::OnSyncModeChanged>>
        syncModeObserver_;
    std::unique_ptr<VFakeLumeParamObserver<VFakeDevice, bool, &VFakeDevice::OnConnectionChanged>>
        connectedObserver_;
    std::unique_ptr<VFakeLumeParamObserver<VFakeDevice, int, &VFakeDevice::OnFrameNumberChanged>>
        frameNumberObserver_;
};
