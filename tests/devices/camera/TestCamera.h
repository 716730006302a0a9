#pragma once
// A camera without sources, for tests of what every camera does: parameters, commands,
// report, preview. It records the frames it is asked for and the ports it is given.

#include "devices/camera/CameraParameters.h"
#include "devices/camera/FakeDeviceCamera.h"

#include <mutex>
#include <vector>

namespace BriselTest
{
class TestCamera : public VFakeDeviceCamera
{
public:
    TestCamera(VFakeDeviceManager& manager, IParamDefinitionList& definitions,
               std::uint32_t deviceId, std::uint32_t port, std::uint32_t localAddress,
               std::uint32_t halAddress)
        : VFakeDeviceCamera(manager, deviceId, port, localAddress, halAddress, definitions)
    {
    }

    std::string GetDescription() const override { return "Test camera"; }
    void OnPortSet(std::uint16_t port) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ports_.push_back(port);
    }
    void ProduceFrame() override {}

    std::vector<std::uint16_t> Ports() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return ports_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::uint16_t> ports_;
};

// The camera definitions every test camera of a process shares.
inline IParamDefinitionList& TestCameraDefinitions()
{
    static VParamDefinitionList definitions(VStringStd("Test camera"), VStringStd("Test camera"),
                                            VStringStd(""), VStringStd("Device"));
    if (definitions.GetDefinitionCount() == 0)
        CameraParameters::Define(definitions);
    return definitions;
}
} // namespace BriselTest
