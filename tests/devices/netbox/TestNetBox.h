#pragma once
// A network box without a data source, for tests of what every box does: parameters,
// commands, information text, the frame tick and the general-purpose inputs. It counts the
// source frames it is asked for and notes the frame rate the first one saw.

#include "devices/netbox/FakeDeviceNet.h"
#include "devices/netbox/NetBoxParameters.h"

#include <atomic>

namespace BriselTest
{
class TestNetBox : public VFakeDeviceNet
{
public:
    TestNetBox(VFakeDeviceManager& manager, IParamDefinitionList& definitions,
               std::uint32_t deviceId, std::uint32_t port, std::uint32_t localAddress,
               std::uint32_t halAddress)
        : VFakeDeviceNet(manager, deviceId, port, localAddress, halAddress, definitions)
    {
    }

    std::string GetDescription() const override { return "Test box"; }
    void OnPortSet(std::uint16_t /*port*/) override {}
    int SourceFrames() const { return sourceFrames_.load(); }
    // The system frame rate the first source frame saw; 0 before it.
    double FirstFrameRate() const { return firstFrameRate_.load(); }

protected:
    void ProduceSourceFrame(std::int32_t /*currentFrame*/, std::int32_t /*previousFrame*/) override
    {
        if (sourceFrames_++ == 0)
            firstFrameRate_ = GetSystemFrameRate();
    }

private:
    std::atomic<int> sourceFrames_{0};
    std::atomic<double> firstFrameRate_{0.0};
};

// The box definitions every test box of a process shares.
inline IParamDefinitionList& TestNetBoxDefinitions()
{
    static VParamDefinitionList definitions(VStringStd("Test box"), VStringStd("Test box"),
                                            VStringStd(""), VStringStd("Device"));
    if (definitions.GetDefinitionCount() == 0)
        NetBoxParameters::Define(definitions);
    return definitions;
}
} // namespace BriselTest
