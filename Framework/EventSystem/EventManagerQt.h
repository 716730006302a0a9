#pragma once
// The event manager bound to the Qt event loop: events travel to the manager's thread
// through the Qt queue as VEventQt (the first user event type), and delayed events wait
// in a map of due times served by one Qt timer, re-armed for the earliest entry.
//
// Thread rules: created on the event thread, whose Qt loop delivers the events; Post()
// is thread-safe (Qt's postEvent is). `delayed_` and `timerId_` belong to the event thread.

#include "Framework/EventSystem/EventManager.h"

#include <QEvent>
#include <QObject>
#include <chrono>
#include <map>

class VEventQt : public QEvent
{
public:
    static constexpr QEvent::Type kType = QEvent::User;

    explicit VEventQt(IEvent* event) : QEvent(kType), event_(event) {}
    IEvent* GetEvent() const { return event_; }

private:
    IEvent* event_;
};

class VEventManagerQt : public QObject, public VEventManager
{
public:
    VEventManagerQt();
    ~VEventManagerQt() override;

    bool IsEventThread() const override;
    void Post(IEvent* event) override;
    void ProcessDueEvents() override;

protected:
    bool event(QEvent* event) override;

private:
    using Clock = std::chrono::steady_clock;
    struct DelayedEvent
    {
        IEvent* event;
        Ticket ticket;
    };

    void Receive(IEvent* event);
    void Delay(IEvent* event, Ticket ticket, unsigned delayMs);
    void ArmTimerForEarliest();

    std::multimap<Clock::time_point, DelayedEvent> delayed_;
    int timerId_ = 0;
};
