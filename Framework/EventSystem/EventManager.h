#pragma once
// Moves work onto one thread, the event thread (the Qt main thread in the emulator):
// events submitted from any thread are queued, then dispatched there to the handlers
// registered for their type. Handlers are kept in a tree of event types, a more derived
// type under its base, so a handler of a base type sees the derived events too.
//
// A pending event is known by its ticket, which identifies that one submission: the queue,
// the delayed events and the carrier through the Qt queue hold tickets, never the event's
// address, so an event destroyed by RemovePending is never mistaken for a newer one that
// took its memory.
//
// An exception thrown by a handler, or by an event's own hooks (an invoked function among
// them), is logged and dispatching goes on: the other handlers still see the event, and a
// throwing event is dropped.
//
// Thread rules: Submit() and Post() are thread-safe; everything else is thread-bound to
// the event thread. `registryMutex_` (recursive, held while handlers run, so handlers may
// register and unregister) guards `root_`, `currentEvents_` and `deferredRegistrations_`;
// `pendingMutex_` guards `pending_` and `nextTicket_`. `dispatchQueue_` and
// `queueDispatching_` belong to the event thread.

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
    // Identifies one submission of a pending event.
    using Ticket = std::uint64_t;

    virtual ~IEventManager() = default;
    // Dispatches a clone of `event` at once; only on the event thread, and not while an
    // event of the same type is being dispatched (false then, nothing dispatched). A clone
    // that asks to be posted again joins the queue like a submitted event.
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
    // An event being dispatched finishes its dispatch and is then destroyed, not reposted.
    virtual void RemovePending(const EventPredicate& predicate) = 0;
    // Hands the pending event of `ticket` to the event thread's queue.
    virtual void Post(Ticket ticket) = 0;
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
    // The pending event of `ticket`, or null once it has been dispatched or removed.
    const IEvent* FindPending(Ticket ticket) const;
    // Dispatches at once when no queued dispatch is running, otherwise after it, in order.
    void DispatchQueued(Ticket ticket);
    // Dispatches the pending event of `ticket`, if it is still pending.
    void Dispatch(Ticket ticket);

private:
    struct TypeNode;
    struct Registration;
    struct DeferredRegistration;
    struct Pending
    {
        std::unique_ptr<IEvent> event;
        std::string typeName;
        bool dispatching = false;
        // Removed during its own dispatch: destroyed once that ends.
        bool removed = false;
    };

    Ticket Enter(std::unique_ptr<IEvent> event);
    IEvent* BeginDispatch(Ticket ticket);
    bool EndDispatch(Ticket ticket, bool repost);
    bool DispatchEvent(IEvent& event);
    bool RunDispatchSteps(IEvent& event);
    void DispatchToHandlers(const IEvent& event);
    void DeliverTo(TypeNode& node, const IEvent& event);
    void ApplyRegistryChanges();
    void Insert(IEventHandler* handler, std::unique_ptr<TypedEvent> type);
    bool IsTypeBeingDispatched(const IEvent& event) const;

    std::atomic<bool> queueDispatching_{false};
    std::unique_ptr<TypeNode> root_;
    mutable std::recursive_mutex registryMutex_;
    std::vector<const IEvent*> currentEvents_;
    std::atomic<std::uint64_t> dispatchCount_{0};
    std::vector<DeferredRegistration> deferredRegistrations_;
    mutable std::mutex pendingMutex_;
    std::map<Ticket, Pending> pending_;
    Ticket nextTicket_ = 1;
    std::deque<Ticket> dispatchQueue_;
};
