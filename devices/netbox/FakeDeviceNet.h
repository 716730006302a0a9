#pragma once
// The network sync and analogue box ("Gridlark"): a device with general-purpose inputs and
// outputs, one analogue control card in slot 0 and an analogue clock output, answering the
// analogue commands of the command session ("samplerate", "anactl", "capture", "info").
// Three final classes differ in where their data comes from: an X1D recording, the start
// timecode of an X2D recording, or a synthetic test signal.
//
// Thread rules: as for every device. HandleDeviceCommand() runs on the I/O thread, the frame
// tick on the frame thread and the reset on the main thread; the state they share
// (`configState_`, `clockOutSet_`, `clockOutFollows_`, `startCountdown_`) is atomic, and
// parameter changes go to the main thread (SetParameter). The slot-0 source is set by
// "portset" on the I/O thread, released on the main thread and used by the frame thread:
// `sourceLock_` guards the slot and each user works on its own reference. `inCaptureLock_` keeps
// the writes of slot 0's "In Capture" from the two threads in the order they were asked for. The
// frame path reads no parameter: after every committed change the main thread publishes the box's
// settings whole (GetNetSettings(), thread-safe).

#include "devices/FakeSource.h"
#include "devices/Snapshot.h"
#include "devices/netbox/FakeDeviceGPO.h"
#include "devices/netbox/NetBoxSettings.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

class VFakeDeviceNet : public VFakeDeviceGPO
{
public:
    // Channel-configuration states of a slot.
    enum ConfigState : int
    {
        kIdle = 0,
        kChanged = 1,
        kSettling = 2,
        kRestart = 3,
    };

    // `definitions` holds the network box parameters. Runs on the main thread.
    VFakeDeviceNet(VFakeDeviceManager& manager, std::uint32_t deviceId, std::uint32_t port,
                   std::uint32_t localAddress, std::uint32_t halAddress,
                   IParamDefinitionList& definitions);

    // The reset.
    void OnConnected() override;
    // Releases the slot-0 source: no data leaves the box until the next "portset".
    void OnDisconnected() override;
    void HandleDeviceBroadcast(const std::uint8_t* data, std::size_t length) override;
    void HandleDeviceCommand(const std::string& command, std::string& reply) override;
    // The frame tick.
    void ProduceFrame() override;

    std::shared_ptr<const VNetBoxSettings> GetNetSettings() const { return settings_.Get(); }
    // The number of channels a slot captures at `rate` Hz.
    static int ChannelsForRate(double rate);

protected:
    // The frame of the slot-0 source, when there is one.
    virtual void ProduceSourceFrame(std::int32_t currentFrame, std::int32_t previousFrame);
    // Sets control card 0's type and fixes it against changes. Main thread.
    void FixCardType(const std::string& type);
    void SetCardTypeReadOnly(bool readOnly);
    // Replaces the slot-0 source (none releases it). Thread-safe.
    void SetSource(std::shared_ptr<VFakeSource> source);
    // The information text's lines after the common ones (timecode and genlock sources).
    virtual std::string GetExtraInformation() const { return ""; }
    // The value of the information text's "Slot1" line.
    virtual std::string GetSlotInformation() const { return "Analogue"; }
    void OnParameterCommitted(const IParam& param) override;
    std::string GetInformation() const;
    std::string Text(const std::string& name) const;

private:
    void HandleSampleRate(const std::vector<std::string>& words, std::string& reply);
    void SetRate(char target, int prescaler, int divisor);
    void ApplyRate(int slot, double rate, int prescaler, int divisor);
    void SetClockOut(double rate, int prescaler, int divisor);
    void HandleAnalogueControl(const std::vector<std::string>& words, std::string& reply);
    std::size_t ApplyToChannels(const std::vector<std::string>& words, std::size_t from, int slot,
                                int first, int last);
    void HandleCapture(const std::vector<std::string>& words, std::string& reply);
    void StepConfiguration(const VNetBoxSettings& settings);
    void StepCaptureCountdown(const VNetBoxSettings& settings);
    void SetInCapture(int slot, bool inCapture);

    std::atomic<int> configState_{kIdle};
    std::atomic<bool> clockOutSet_{false};
    std::atomic<bool> clockOutFollows_{false};
    std::atomic<int> startCountdown_{0};
    VSnapshot<VNetBoxSettings> settings_;
    std::mutex sourceLock_;
    std::shared_ptr<VFakeSource> source_; // guarded by sourceLock_
    std::mutex inCaptureLock_;
    bool inCaptureRequested_ = false; // guarded by inCaptureLock_
};
