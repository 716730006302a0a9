#include "Framework/EventSystem/EventManagerQt.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimerEvent>
#include <vector>

VEventManagerQt::VEventManagerQt() = default;

VEventManagerQt::~VEventManagerQt()
{
    if (timerId_ != 0)
        killTimer(timerId_);
}

bool VEventManagerQt::IsEventThread() const
{
    return QThread::currentThread() == thread();
}

void VEventManagerQt::Post(Ticket ticket)
{
    QCoreApplication::postEvent(this, new VEventQt(ticket), Qt::NormalEventPriority);
}

bool VEventManagerQt::event(QEvent* event)
{
    if (event->type() == QEvent::Timer && static_cast<QTimerEvent*>(event)->timerId() == timerId_)
    {
        ProcessDueEvents();
        return true;
    }
    if (event->type() == VEventQt::kType)
    {
        Receive(static_cast<VEventQt*>(event)->GetTicket());
        return true;
    }
    return QObject::event(event);
}

// A ticket that is no longer pending belonged to an event destroyed by RemovePending.
void VEventManagerQt::Receive(Ticket ticket)
{
    const IEvent* event = FindPending(ticket);
    if (event == nullptr)
        return;
    if (const unsigned delayMs = event->GetDelayMs())
        Delay(ticket, delayMs);
    else if (dynamic_cast<const INestableEvent*>(event))
        Dispatch(ticket);
    else
        DispatchQueued(ticket);
}

void VEventManagerQt::Delay(Ticket ticket, unsigned delayMs)
{
    const Clock::time_point due = Clock::now() + std::chrono::milliseconds(delayMs);
    const bool earliest = delayed_.empty() || due < delayed_.begin()->first;
    delayed_.emplace(due, ticket);
    if (earliest)
        ArmTimerForEarliest();
}

void VEventManagerQt::ArmTimerForEarliest()
{
    if (timerId_ != 0)
        killTimer(timerId_);
    timerId_ = 0;
    if (delayed_.empty())
        return;
    const auto remaining =
        std::chrono::ceil<std::chrono::milliseconds>(delayed_.begin()->first - Clock::now());
    timerId_ = startTimer(std::max<int>(0, static_cast<int>(remaining.count())), Qt::PreciseTimer);
}

// Takes every entry that has fallen due, earliest first, re-arms the timer for the rest,
// then dispatches the due ones (their handlers may delay further events).
void VEventManagerQt::ProcessDueEvents()
{
    const Clock::time_point now = Clock::now();
    std::vector<Ticket> due;
    while (!delayed_.empty() && delayed_.begin()->first <= now)
    {
        due.push_back(delayed_.begin()->second);
        delayed_.erase(delayed_.begin());
    }
    ArmTimerForEarliest();
    for (const Ticket ticket : due)
        DispatchQueued(ticket);
}
