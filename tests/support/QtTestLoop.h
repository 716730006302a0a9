#pragma once
// Runs the Qt event loop of the test's main thread until a condition holds or a deadline
// passes, checking the condition every few milliseconds.

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <functional>

namespace QtTest
{
// The condition is evaluated once per check and never re-entered (a condition may run
// a nested loop of its own), so it may have side effects such as sending a datagram.
inline bool RunLoopUntil(const std::function<bool()>& condition,
                         std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer poll;
    bool satisfied = false;
    QObject::connect(&poll, &QTimer::timeout,
                     [&]
                     {
                         poll.stop();
                         satisfied = condition();
                         if (satisfied)
                             loop.quit();
                         else
                             poll.start(2);
                     });
    poll.start(2);
    QTimer::singleShot(static_cast<int>(timeout.count()), &loop, &QEventLoop::quit);
    loop.exec();
    return satisfied;
}

// Lets the loop deliver what is already queued (posted events and zero timers).
inline void DrainLoop()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
} // namespace QtTest
