#include "devices/DeviceTelnetConnection.h"

#include "devices/FakeDevice.h"

#include <boost/algorithm/string/trim.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <cstdio>

VDeviceTelnetConnection::VDeviceTelnetConnection(std::weak_ptr<VFakeDevice> device,
                                                 boost::asio::io_context& ioService,
                                                 std::uint16_t port)
    : device_(std::move(device)), ioService_(ioService), port_(port), acceptor_(ioService),
      socket_(ioService)
{
}

std::shared_ptr<VDeviceTelnetConnection> VDeviceTelnetConnection::Self()
{
    return SharedAs<VDeviceTelnetConnection>();
}

void VDeviceTelnetConnection::OnCreated()
{
    boost::asio::post(ioService_, [self = Self()] { self->Listen(); });
}

void VDeviceTelnetConnection::Close()
{
    boost::asio::post(ioService_,
                      [self = Self()]
                      {
                          boost::system::error_code ignored;
                          self->acceptor_.close(ignored);
                          self->CloseSocket();
                      });
}

// A write in progress ends with an error; the replies it leaves are dropped then.
void VDeviceTelnetConnection::CloseSocket()
{
    boost::system::error_code ignored;
    socket_.close(ignored);
}

// A port already in use leaves the device without a session; it still works otherwise, and
// standard error names the port, since a HAL that cannot connect has nothing else to go on.
void VDeviceTelnetConnection::Listen()
{
    using boost::asio::ip::tcp;
    boost::system::error_code error;
    acceptor_.open(tcp::v4(), error);
    if (!error)
        acceptor_.set_option(tcp::acceptor::reuse_address(true), error);
    if (!error)
        acceptor_.bind(tcp::endpoint(tcp::v4(), port_), error);
    if (!error)
        acceptor_.listen(tcp::socket::max_listen_connections, error);
    if (error)
    {
        std::fprintf(stderr, "Command session port %u cannot be used: %s.\n",
                     static_cast<unsigned>(port_), error.message().c_str());
        return;
    }
    acceptor_.async_accept(socket_, [self = Self()](const boost::system::error_code& accepted)
                           { self->OnAccept(accepted); });
}

// One connection per listener: the listener closes, so a second client is refused.
void VDeviceTelnetConnection::OnAccept(const boost::system::error_code& error)
{
    if (error)
        return;
    boost::system::error_code ignored;
    acceptor_.close(ignored);
    const std::shared_ptr<VFakeDevice> device = device_.lock();
    if (!device)
        return;
    Send(device->GetGreeting() + kPrompt);
    StartRead();
}

void VDeviceTelnetConnection::StartRead()
{
    socket_.async_read_some(boost::asio::buffer(buffer_),
                            [self = Self()](const boost::system::error_code& error,
                                            std::size_t count) { self->OnRead(error, count); });
}

// The HAL closing the session (or any read error) ends it: no further read is started.
// A session closed because its client stopped reading ends the same way.
void VDeviceTelnetConnection::OnRead(const boost::system::error_code& error, std::size_t count)
{
    if (error || !socket_.is_open())
        return;
    const std::shared_ptr<VFakeDevice> device = device_.lock();
    if (!device)
        return;
    const std::string chunk(buffer_.data(), count);
    std::size_t start = 0;
    while (start < chunk.size())
    {
        const std::size_t end = std::min(chunk.find('\n', start), chunk.size());
        if (end > start && !closing_)
            AnswerLine(*device, chunk.substr(start, end - start));
        start = end + 1;
    }
    if (socket_.is_open() && !closing_)
        StartRead();
}

// A command that makes the device refuse its sessions ends this one once its reply is out.
void VDeviceTelnetConnection::AnswerLine(VFakeDevice& device, std::string line)
{
    boost::algorithm::trim_if(line, boost::algorithm::is_any_of(" \t\r\n\v\f"));
    std::string reply;
    device.HandleCommand(line, reply);
    Send(reply + kPrompt);
    closing_ = device.GetFaults().IsRefusing();
}

// Queues one reply behind those not yet written; the replies that gather while one write is
// in progress go out together in the next. A client that lets them pile up past the bound
// is not reading: its session is closed rather than left to grow without end.
void VDeviceTelnetConnection::Send(const std::string& text)
{
    if (!socket_.is_open())
        return;
    if (writing_.empty())
    {
        writing_ = text;
        return Write();
    }
    if (writing_.size() + waiting_.size() + text.size() > kMaxQueuedBytes)
        return CloseSocket();
    waiting_ += text;
}

void VDeviceTelnetConnection::Write()
{
    boost::asio::async_write(socket_, boost::asio::buffer(writing_),
                             [self = Self()](const boost::system::error_code& error, std::size_t)
                             { self->OnWritten(error); });
}

// A failed write ends the session, as a failed read does.
void VDeviceTelnetConnection::OnWritten(const boost::system::error_code& error)
{
    writing_.clear();
    if (error)
    {
        CloseSocket();
        waiting_.clear();
        return;
    }
    writing_.swap(waiting_);
    if (!writing_.empty())
        Write();
    else if (closing_)
        CloseSocket();
}
