#include "Framework/EventSystem/EventManager.h"

#include "Framework/EventSystem/EventSystemLog.h"

#include <algorithm>
#include <boost/core/demangle.hpp>
#include <exception>

struct VEventManager::Registration
{
    IEventHandler* handler;
    bool removed;
};

// One event type and its handlers; children are types derived from it. The root has no
// type and no handlers.
struct VEventManager::TypeNode
{
    std::unique_ptr<TypedEvent> type;
    std::vector<Registration> registrations;
    std::vector<std::unique_ptr<TypeNode>> children;
};

struct VEventManager::DeferredRegistration
{
    IEventHandler* handler;
    std::unique_ptr<TypedEvent> type;
};

namespace
{
template <class Node, class Function> void ForEachNode(Node& node, Function function)
{
    function(node);
    for (auto& child : node.children)
        ForEachNode(*child, function);
}

// Called from a catch block: one line at level 2, so it is seen without any configuration.
void LogDispatchException(const IEvent& event)
{
    std::string what = "an exception that is not a std::exception";
    try
    {
        throw;
    }
    catch (const std::exception& error)
    {
        what = error.what();
    }
    catch (...)
    {
    }
    QELT_LOG_AT(EventSystem::LogCategory(), 2, "EventSystem/EventManager", __LINE__)
        << "Exception while dispatching " << boost::core::demangle(typeid(event).name()) << ": "
        << what;
}

// A handler that throws does not keep the event from the handlers after it.
void CallHandler(IEventHandler& handler, const IEvent& event)
{
    try
    {
        handler.HandleEvent(event);
    }
    catch (...)
    {
        LogDispatchException(event);
    }
}
} // namespace

VEventManager::VEventManager() : root_(std::make_unique<TypeNode>()) {}

VEventManager::~VEventManager() = default;

void VEventManager::Submit(const IEvent& event)
{
    std::unique_ptr<IEvent> clone(event.Clone());
    if (!clone->OnSubmit(*this))
        return;
    Post(Enter(std::move(clone)));
}

bool VEventManager::SendNow(const IEvent& event)
{
    if (!IsEventThread())
        return false;
    std::unique_ptr<IEvent> clone(event.Clone());
    if (IsTypeBeingDispatched(*clone))
        return false;
    if (clone->OnSubmit(*this) && DispatchEvent(*clone))
        Post(Enter(std::move(clone)));
    return true;
}

bool VEventManager::IsTypeBeingDispatched(const IEvent& event) const
{
    std::lock_guard<std::recursive_mutex> lock(registryMutex_);
    return std::any_of(currentEvents_.begin(), currentEvents_.end(),
                       [&](const IEvent* current) { return typeid(*current) == typeid(event); });
}

// Makes the event pending under a new ticket.
VEventManager::Ticket VEventManager::Enter(std::unique_ptr<IEvent> event)
{
    std::string typeName = typeid(*event).name();
    std::lock_guard<std::mutex> lock(pendingMutex_);
    const Ticket ticket = nextTicket_++;
    pending_.emplace(ticket, Pending{std::move(event), std::move(typeName)});
    return ticket;
}

const IEvent* VEventManager::FindPending(Ticket ticket) const
{
    std::lock_guard<std::mutex> lock(pendingMutex_);
    const auto found = pending_.find(ticket);
    return found == pending_.end() ? nullptr : found->second.event.get();
}

// Destroys the removed events once the lock is released: their destructors may submit.
void VEventManager::RemovePending(const EventPredicate& predicate)
{
    std::vector<std::unique_ptr<IEvent>> removed;
    std::lock_guard<std::mutex> lock(pendingMutex_);
    for (auto entry = pending_.begin(); entry != pending_.end();)
    {
        Pending& pending = entry->second;
        if (pending.removed || !predicate(*pending.event))
        {
            ++entry;
            continue;
        }
        pending.removed = true;
        if (pending.dispatching)
        {
            ++entry;
            continue;
        }
        removed.push_back(std::move(pending.event));
        entry = pending_.erase(entry);
    }
}

// Events that arrive while one is being dispatched wait behind it, in arrival order.
void VEventManager::DispatchQueued(Ticket ticket)
{
    dispatchQueue_.push_back(ticket);
    if (queueDispatching_)
        return;
    while (!dispatchQueue_.empty())
    {
        const Ticket next = dispatchQueue_.front();
        dispatchQueue_.pop_front();
        queueDispatching_ = true;
        Dispatch(next);
        queueDispatching_ = false;
    }
}

void VEventManager::Dispatch(Ticket ticket)
{
    IEvent* event = BeginDispatch(ticket);
    if (event == nullptr)
        return;
    if (EndDispatch(ticket, DispatchEvent(*event)))
        Post(ticket);
}

// The event stays owned by the pending set while it is dispatched; RemovePending only marks
// it meanwhile.
IEvent* VEventManager::BeginDispatch(Ticket ticket)
{
    std::lock_guard<std::mutex> lock(pendingMutex_);
    const auto found = pending_.find(ticket);
    if (found == pending_.end() || found->second.dispatching)
        return nullptr;
    found->second.dispatching = true;
    return found->second.event.get();
}

