#pragma once
// What the crash handler leaves in the crashed process for the error reporter: the signal, its
// code, the faulting address, the crashing thread and that thread's registers at the fault. The
// handler fills it in place (no allocation); the reporter, started with its address, reads it
// from the crashed process's memory. Both sides are built from this header for the same
// architecture (x86-64), so the layout is shared as it stands; the magic and the size guard
// against reading something else.

#include <cstdint>

namespace Farrowkit
{
// "BRCRASH1" read as a little-endian 64-bit number.
constexpr std::uint64_t kCrashRecordMagic = 0x3148534152435242ull;

// The general registers and the x87/SSE save area (the 512-byte FXSAVE image) of one thread.
struct CrashRegisters
{
    std::uint64_t rax, rbx, rcx, rdx, rsi, rdi, rbp, rsp;
    std::uint64_t r8, r9, r10, r11, r12, r13, r14, r15;
    std::uint64_t rip, eflags;
    std::uint16_t cs, ds, es, fs, gs, ss;
    std::uint8_t floatingPoint[512];
};

struct CrashRecord
{
    std::uint64_t magic;
    std::uint32_t size;
    std::int32_t signal;
    std::int32_t code;
    std::int32_t threadID;
    std::uint64_t faultAddress;
    CrashRegisters registers;
};
} // namespace Farrowkit
