// A program that installs the crash handler, starts two idle threads, prints their thread IDs
// and then writes through a null pointer, for the tests of the crash report. It lies beside the
// error reporter, so the handler finds it.

#include "diagnostics/CrashHandler.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{
// Uninstrumented, or the sanitizers would report the null store themselves instead of faulting.
__attribute__((no_sanitize("undefined", "address"), noinline)) void WriteThroughNull()
{
    volatile int* volatile pointer = nullptr;
    *pointer = 1;
}
} // namespace

int main()
{
    Farrowkit::VCrashHandler handler(1);
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<pid_t> started;
    std::vector<std::thread> idle;
    for (int i = 0; i < 2; ++i)
    {
        idle.emplace_back(
            [&]
            {
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    started.push_back(::gettid());
                }
                changed.notify_all();
                for (;;)
                    ::pause();
            });
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return started.size() == 2; });
        std::printf("%d %d\n", int(started[0]), int(started[1]));
        std::fflush(stdout);
    }
    WriteThroughNull();
    return 0;
}