// True when the event stays pending to be posted again: it asked for that and was not
// removed during its dispatch. Otherwise it is forgotten, and destroyed once the lock is
// released.
bool VEventManager::EndDispatch(Ticket ticket, bool repost)
{
    std::unique_ptr<IEvent> finished;
    std::lock_guard<std::mutex> lock(pendingMutex_);
    const auto found = pending_.find(ticket);
    Pending& pending = found->second;
    pending.dispatching = false;
    if (repost && !pending.removed)
        return true;
    finished = std::move(pending.event);
    pending_.erase(found);
    return false;
}

// Returns true when the event asks to be posted again.
bool VEventManager::DispatchEvent(IEvent& event)
{
    try
    {
        return RunDispatchSteps(event);
    }
    catch (...)
    {
        LogDispatchException(event);
        return false;
    }
}

bool VEventManager::RunDispatchSteps(IEvent& event)
{
    if (auto* destroyable = dynamic_cast<VDestroyableEvent*>(&event))
    {
        destroyable->DestroyObject();
        return false;
    }
    if (!event.OnBeforeDispatch(*this))
        return false;
    DispatchToHandlers(event);
    event.OnAfterDispatch();
    return event.ShouldRepost(*this);
}

void VEventManager::DispatchToHandlers(const IEvent& event)
{
    std::lock_guard<std::recursive_mutex> lock(registryMutex_);
    currentEvents_.push_back(&event);
    DeliverTo(*root_, event);
    ++dispatchCount_;
    currentEvents_.pop_back();
    if (currentEvents_.empty())
        ApplyRegistryChanges();
}

// Calls the node's handlers, then goes into each child whose type the event is a kind
// of, but no deeper than the node of the event's exact type.
void VEventManager::DeliverTo(TypeNode& node, const IEvent& event)
{
    for (std::size_t i = 0; i < node.registrations.size(); ++i)
        if (!node.registrations[i].removed)
            CallHandler(*node.registrations[i].handler, event);
    if (node.type && node.type->IsExactly(event))
        return;
    for (std::size_t i = 0; i < node.children.size(); ++i)
        if (node.children[i]->type->IsKindOf(event))
            DeliverTo(*node.children[i], event);
}

// Removals and registrations made during a dispatch take effect once it is over, the
// registrations in the order they were made.
void VEventManager::ApplyRegistryChanges()
{
    ForEachNode(*root_,
                [](TypeNode& node)
                {
                    auto& registrations = node.registrations;
                    registrations.erase(std::remove_if(registrations.begin(), registrations.end(),
                                                       [](const Registration& r)
                                                       { return r.removed; }),
                                        registrations.end());
                });
    std::vector<DeferredRegistration> deferred;
    deferred.swap(deferredRegistrations_);
    for (DeferredRegistration& registration : deferred)
        Insert(registration.handler, std::move(registration.type));
}

void VEventManager::Register(IEventHandler* handler, TypedEvent* type)
{
    std::unique_ptr<TypedEvent> ownedType(type);
    std::lock_guard<std::recursive_mutex> lock(registryMutex_);
    if (!currentEvents_.empty())
    {
        deferredRegistrations_.push_back({handler, std::move(ownedType)});
        return;
    }
    Insert(handler, std::move(ownedType));
}

// Finds or creates the node of `type` below the most derived type it is a kind of, and
// moves under a new node the existing siblings that derive from it.
void VEventManager::Insert(IEventHandler* handler, std::unique_ptr<TypedEvent> type)
{
    const IEvent& prototype = type->GetPrototype();
    TypeNode* parent = root_.get();
    for (bool descended = true; descended;)
    {
        descended = false;
        for (auto& child : parent->children)
        {
            if (child->type->IsExactly(prototype))
            {
                child->registrations.push_back({handler, false});
                handler->OnRegistered(*this);
                return;
            }
            if (child->type->IsKindOf(prototype))
            {
                parent = child.get();
                descended = true;
                break;
            }
        }
    }
    auto node = std::make_unique<TypeNode>();
    auto& siblings = parent->children;
    for (auto child = siblings.begin(); child != siblings.end();)
    {
        if (!type->IsKindOf((*child)->type->GetPrototype()))
        {
            ++child;
            continue;
        }
        node->children.push_back(std::move(*child));
        child = siblings.erase(child);
    }
    node->type = std::move(type);
    node->registrations.push_back({handler, false});
    siblings.push_back(std::move(node));
    handler->OnRegistered(*this);
}

void VEventManager::Unregister(IEventHandler* handler)
{
    std::lock_guard<std::recursive_mutex> lock(registryMutex_);
    const bool dispatching = !currentEvents_.empty();
    ForEachNode(*root_,
                [&](TypeNode& node)
                {
                    for (Registration& registration : node.registrations)
                        registration.removed =
                            registration.removed || registration.handler == handler;
                });
    deferredRegistrations_.erase(std::remove_if(deferredRegistrations_.begin(),
                                                deferredRegistrations_.end(),
                                                [&](const DeferredRegistration& registration)
                                                { return registration.handler == handler; }),
                                 deferredRegistrations_.end());
    if (!dispatching)
        ApplyRegistryChanges();
    handler->OnAllRegistrationsRemoved(*this);
}

unsigned VEventManager::GetHandlerCount() const
{
    std::lock_guard<std::recursive_mutex> lock(registryMutex_);
    unsigned count = 0;
    ForEachNode(*root_,
                [&](const TypeNode& node)
                {
                    count += static_cast<unsigned>(
                        std::count_if(node.registrations.begin(), node.registrations.end(),
                                      [](const Registration& r) { return !r.removed; }));
                });
    return count;
}
