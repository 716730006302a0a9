#pragma once
// The emulated optical camera: a device with the camera's parameters, the camera commands
// of the command session, the preview switch, and the parameters that follow its type.
// The recorded and the synthetic cameras derive from it and bring the sources that send
// the camera's frames.
//
// Thread rules: as for every device. The observers (OnDeviceTypeChanged,
// OnPreviewModeChanged), OnConnected(), OnDisconnected() and `preview_` are thread-bound
// to the main thread; HandleDeviceCommand() runs on the I/O thread and only reads the
// committed parameter texts and queues writes; HandleDeviceBroadcast() runs under the
// manager's lock and queues writes. GetSettings() is thread-safe: the frame threads take
// the settings that the main thread publishes after every committed change.

#include "devices/FakeDevice.h"
#include "devices/Snapshot.h"
#include "devices/camera/CameraSettings.h"
#include "devices/camera/CameraStreams.h"

#include <array>
#include <memory>
#include <string>

class VPreviewServer;

class VFakeDeviceCamera : public VFakeDevice
{
public:
    // `definitions` holds the camera parameters. Runs on the main thread.
    VFakeDeviceCamera(VFakeDeviceManager& manager, std::uint32_t deviceId, std::uint32_t port,
                      std::uint32_t localAddress, std::uint32_t halAddress,
                      IParamDefinitionList& definitions);
    ~VFakeDeviceCamera() override;

    void OnConnected() override;
    void OnDisconnected() override;
    // PREVIEW: preview mode on for the addressed camera, off for every other one.
    void HandleDeviceBroadcast(const std::uint8_t* data, std::size_t length) override;
    void HandleDeviceCommand(const std::string& command, std::string& reply) override;

    // Observers of "DeviceType" and "PreviewMode".
    void OnDeviceTypeChanged(VStringStd type);
    void OnPreviewModeChanged(bool on);

    // The answer to "info": one "label : value" line per item.
    std::string GetDeviceReport() const;
    std::shared_ptr<const VCameraSettings> GetSettings() const { return settings_.Get(); }
    // What every datagram or trailer of frame `currentFrame` names. Thread-safe.
    CameraStreams::FrameIds GetFrameIds(std::uint32_t currentFrame,
                                        std::uint32_t previousFrame) const
    {
        return {GetDeviceID(), currentFrame, previousFrame};
    }
    // The protocol-2 datagram header of frame `currentFrame` at the current frame rate.
    // Thread-safe.
    CameraPackets::DatagramHeader GetDatagramHeader(std::uint32_t currentFrame,
                                                    std::uint32_t previousFrame) const;

protected:
    void OnParameterCommitted(const IParam& param) override;
    // The text of a committed parameter; empty for an unknown name.
    std::string Text(const char* name) const;

private:
    void SetFixedParametersReadOnly(bool readOnly);
    void SetNumber(const char* parameter, const std::string& arguments);
    void SetMode(const char* parameter, const std::array<const char*, 4>& modes,
                 const std::string& word);
    void HandleLed(const std::string& arguments);
    std::string GetStreamReport() const;

    std::unique_ptr<VPreviewServer> preview_;
    VSnapshot<VCameraSettings> settings_;
    std::unique_ptr<
        VFakeLumeParamObserver<VFakeDeviceCamera, bool, &VFakeDeviceCamera::OnPreviewModeChanged>>
        previewModeObserver_;
    std::unique_ptr<VFakeLumeParamObserver<VFakeDeviceCamera, VStringStd,
                                           &VFakeDeviceCamera::OnDeviceTypeChanged>>
        deviceTypeObserver_;
};
