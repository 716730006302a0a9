#pragma once
// The event manager bound to the Qt event loop: events travel to the manager's thread
// through the Qt queue as the tickets that VEventQt (the first user event type) carries,
// and delayed events wait in a map of due times served by one Qt timer, re-armed for the
// earliest entry.
//
// Thread rules: created on the event thread, whose Qt loop delivers the events; Post()
// is thread-safe (Qt's postEvent is). `delayed_` and `timerId_` belong to the event thread.

#include "Framework/EventSystem/EventManager.h"

#include <QEvent>
#include <QObject>
#include <chrono>
#include <map>

// Carries the ticket of a pending event, not its address: an event removed meanwhile is
// simply no longer found.
class VEventQt : public QEvent
{
public:
    static constexpr QEvent::Type kType = QEvent::User;

    explicit VEventQt(IEventManager::Ticket ticket) : QEvent(kType), ticket_(ticket) {}
    IEventManager::Ticket GetTicket() const { return ticket_; }

private:
    IEventManager::Ticket ticket_;
};

class VEventManagerQt : public QObject, public VEventManager
{
public:
    VEventManagerQt();
    ~VEventManagerQt() override;

    bool IsEventThread() const override;
    void Post(Ticket ticket) override;
    void ProcessDueEvents() override;

protected:
    bool event(QEvent* event) override;

private:
    using Clock = std::chrono::steady_clock;

    void Receive(Ticket ticket);
    void Delay(Ticket ticket, unsigned delayMs);
    void ArmTimerForEarliest();

    std::multimap<Clock::time_point, Ticket> delayed_;
    int timerId_ = 0;
};
