#include "Framework/EventSystem/DeferredAction.h"

VDeferredActionEventHandler::VDeferredActionEventHandler(IEventManager& manager) : manager_(manager)
{
    manager_.Register(this, new IEventManager::TemplatedTypedEvent<VDeferredActionEvent>(
                                VDeferredActionEventStub().Clone()));
}

VDeferredActionEventHandler::~VDeferredActionEventHandler()
{
    manager_.Unregister(this);
}

// Dispatch hands events over as const; executing the action is what dispatching it means.
void VDeferredActionEventHandler::HandleEvent(const IEvent& event)
{
    const auto& action = static_cast<const VDeferredActionEvent&>(event);
    const_cast<VDeferredActionEvent&>(action).Execute();
}
