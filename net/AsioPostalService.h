#pragma once
// The postal service owns the one shared asynchronous I/O service of the emulator and
// the named worker threads that run its handlers: every device socket and timer is
// created on it, so all their completion handlers run on these workers.
//
// Thread rules: thread-safe. `mutex_` guards the started state (`work_`, `threads_`);
// Post() and the I/O service are thread-safe by themselves and take no lock here.

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Qelt
{
class IPostalService
{
public:
    using Callback = std::function<void(void*)>;

    // Queues one call of callback(argument); it runs later on a worker, never inside Post.
    virtual void Post(const Callback& callback, void* argument) = 0;
    virtual ~IPostalService() = default;
};

class IAsioPostalService : public IPostalService
{
public:
    virtual boost::asio::io_context* GetIoService() = 0;
    virtual std::shared_ptr<boost::asio::io_context> GetIoServiceShared() = 0;
};
} // namespace Qelt

namespace NotificationSystem
{
class VAsioPostalService : public Qelt::IAsioPostalService
{
public:
    explicit VAsioPostalService(std::string name);
    ~VAsioPostalService() override;

    // Starts `threadCount` workers named `name` followed by their index. False if the
    // service is already started or `threadCount` is 0.
    bool Start(unsigned threadCount);

    // Lets the workers finish the queued handlers, joins them (a worker that calls Stop
    // is left to end by itself) and makes the service startable again. False if stopped.
    bool Stop();

    void Post(const Callback& callback, void* argument) override;
    boost::asio::io_context* GetIoService() override { return ioService_.get(); }
    std::shared_ptr<boost::asio::io_context> GetIoServiceShared() override { return ioService_; }

private:
    using WorkGuard = boost::asio::executor_work_guard<boost::asio::io_context::executor_type>;

    void RunWorker(unsigned index);

    std::mutex mutex_;
    const std::string name_;
    std::shared_ptr<boost::asio::io_context> ioService_;
    std::unique_ptr<WorkGuard> work_;  // guarded by mutex_; present exactly while started
    std::vector<std::thread> threads_; // guarded by mutex_
};
} // namespace NotificationSystem
