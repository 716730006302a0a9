#pragma once
// Measures the latency of the whole capture chain: the hardware produces frame N, the
// host application processes it and publishes it on its CG stream, and this client,
// connected to that stream, notes when frame N comes back. Steered through its own
// parameter list: "Connected" connects or disconnects, "Clear" empties the measure and
// "Export" writes it as CSV to "File".
//
// Thread rules: construction, destruction, the parameter list and
// AllowParamValueChange() are thread-bound to the main thread; RecordSent() (the sync
// master's thread) and RecordReceived() (the stream's receive thread) are thread-safe.
// The stream's notifications run on its receive thread; a disconnection reaches the
// parameters through the event manager.

#include "Framework/EventSystem/EventManager.h"
#include "cgstream/LatencyRecorder.h"
#include "cgstream/SarnetCGStreamClient.h"
#include "params/ParamList.h"

#include <cstdint>
#include <memory>

class VFakeLumeCGClient;

// Forwards the stream's frames and its disconnection to its client.
class VFakeLumeCGClientCallback : public ISarnetCGStreamClientCallback
{
public:
    explicit VFakeLumeCGClientCallback(VFakeLumeCGClient& client) : client_(client) {}
    void OnStreamInfo(std::shared_ptr<const SarnetCGStream::VStreamInfoBundle>) override {}
    void OnFrame(std::shared_ptr<const SarnetCGStream::VFrameBundle> bundle) override;
    void OnDisconnected() override;

private:
    VFakeLumeCGClient& client_;
};

class VFakeLumeCGClient : public IParamListHandler,
                          public std::enable_shared_from_this<VFakeLumeCGClient>
{
public:
    // Parameter writes queued from other threads run on `eventManager`'s thread.
    explicit VFakeLumeCGClient(IEventManager& eventManager,
                               VLatencyRecorder::Clock clock = VLatencyRecorder::MillisecondClock);
    ~VFakeLumeCGClient() override;
    VFakeLumeCGClient(const VFakeLumeCGClient&) = delete;
    VFakeLumeCGClient& operator=(const VFakeLumeCGClient&) = delete;

    void RecordSent(std::uint32_t frameNumber) { latency_.RecordSent(frameNumber); }
    void RecordReceived(std::uint32_t frameNumber) { latency_.RecordReceived(frameNumber); }

    IParamList& GetParamList() { return *paramList_; }
    const VLatencyRecorder& GetLatency() const { return latency_; }
    VSarnetCGStreamClient& GetStreamClient() { return *streamClient_; }

    bool AllowParamValueChange(const IParamList& list, const IParam& param) override;
    // The stream has ended: "Connected" goes false, unless a new session runs by then.
    void OnStreamEnded();

private:
    void OnConnectedChanged(const IParam& connected);
    void OnExport();
    void OnClear();
    void SetFlag(const char* name, bool value);
    template <class T> T Read(const char* name) const;

    IEventManager& eventManager_;
    VLatencyRecorder latency_;
    VDestroyableHandle<IParamList> paramList_;
    std::shared_ptr<VFakeLumeCGClientCallback> callback_;
    std::unique_ptr<VSarnetCGStreamClient> streamClient_;
};
