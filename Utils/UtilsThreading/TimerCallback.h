#pragma once
// What a VPeriodicCallback calls once per period. OnTimer runs on the periodic callback's
// thread.

namespace UtilsThreading
{
class ITimerCallback
{
public:
    virtual ~ITimerCallback() = default;
    virtual void OnTimer() = 0;
};
} // namespace UtilsThreading
