// A program that installs the crash handler, starts two idle threads and then writes through a
// null pointer, for the tests of the crash report. It lies beside the error reporter, so the
// handler finds it.

#include "diagnostics/CrashHandler.h"

#include <condition_variable>
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
    int started = 0;
    std::vector<std::thread> idle;
    for (int i = 0; i < 2; ++i)
    {
        idle.emplace_back(
            [&]
            {
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    ++started;
                }
                changed.notify_all();
                for (;;)
                    ::pause();
            });
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return started == 2; });
    }
    WriteThroughNull();
    return 0;
}
