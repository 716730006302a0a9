#pragma once
// Receivers of dispatched events. VEventHandler remembers the managers it is registered
// with and unregisters from all of them when destroyed.
// Thread rules: thread-bound to the event thread, like registration and dispatch.

#include <set>

class IEvent;
class IEventManager;

class IEventHandler
{
public:
    virtual ~IEventHandler() = default;
    virtual void OnRegistered(IEventManager& /*manager*/) {}
    // Every registration with `manager` is gone.
    virtual void OnAllRegistrationsRemoved(IEventManager& /*manager*/) {}
    virtual void HandleEvent(const IEvent& event) = 0;
};

class VEventHandler : public IEventHandler
{
public:
    ~VEventHandler() override;

    void OnRegistered(IEventManager& manager) override { managers_.insert(&manager); }
    void OnAllRegistrationsRemoved(IEventManager& manager) override { managers_.erase(&manager); }

protected:
    // Asks each manager to unregister this handler until none is left.
    void UnregisterAll();

private:
    std::set<IEventManager*> managers_;
};
