#include "Utils/UtilsIO/MappedFaultGuard.h"

#include <atomic>
#include <csignal>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace UtilsIO::MappedFaultGuard
{
namespace
{
// Each stream keeps at most a few windows, and few files are open at once.
constexpr int kSlots = 256;

struct Slot
{
    std::atomic<std::uint64_t> version{0};
    std::atomic<std::uintptr_t> start{0};
    // 0 while the slot is free.
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> faulted{false};
};

Slot slots[kSlots];
std::atomic<std::uint64_t> faultCount{0};
std::mutex slotsMutex;
std::once_flag installOnce;
// Both written once, before the handler is installed.
std::uintptr_t pageSize = 0;
struct sigaction previousAction;

// Only async-signal-safe calls from here to the end of PassOn().

bool Contains(const Slot& slot, std::uintptr_t address)
{
    const std::uint64_t version = slot.version.load();
    if (version % 2 != 0)
        return false;
    const std::uintptr_t start = slot.start.load();
    const std::uintptr_t end = slot.end.load();
    return slot.version.load() == version && start <= address && address < end;
}

bool ReplaceLostPage(std::uintptr_t address)
{
    for (Slot& slot : slots)
    {
        if (!Contains(slot, address))
            continue;
        void* page = reinterpret_cast<void*>(address - address % pageSize);
        if (::mmap(page, pageSize, PROT_READ, MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) ==
            MAP_FAILED)
            return false;
        slot.faulted.store(true);
        faultCount.fetch_add(1);
        return true;
    }
    return false;
}

void PassOn(int signal, siginfo_t* info, void* context)
{
    if ((previousAction.sa_flags & SA_SIGINFO) != 0)
    {
        previousAction.sa_sigaction(signal, info, context);
        return;
    }
    const bool sent = info->si_code <= 0;
    if (previousAction.sa_handler == SIG_IGN && sent)
        return;
    // A fault cannot be ignored: the access would only fault again. The raised signal is
    // delivered, with the default action, as the handler returns.
    if (previousAction.sa_handler == SIG_DFL || previousAction.sa_handler == SIG_IGN)
    {
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    previousAction.sa_handler(signal);
}

void OnBusError(int signal, siginfo_t* info, void* context)
{
    // A positive code means the kernel raised it for an access, not that someone sent it.
    const bool fault = info->si_code > 0;
    if (fault && ReplaceLostPage(reinterpret_cast<std::uintptr_t>(info->si_addr)))
        return;
    PassOn(signal, info, context);
}

void Install()
{
    pageSize = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    struct sigaction action = {};
    action.sa_sigaction = OnBusError;
    // The crash handler's alternate stack, where a thread has one.
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    ::sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &previousAction);
}

void Publish(Slot& slot, std::uintptr_t start, std::uintptr_t end)
{
    slot.version.fetch_add(1);
    slot.start.store(start);
    slot.end.store(end);
    slot.faulted.store(false);
    slot.version.fetch_add(1);
}
} // namespace

int Watch(const void* start, std::size_t length)
{
    std::call_once(installOnce, Install);
    const auto begin = reinterpret_cast<std::uintptr_t>(start);
    std::lock_guard<std::mutex> lock(slotsMutex);
    for (int index = 0; index < kSlots; ++index)
    {
        if (slots[index].end.load() != 0)
            continue;
        Publish(slots[index], begin, begin + length);
        return index;
    }
    return -1;
}

void Forget(int slot)
{
    std::lock_guard<std::mutex> lock(slotsMutex);
    Publish(slots[slot], 0, 0);
}

bool TakeFault(int slot)
{
    return slots[slot].faulted.exchange(false);
}

std::uint64_t GetFaultCount()
{
    return faultCount.load();
}
} // namespace UtilsIO::MappedFaultGuard
