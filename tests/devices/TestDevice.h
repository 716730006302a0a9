#pragma once
// A small device class for tests and benchmarks: it records what the device base hands to
// a device class and lets a test run code inside each frame step.

#include "devices/FakeDevice.h"
#include "devices/FakeDeviceManager.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace BriselTest
{
class TestDevice : public VFakeDevice
{
public:
    TestDevice(VFakeDeviceManager& manager, IParamDefinitionList& definitions,
               std::uint32_t deviceId, std::uint32_t port, std::uint32_t localAddress,
               std::uint32_t halAddress)
        : VFakeDevice(manager, deviceId, port, localAddress, halAddress, definitions,
                      kNetworkBoxClass)
    {
    }

    ~TestDevice() override
    {
        if (onDestroyed)
            onDestroyed();
    }

    std::string GetDescription() const override { return "Test: " + std::to_string(GetDeviceID()); }
    void OnConnected() override { Record("connected"); }
    void OnDisconnected() override { Record("disconnected"); }
    void HandleDeviceBroadcast(const std::uint8_t*, std::size_t length) override
    {
        Record("broadcast " + std::to_string(length));
    }
    void HandleDeviceCommand(const std::string& command, std::string& reply) override
    {
        ++deviceCommands;
        if (onCommand)
            onCommand(command);
        reply = "unknown [" + command + "]";
    }
    void OnPortSet(std::uint16_t port) override { Record("portset " + std::to_string(port)); }
    void ProduceFrame() override
    {
        if (onFrame)
            onFrame(*this);
        std::lock_guard<std::mutex> lock(mutex_);
        frames_.push_back(GetCurrentFrame());
    }

    std::vector<std::string> Events() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    std::vector<std::int32_t> Frames() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return frames_;
    }

    // Runs inside ProduceFrame(), on the thread that produces the frame; set before frames run.
    std::function<void(TestDevice&)> onFrame;
    // Runs inside HandleDeviceCommand(), on the I/O thread; set before the session starts.
    std::function<void(const std::string&)> onCommand;
    // Session lines handed to the device class.
    std::atomic<int> deviceCommands{0};
    // Runs when the device is destroyed, on the destroying thread.
    std::function<void()> onDestroyed;

private:
    void Record(std::string event)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(std::move(event));
    }

    mutable std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<std::int32_t> frames_;
};
} // namespace BriselTest
