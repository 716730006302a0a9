#include "Framework/EventSystem/EventManager.h"

#include <algorithm>

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
} // namespace

VEventManager::VEventManager() : root_(std::make_unique<TypeNode>()) {}

VEventManager::~VEventManager()
{
    std::lock_guard<std::mutex> lock(pendingMutex_);
    for (auto& [event, entry] : pending_)
        delete event;
    pending_.clear();
}

void VEventManager::Submit(const IEvent& event)
{
    std::unique_ptr<IEvent> clone(event.Clone());
    if (!clone->OnSubmit(*this))
        return;
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        pending_.emplace(clone.get(), std::make_pair(typeid(*clone).name(), nextTicket_++));
    }
    Post(clone.release());
}

bool VEventManager::SendNow(const IEvent& event)
{
    if (!IsEventThread())
        return false;
    std::unique_ptr<IEvent> clone(event.Clone());
    if (IsTypeBeingDispatched(*clone))
        return false;
    if (clone->OnSubmit(*this))
        Dispatch(clone.release());
    return true;
}

bool VEventManager::IsTypeBeingDispatched(const IEvent& event) const
{
    std::lock_guard<std::recursive_mutex> lock(registryMutex_);
    return std::any_of(currentEvents_.begin(), currentEvents_.end(),
                       [&](const IEvent* current) { return typeid(*current) == typeid(event); });
}

VEventManager::Ticket VEventManager::TicketOf(const IEvent* event) const
{
    std::lock_guard<std::mutex> lock(pendingMutex_);
    const auto found = pending_.find(event);
    return found == pending_.end() ? 0 : found->second.second;
}

void VEventManager::RemovePending(const EventPredicate& predicate)
{
    std::vector<IEvent*> removed;
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        for (auto entry = pending_.begin(); entry != pending_.end();)
        {
            if (!predicate(*entry->first))
            {
                ++entry;
                continue;
            }
            removed.push_back(const_cast<IEvent*>(entry->first));
            entry = pending_.erase(entry);
        }
    }
    for (IEvent* event : removed)
        delete event;
}

void VEventManager::ForgetAndDestroy(IEvent* event)
{
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        pending_.erase(event);
    }
    delete event;
}

// Events that arrive while one is being dispatched wait behind it, in arrival order. An
// event removed from the pending set meanwhile is skipped: it has been destroyed.
void VEventManager::DispatchQueued(IEvent* event, Ticket ticket)
{
    if (queueDispatching_)
    {
        dispatchQueue_.emplace_back(event, ticket);
        return;
    }
    dispatchQueue_.emplace_back(event, ticket);
    while (!dispatchQueue_.empty())
    {
        const auto [next, nextTicket] = dispatchQueue_.front();
        dispatchQueue_.pop_front();
        queueDispatching_ = true;
        if (TicketOf(next) == nextTicket)
            Dispatch(next);
        queueDispatching_ = false;
    }
}

void VEventManager::Dispatch(IEvent* event)
{
    if (auto* destroyable = dynamic_cast<VDestroyableEvent*>(event))
        destroyable->DestroyObject();
    else if (event->OnBeforeDispatch(*this))
    {
        DispatchToHandlers(*event);
        event->OnAfterDispatch();
        if (event->ShouldRepost(*this))
        {
            Post(event);
            return;
        }
    }
    ForgetAndDestroy(event);
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
            node.registrations[i].handler->HandleEvent(event);
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
