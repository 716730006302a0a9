#include "net/AsioPostalService.h"

#include "net/ThreadName.h"

#include <boost/asio/post.hpp>

namespace NotificationSystem
{
VAsioPostalService::VAsioPostalService(std::string name)
    : name_(std::move(name)), ioService_(std::make_shared<boost::asio::io_context>())
{
}

VAsioPostalService::~VAsioPostalService()
{
    Stop();
}

bool VAsioPostalService::Start(unsigned threadCount)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (work_ || threadCount == 0)
        return false;
    work_ = std::make_unique<WorkGuard>(ioService_->get_executor());
    for (unsigned i = 0; i < threadCount; ++i)
        threads_.emplace_back(&VAsioPostalService::RunWorker, this, i);
    return true;
}

// An error escaping run() ends the process, as an unrecoverable fault of the I/O layer.
// The worker holds its own reference to the I/O service: a worker that stopped the
// service is detached and may still be leaving run() when the service is destroyed.
void VAsioPostalService::RunWorker(unsigned index)
{
    NameCurrentThread(name_ + std::to_string(index));
    const std::shared_ptr<boost::asio::io_context> ioService = ioService_;
    ioService->run();
}

bool VAsioPostalService::Stop()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!work_)
        return false;
    work_.reset();
    bool calledByWorker = false;
    for (std::thread& thread : threads_)
    {
        const bool isCaller = thread.get_id() == std::this_thread::get_id();
        calledByWorker = calledByWorker || isCaller;
        isCaller ? thread.detach() : thread.join();
    }
    threads_.clear();
    // The I/O service may only be reset once no run() is left; a worker that stopped
    // the service is still inside its own.
    if (!calledByWorker)
        ioService_->restart();
    return true;
}

void VAsioPostalService::Post(const Callback& callback, void* argument)
{
    boost::asio::post(*ioService_, [callback, argument] { callback(argument); });
}
} // namespace NotificationSystem
