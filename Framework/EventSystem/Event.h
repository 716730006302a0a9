#pragma once
// Events carried to the event thread (the Qt main thread) by the event manager. An event
// is cloned when it is submitted; the manager owns the clone until it has been dispatched.
// Thread rules: an event is built on any thread, then touched only on the event thread.

#include <memory>

class IEventManager;

class IEvent
{
public:
    virtual ~IEvent() = default;
    // False refuses the event, which is then destroyed.
    virtual bool OnSubmit(IEventManager& /*manager*/) { return true; }
    // False: the event has been handled already and needs no handler.
    virtual bool OnBeforeDispatch(IEventManager& /*manager*/) { return true; }
    virtual void OnAfterDispatch() {}
    // True: post the same event again after dispatch instead of destroying it.
    virtual bool ShouldRepost(IEventManager& /*manager*/) { return false; }
    // Non-zero delays the delivery by that many milliseconds.
    virtual unsigned GetDelayMs() const { return 0; }
    virtual IEvent* Clone() const = 0;
};

// Marks events that may be dispatched while another dispatch is in progress, instead of
// waiting behind it.
class INestableEvent
{
public:
    virtual ~INestableEvent() = default;
};

// Carries an object to be destroyed on the event thread: dispatching it only destroys the
// object. Its clone takes the object over, so the submitter's copy never destroys it.
class VDestroyableEvent : public IEvent
{
public:
    template <class T>
    explicit VDestroyableEvent(std::unique_ptr<T> object) : object_(std::move(object))
    {
    }
    VDestroyableEvent* Clone() const override { return new VDestroyableEvent(std::move(object_)); }
    void DestroyObject() { object_.reset(); }

private:
    explicit VDestroyableEvent(std::shared_ptr<void> object) : object_(std::move(object)) {}

    mutable std::shared_ptr<void> object_;
};
