#pragma once
// The client side of the CG stream: connects to the host application's data stream,
// tells the server which record types it wants, pulls one frame per round trip and hands
// the parsed bundles to its callback. A socket error, a server that stops answering for
// the answer timeout, or a packet that is malformed, has the wrong magic or claims more
// than kMaxPayloadLength ends the session; the client can then be connected again.
//
// Thread rules: Connect(), Disconnect() and the destructor are thread-bound to the
// owner's thread (the main thread); SetRequestedTypes(), IsRunning() and GetLastFrame()
// are thread-safe. The session, and with it every callback notification, runs on the
// client's receive thread. `socketMutex_` guards `liveSocket_` (the descriptor Disconnect()
// shuts down) and the opening and closing of `socket_`; `lastMutex_` guards the last
// frame bundle; the request state has its own lock.

#include "cgstream/CGRequestState.h"
#include "cgstream/CGStreamPacket.h"

#include <atomic>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

class ISarnetCGStreamClientCallback
{
public:
    virtual void OnConnected() {}
    virtual void OnStreamInfo(std::shared_ptr<const SarnetCGStream::VStreamInfoBundle> bundle) = 0;
    virtual void OnFrame(std::shared_ptr<const SarnetCGStream::VFrameBundle> bundle) = 0;
    virtual void OnDisconnected() {}
    virtual ~ISarnetCGStreamClientCallback() = default;
};

class VSarnetCGStreamClient
{
public:
    static constexpr int kReceiveBufferBytes = 4194304;
    static constexpr int kLingerSeconds = 10;
    static constexpr std::chrono::milliseconds kDefaultAnswerTimeout{10000};

    explicit VSarnetCGStreamClient(std::weak_ptr<ISarnetCGStreamClientCallback> callback);
    ~VSarnetCGStreamClient();
    VSarnetCGStreamClient(const VSarnetCGStreamClient&) = delete;
    VSarnetCGStreamClient& operator=(const VSarnetCGStreamClient&) = delete;

    void SetRequestedTypes(std::set<std::uint32_t> types);
    // Starts a session with `host` at `port` on the receive thread, which resolves and
    // connects; nothing while a session runs.
    void Connect(const std::string& host, std::uint16_t port);
    // Ends the session, if any, and waits for the receive thread.
    void Disconnect();
    bool IsRunning() const { return running_.load(); }
    // How long the session waits for the rest of a packet or for the next answer.
    void SetAnswerTimeout(std::chrono::milliseconds timeout) { answerTimeout_ = timeout; }
    std::shared_ptr<const SarnetCGStream::VFrameBundle> GetLastFrame() const;

private:
    void RunSession(const std::string& host, std::uint16_t port);
    bool Open(const std::string& host, std::uint16_t port);
    bool ConnectTo(const boost::asio::ip::tcp::endpoint& endpoint);
    void Converse();
    bool AcceptOffer();
    bool ReceivePacket();
    bool ReadExactly(std::uint8_t* data, std::size_t size);
    bool ReadPayload(std::uint32_t length);
    bool DeliverPacket();
    bool SendRequests();
    void CloseSocket();
    std::shared_ptr<ISarnetCGStreamClientCallback> LockCallback() const;

    const std::weak_ptr<ISarnetCGStreamClientCallback> callback_;
    std::atomic<std::chrono::milliseconds> answerTimeout_{kDefaultAnswerTimeout};
    SarnetCGStream::VCGRequestState requests_;
    std::atomic<bool> running_{false};
    std::thread receiveThread_;
    boost::asio::io_context ioService_;
    std::mutex socketMutex_;
    bool stopRequested_ = false;
    int liveSocket_ = -1;
    boost::asio::ip::tcp::socket socket_{ioService_};
    // Receive thread only: the packet being read.
    SarnetCGStream::VPacketHeader header_;
    std::vector<std::uint8_t> payload_;
    mutable std::mutex lastMutex_;
    std::shared_ptr<const SarnetCGStream::VFrameBundle> lastFrame_;
};
