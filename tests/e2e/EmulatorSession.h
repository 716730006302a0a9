#pragma once
// What the end-to-end tests of a replaying briselCL share: starting it on the test
// addresses until it is ready, and opening a device's command session once its listener is
// up. Thread-bound to the test's thread.

#include "tests/support/ChildProcess.h"
#include "tools/halprobe/CommandSession.h"
#include "tools/halprobe/ProbeError.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace BriselTest
{
constexpr const char* kEmulatorAddress = "127.0.0.1";
constexpr const char* kHalAddress = "127.0.0.2";
constexpr std::chrono::seconds kGenerous{30};

// briselCL with `trialOptions` after the address options, once it says it is ready.
inline std::unique_ptr<ChildProcess> StartEmulator(const std::vector<std::string>& trialOptions)
{
    std::vector<std::string> arguments{"-localip", kEmulatorAddress, "-halip", kHalAddress};
    arguments.insert(arguments.end(), trialOptions.begin(), trialOptions.end());
    auto process = std::make_unique<ChildProcess>(BRISELCL_PATH, arguments);
    EXPECT_TRUE(process->WaitForOutput("Press Ctrl-C to quit\n\n\n", kGenerous))
        << process->Error();
    return process;
}

// The listener comes up on the I/O thread after the devices: connect until it is there.
inline std::unique_ptr<HalProbe::CommandSession> Session(std::uint16_t port)
{
    using namespace std::chrono_literals;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    for (;;)
    {
        try
        {
            auto session = std::make_unique<HalProbe::CommandSession>(kEmulatorAddress, port, 1s);
            session->ReadGreeting(5s);
            return session;
        }
        catch (const HalProbe::ProbeError&)
        {
            if (std::chrono::steady_clock::now() > deadline)
                throw;
        }
    }
}
// Readies a device to stream as the HAL does: a "notify" opening its status records to port
// 5000, data enabled, and its data port.
inline void PrepareToStream(HalProbe::CommandSession& session, std::uint16_t port)
{
    using namespace std::chrono_literals;
    session.Run("notify a 5000 b 7", 2s);
    session.Run("datadisable false", 2s);
    session.Run("portset " + std::to_string(port), 2s);
}
} // namespace BriselTest
