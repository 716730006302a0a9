#pragma once
// Moves work onto one thread, the event thread (the Qt main thread in the emulator):
// events submitted from any thread are queued, then dispatched there to the handlers
// registered for their type. Handlers are kept in a tree of event types, a more derived
// type under its base, so a handler of a base type sees the derived events too.
//
// Thread rules: Submit() and Post() are thread-safe; everything else is thread-bound to
// the event thread. `registryMutex_` (recursive, held while handlers run, so handlers may
// register and unregister) guards `root_`, `currentEvents_` and `deferredRegistrations_`;
// `pendingMutex_` guards `pending_`. `dispatchQueue_` and `queueDispatching_` belong to
// the event thread.

#include "Framework/EventSystem/Event.h"
#include "Framework/EventSystem/EventHandler.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <typeinfo>
#include <vector>

class IEventManager
{
public:
    // Identifies one event type for registration by a prototype event of that type.
    class TypedEvent
    {
    public:
        virtual ~TypedEvent() = default;
        // The event is of this type or derived from it.
        virtual bool IsKindOf(const IEvent& event) const = 0;
        // The event has exactly the prototype's dynamic type.
        virtual bool IsExactly(const IEvent& event) const = 0;
        virtual const IEvent& GetPrototype() const = 0;
    };

    template <class T> class TemplatedTypedEvent : public TypedEvent
    {
    public:
        // Takes ownership of `prototype`.
        explicit TemplatedTypedEvent(T* prototype) : prototype_(prototype) {}
        bool IsKindOf(const IEvent& event) const override
        {
            return dynamic_cast<const T*>(&event) != nullptr;
        }
        bool IsExactly(const IEvent& event) const override
        {
            return typeid(event) == typeid(*prototype_);
        }
        const IEvent& GetPrototype() const override { return *prototype_; }

    private:
        std::unique_ptr<T> prototype_;
    };

    using EventPredicate = std::function<bool(const IEvent&)>;

    virtual ~IEventManager() = default;
    // Dispatches a clone of `event` at once; only on the event thread, and not while an
    // event of the same type is being dispatched (false then, nothing dispatched).
    virtual bool SendNow(const IEvent& event) = 0;
    // Queues a clone of `event` for dispatch on the event thread; the caller keeps its own.
    virtual void Submit(const IEvent& event) = 0;
    // Dispatches the delayed events that have fallen due.
    virtual void ProcessDueEvents() = 0;
    virtual void Unregister(IEventHandler* handler) = 0;
    virtual unsigned GetHandlerCount() const = 0;
    virtual std::uint64_t GetDispatchCount() const = 0;
    virtual bool IsDispatching() const = 0;
    virtual bool IsEventThread() const = 0;
    // Takes ownership of `type`. During a dispatch the registration is applied when the
    // outermost dispatch ends, so the handler does not see the event being dispatched.
    virtual void Register(IEventHandler* handler, TypedEvent* type) = 0;
    // Destroys every pending event for which `predicate` is true: it will not be dispatched.
    virtual void RemovePending(const EventPredicate& predicate) = 0;
    // Hands a pending event to the event thread's queue.
    virtual void Post(IEvent* event) = 0;
};

class VEventManager : public IEventManager
{
public:
    VEventManager();
    // Destroys the events still pending: they are never delivered.
    ~VEventManager() override;
    VEventManager(const VEventManager&) = delete;
    VEventManager& operator=(const VEventManager&) = delete;

    bool SendNow(const IEvent& event) override;
    void Submit(const IEvent& event) override;
    void Unregister(IEventHandler* handler) override;
    unsigned GetHandlerCount() const override;
    std::uint64_t GetDispatchCount() const override { return dispatchCount_.load(); }
    bool IsDispatching() const override { return queueDispatching_.load(); }
    void Register(IEventHandler* handler, TypedEvent* type) override;
    void RemovePending(const EventPredicate& predicate) override;

protected:
    // Identifies one submission of a pending event, so that a stale reference to an event
    // destroyed by RemovePending is never mistaken for a newer event at the same address.
    using Ticket = std::uint64_t;

    // The ticket of a pending event, or 0 when it is no longer pending.
    Ticket TicketOf(const IEvent* event) const;
    // Dispatches at once when no queued dispatch is running, otherwise after it, in order.
    void DispatchQueued(IEvent* event, Ticket ticket);
    void Dispatch(IEvent* event);

private:
    struct TypeNode;
    struct Registration;
    struct DeferredRegistration;

    void DispatchToHandlers(const IEvent& event);
    void DeliverTo(TypeNode& node, const IEvent& event);
    void ApplyRegistryChanges();
    void Insert(IEventHandler* handler, std::unique_ptr<TypedEvent> type);
    bool IsTypeBeingDispatched(const IEvent& event) const;
    void ForgetAndDestroy(IEvent* event);

    std::atomic<bool> queueDispatching_{false};
    std::unique_ptr<TypeNode> root_;
    mutable std::recursive_mutex registryMutex_;
    std::vector<const IEvent*> currentEvents_;
    std::atomic<std::uint64_t> dispatchCount_{0};
    std::vector<DeferredRegistration> deferredRegistrations_;
    mutable std::mutex pendingMutex_;
    std::map<const IEvent*, std::pair<std::string, Ticket>> pending_;
    Ticket nextTicket_ = 1; // guarded by pendingMutex_
    std::deque<std::pair<IEvent*, Ticket>> dispatchQueue_;
};
