#pragma once
// The host application's side of the CG stream, for tests, benchmarks and
// "halprobe serve-cg": it accepts one client at a time on a loopback TCP port, offers its
// record types, and answers every frame request with a packet carrying a frame number
// (the stream information and, where the client asked for them, the timecode). It can
// also misbehave on purpose: close in the middle of an answer, or stop answering.
//
// Thread-safe: every member may be called from any thread; the server's own thread
// accepts and serves. `mutex_` guards the behaviour settings and what was requested.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace HalProbe
{
// A TCP listener on 127.0.0.1:`port` (0: a free port), with address reuse; throws
// ProbeError when the port cannot be had.
int ListenOnLoopback(std::uint16_t port);

class VCGStreamServer
{
public:
    using FrameSource = std::function<std::uint32_t()>;
    static constexpr unsigned kNever = ~0u;

    // Listens on 127.0.0.1:`port` (0: a free port); frames are numbered by `frames`, or
    // counted from 1 without it.
    explicit VCGStreamServer(std::uint16_t port = 0, FrameSource frames = nullptr);
    ~VCGStreamServer();
    VCGStreamServer(const VCGStreamServer&) = delete;
    VCGStreamServer& operator=(const VCGStreamServer&) = delete;

    std::uint16_t GetPort() const { return port_; }
    // What the next client is offered.
    void SetOfferedTypes(std::set<std::uint32_t> types);
    // After this many answers of a session, sends half a packet and closes.
    void CloseMidPacketAfter(unsigned answers);
    // After this many answers of a session, keeps the connection but answers nothing more.
    void StopAnsweringAfter(unsigned answers);

    // The types the client asked for last; the frames answered over all sessions.
    std::set<std::uint32_t> GetRequestedTypes() const;
    unsigned GetAnswerCount() const { return answers_.load(); }
    unsigned GetSessionCount() const { return sessions_.load(); }
    // Waits until `condition` holds or `timeout` passes; the condition is checked after
    // every change the server makes.
    bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

private:
    void Serve();
    void ServeClient(int client);
    bool Answer(int client, unsigned answered);
    bool ReadRequest(int client, std::vector<std::uint8_t>& payload);
    void NoteChange();

    int listener_ = -1;
    std::uint16_t port_ = 0;
    FrameSource frames_;
    std::atomic<bool> stopping_{false};
    std::atomic<unsigned> answers_{0};
    std::atomic<unsigned> sessions_{0};
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::set<std::uint32_t> offered_;
    std::set<std::uint32_t> requested_;
    unsigned closeMidPacketAfter_ = kNever;
    unsigned stopAnsweringAfter_ = kNever;
    std::thread thread_;
};
} // namespace HalProbe
