#include "devices/BroadcastReceiver.h"

#include "net/ThreadName.h"

VBroadcastReceiver::VBroadcastReceiver(std::uint32_t localAddress, std::uint32_t halAddress,
                                       boost::asio::io_context& ioService)
    : sockets_(ioService), halAddress_(halAddress), localAddress_(localAddress)
{
}

VBroadcastReceiver::~VBroadcastReceiver()
{
    Stop();
}

void VBroadcastReceiver::Start()
{
    if (thread_)
        return;
    sockets_.Open(localAddress_, halAddress_, BroadcastCommand::kPort);
    thread_ = std::make_unique<std::thread>(&VBroadcastReceiver::ReceiveLoop, this);
}

void VBroadcastReceiver::Stop()
{
    if (!thread_)
        return;
    sockets_.Close();
    thread_->join();
    thread_.reset();
}

void VBroadcastReceiver::ReceiveLoop()
{
    NotificationSystem::NameCurrentThread("BroadcastRecv");
    for (;;)
    {
        const int count = sockets_.Receive(buffer_.data(), buffer_.size());
        if (count < 0)
            return;
        OnBroadcastCommand(buffer_.data(), static_cast<std::size_t>(count));
    }
}
