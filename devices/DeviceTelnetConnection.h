#pragma once
// The HAL's command session with one device: a TCP listener on Port + 9000 that accepts
// exactly one connection in its life, greets it, then answers every command line with the
// device's reply and the prompt "\nDovudovi $". Each read is split into lines on its own:
// nothing is carried over to the next read. Replies are written asynchronously, so a
// client that stops reading never holds up the I/O thread that every device shares; a
// client whose unread replies grow past kMaxQueuedBytes has stopped reading and loses its
// session. A command that makes the device refuse its sessions ends the session once its
// reply is written; lines after it are not answered.
//
// Thread rules: every socket operation and every field but `device_`, `ioService_` and
// `port_` is thread-bound to the postal service's I/O thread; OnCreated() and Close() may be
// called from any thread and only post work to it, in order, so a listener closed by one
// device life is gone before the next life's listener binds.

#include "devices/Shared.h"

#include <array>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <cstdint>
#include <memory>
#include <string>

class VFakeDevice;

class VDeviceTelnetConnection : public Qelt::VShared
{
public:
    static constexpr const char* kPrompt = "\nDovudovi $";
    static constexpr std::size_t kReadSize = 4096;
    // Replies the kernel could not take yet; far beyond what a client that reads its
    // replies ever leaves unread.
    static constexpr std::size_t kMaxQueuedBytes = 256 * 1024;

    VDeviceTelnetConnection(std::weak_ptr<VFakeDevice> device, boost::asio::io_context& ioService,
                            std::uint16_t port);

    // Starts listening.
    void OnCreated() override;
    // Closes the listener and any session; pending operations end without effect.
    void Close();

private:
    std::shared_ptr<VDeviceTelnetConnection> Self();
    void Listen();
    void OnAccept(const boost::system::error_code& error);
    void StartRead();
    void OnRead(const boost::system::error_code& error, std::size_t count);
    void AnswerLine(VFakeDevice& device, std::string line);
    void Send(const std::string& text);
    void Write();
    void OnWritten(const boost::system::error_code& error);
    void CloseSocket();

    std::weak_ptr<VFakeDevice> device_;
    boost::asio::io_context& ioService_;
    const std::uint16_t port_;
    boost::asio::ip::tcp::acceptor acceptor_;
    boost::asio::ip::tcp::socket socket_;
    std::array<char, kReadSize> buffer_{};
    std::string writing_;  // replies handed to the socket in one write
    std::string waiting_;  // replies that came while that write was in progress
    bool closing_ = false; // the device refuses sessions: close once the replies are out
};
