#pragma once
// The general-purpose inputs and outputs of a network box: four inputs, a number of outputs
// and the two remote trigger inputs, as parameters. Every change of an input is reported to
// the HAL as a GPI record on the device's data socket (nothing leaves before "notify").
//
// Thread rules: as for every device; the input observers run on the main thread and send
// through the device's thread-safe record send.

#include "devices/FakeDevice.h"

#include <array>
#include <memory>

class VFakeDeviceGPO : public VFakeDevice
{
public:
    static constexpr int kInputCount = 6; // GPI0 … GPI3, RemoteStart, RemoteStop
    static constexpr std::size_t kGpiRecordSize = 28;

    // Appends the input and output definitions, with `outputs` outputs, after the base ones.
    static void DefineParameters(IParamDefinitionList& definitions, int outputs);

    VFakeDeviceGPO(VFakeDeviceManager& manager, std::uint32_t deviceId, std::uint32_t port,
                   std::uint32_t localAddress, std::uint32_t halAddress,
                   IParamDefinitionList& definitions, std::uint32_t deviceClass);
    ~VFakeDeviceGPO() override;

    void OnGPI0Changed(bool value);
    void OnGPI1Changed(bool value);
    void OnGPI2Changed(bool value);
    void OnGPI3Changed(bool value);
    void OnRemoteStartChanged(bool value);
    void OnRemoteStopChanged(bool value);

    // The GPI record of the inputs' present states naming input `changedInput` as the one
    // that changed (none when negative), at the device's current frame. Main thread.
    std::array<std::uint8_t, kGpiRecordSize> MakeGpiRecord(int changedInput) const;

private:
    void SendGpiRecord(int changedInput);

    template <void (VFakeDeviceGPO::*Method)(bool)>
    using Observer = VFakeLumeParamObserver<VFakeDeviceGPO, bool, Method>;

    std::unique_ptr<Observer<&VFakeDeviceGPO::OnGPI0Changed>> gpi0Observer_;
    std::unique_ptr<Observer<&VFakeDeviceGPO::OnGPI1Changed>> gpi1Observer_;
    std::unique_ptr<Observer<&VFakeDeviceGPO::OnGPI2Changed>> gpi2Observer_;
    std::unique_ptr<Observer<&VFakeDeviceGPO::OnGPI3Changed>> gpi3Observer_;
    std::unique_ptr<Observer<&VFakeDeviceGPO::OnRemoteStartChanged>> remoteStartObserver_;
    std::unique_ptr<Observer<&VFakeDeviceGPO::OnRemoteStopChanged>> remoteStopObserver_;
};
