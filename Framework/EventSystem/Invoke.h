#pragma once
// Runs a function on the event thread: at once when already there, otherwise through an
// event that runs the function as it is dispatched (before any handler would see it).
// Device code on network and worker threads changes parameters this way, so parameters
// and their observers are only ever touched on the main thread. Invoke() is thread-safe.

#include "Framework/EventSystem/EventManager.h"

#include <functional>
#include <memory>

namespace EventSystem
{
class InvokeDetailsBase
{
public:
    virtual ~InvokeDetailsBase() = default;
    virtual void Run() = 0;
};

class InvokeDetails : public InvokeDetailsBase
{
public:
    explicit InvokeDetails(std::function<void()> function) : function_(std::move(function)) {}
    void Run() override { function_(); }

private:
    std::function<void()> function_;
};

// Runs its function in OnBeforeDispatch and answers false, so no handler is called.
class InvokeEvent : public IEvent
{
public:
    explicit InvokeEvent(std::shared_ptr<InvokeDetailsBase> details) : details_(std::move(details))
    {
    }
    bool OnBeforeDispatch(IEventManager& manager) override;
    InvokeEvent* Clone() const override { return new InvokeEvent(details_); }

private:
    std::shared_ptr<InvokeDetailsBase> details_;
};

// An empty function is refused at once with std::bad_function_call, on the caller's
// thread, rather than later on the event thread. An exception thrown by a function run
// later is logged by the event manager, which goes on with the next event; one run at once
// reaches the caller, as a direct call would.
void Invoke(IEventManager& manager, std::function<void()> function);
} // namespace EventSystem
