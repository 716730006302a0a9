#pragma once
// Waiting for camera frames while the test's Qt loop keeps serving the devices' parameter
// writes. Thread-bound to the test's main thread.

#include "tests/support/QtTestLoop.h"
#include "tools/halprobe/CameraStreamListener.h"

#include <chrono>
#include <functional>
#include <optional>

namespace BriselTest
{
// The first frame `wanted` picks within `timeout`, keeping up with the stream: every poll
// takes all frames that have arrived.
inline std::optional<HalProbe::CameraFrame>
NextFrameWhere(HalProbe::CameraStreamListener& listener,
               const std::function<bool(const HalProbe::CameraFrame&)>& wanted,
               std::chrono::milliseconds timeout)
{
    using namespace std::chrono_literals;
    std::optional<HalProbe::CameraFrame> found;
    QtTest::RunLoopUntil(
        [&]
        {
            while (auto received = listener.NextFrame(0ms))
                if (wanted(*received))
                    return (found = std::move(received)).has_value();
            return false;
        },
        timeout);
    return found;
}
} // namespace BriselTest
