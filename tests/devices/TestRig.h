#pragma once
// An emulator in a test process: the Qt event manager, the postal service with its I/O
// thread, a definition list with the base parameters and a device manager for the local
// address 127.0.0.1 and the HAL at 127.0.0.2, holding test devices. Built and used on the
// main thread, whose Qt loop the test runs.

#include "Framework/EventSystem/EventManagerQt.h"
#include "devices/FakeDeviceParameters.h"
#include "net/AsioPostalService.h"
#include "tests/devices/TestDevice.h"

#include <arpa/inet.h>
#include <memory>

namespace BriselTest
{
class TestRig
{
public:
    static constexpr const char* kLocal = "127.0.0.1";
    static constexpr const char* kHal = "127.0.0.2";

    TestRig()
    {
        FakeDeviceParameters::Define(definitions_);
        postalService_.Start(1);
        manager_ = std::make_unique<VFakeDeviceManager>(
            events_, ::inet_addr(kLocal), ::inet_addr(kHal), *postalService_.GetIoService());
    }
    ~TestRig() { manager_.reset(); }

    // A device whose DeviceID follows `rule` (a network box's by default), not yet connected.
    TestDevice&
    AddDevice(const VFakeDeviceManager::DeviceIdRule& rule = VFakeDeviceManager::NetworkBoxId)
    {
        return Add<TestDevice>(rule, definitions_);
    }
    // Any device class, constructed as Device(manager, args..., DeviceID, Port, addresses).
    template <class Device, class... Args>
    Device& Add(const VFakeDeviceManager::DeviceIdRule& rule, Args&&... args)
    {
        auto device = manager_->AddDevice<Device>(rule, std::forward<Args>(args)...);
        return static_cast<Device&>(*device);
    }
    // Sets "Connected" directly, as the start-up does.
    static void Connect(VFakeDevice& device, bool connected = true)
    {
        SetParamValue(*device.GetParamList().FindParam(VStringStd("Connected")), connected, false);
    }
    VFakeDeviceManager& Manager() { return *manager_; }
    // Destroys the manager and with it every device, as the program's shut-down does.
    void DestroyManager() { manager_.reset(); }

private:
    VEventManagerQt events_;
    VParamDefinitionList definitions_{VStringStd("Control"), VStringStd("Control parameters"),
                                      VStringStd("Description"), VStringStd("General")};
    NotificationSystem::VAsioPostalService postalService_{"AsioPostalService"};
    std::unique_ptr<VFakeDeviceManager> manager_;
};
} // namespace BriselTest
