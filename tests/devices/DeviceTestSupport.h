#pragma once
// Waits the device tests share: each keeps the test's Qt loop running, so parameter writes
// queued to the main thread are served while the test waits.

#include "tests/devices/TestRig.h"
#include "tests/support/QtTestLoop.h"
#include "tools/halprobe/BroadcastSender.h"
#include "tools/halprobe/CommandSession.h"
#include "tools/halprobe/DataPortListener.h"
#include "tools/halprobe/ProbeError.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace BriselTest
{
// The listener starts on the I/O thread after the device came up: connect until it is there.
inline std::unique_ptr<HalProbe::CommandSession> OpenSession(std::uint16_t port)
{
    using namespace std::chrono_literals;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    for (;;)
    {
        try
        {
            return std::make_unique<HalProbe::CommandSession>(TestRig::kLocal, port, 1s);
        }
        catch (const HalProbe::ProbeError&)
        {
            if (std::chrono::steady_clock::now() > deadline)
                throw;
            QtTest::RunLoopUntil([] { return false; }, 20ms);
        }
    }
}

// Waits for the next data record while the main thread keeps serving parameter writes.
inline std::optional<HalProbe::DataRecord>
NextRecord(HalProbe::DataPortListener& data,
           std::chrono::milliseconds timeout = std::chrono::seconds(2))
{
    std::optional<HalProbe::DataRecord> record;
    QtTest::RunLoopUntil(
        [&] { return record || (record = data.Receive(std::chrono::milliseconds(1))); }, timeout);
    return record;
}

// A rig of test devices and the HAL's broadcast commands to them.
class DeviceTest : public testing::Test
{
protected:
    static constexpr std::uint32_t kBox1 = 0x02000001;

    TestDevice& ConnectedDevice()
    {
        TestDevice& device = rig_.AddDevice();
        TestRig::Connect(device);
        return device;
    }

    TestRig rig_;
    HalProbe::BroadcastSender hal_{TestRig::kHal, TestRig::kLocal};
};

template <class T> bool ParameterBecomes(const TestDevice& device, const char* name, T expected)
{
    return QtTest::RunLoopUntil(
        [&]
        {
            T value{};
            return device.GetParameter(name, value) && value == expected;
        });
}
} // namespace BriselTest
