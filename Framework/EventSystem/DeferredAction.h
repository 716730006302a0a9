#pragma once
// Deferred actions: events that carry their own work, executed on the event thread by the
// one VDeferredActionEventHandler that the program registers for them.
// Thread rules: events are submitted from any thread; the handler is thread-bound to the
// event thread.

#include "Framework/EventSystem/EventHandler.h"
#include "Framework/EventSystem/EventManager.h"

class VDeferredActionEvent : public IEvent
{
public:
    VDeferredActionEvent* Clone() const override = 0;
    virtual void Execute() = 0;
};

// The prototype that identifies the deferred-action type in the handler registry.
class VDeferredActionEventStub : public VDeferredActionEvent
{
public:
    VDeferredActionEventStub* Clone() const override { return new VDeferredActionEventStub; }
    void Execute() override {}
};

class VDeferredActionEventHandler : public VEventHandler
{
public:
    explicit VDeferredActionEventHandler(IEventManager& manager);
    ~VDeferredActionEventHandler() override;
    VDeferredActionEventHandler(const VDeferredActionEventHandler&) = delete;
    VDeferredActionEventHandler& operator=(const VDeferredActionEventHandler&) = delete;

    void HandleEvent(const IEvent& event) override;

private:
    IEventManager& manager_;
};
