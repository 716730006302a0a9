#include "errorreporter/ThreadContext.h"

#include <cstring>
#include <sys/ptrace.h>
#include <sys/user.h>

namespace QeltErrorReporting
{
namespace
{
// The record is for x86-64 and holds the control, integer, segment and floating-point parts.
constexpr std::uint32_t kContextFlags = 0x00100000 | 0x1 | 0x2 | 0x4 | 0x8;
// Where MXCSR sits in the FXSAVE image.
constexpr std::size_t kMxcsrOffset = 24;
// After the FXSAVE image: 26 vector registers, the vector control and five debug-control fields.
constexpr std::size_t kTrailingBytes = 26 * 16 + 8 + 5 * 8;

void FromUserRegisters(const user_regs_struct& user, Farrowkit::CrashRegisters& registers)
{
    registers.rax = user.rax;
    registers.rbx = user.rbx;
    registers.rcx = user.rcx;
    registers.rdx = user.rdx;
    registers.rsi = user.rsi;
    registers.rdi = user.rdi;
    registers.rbp = user.rbp;
    registers.rsp = user.rsp;
    registers.r8 = user.r8;
    registers.r9 = user.r9;
    registers.r10 = user.r10;
    registers.r11 = user.r11;
    registers.r12 = user.r12;
    registers.r13 = user.r13;
    registers.r14 = user.r14;
    registers.r15 = user.r15;
    registers.rip = user.rip;
    registers.eflags = user.eflags;
    registers.cs = static_cast<std::uint16_t>(user.cs);
    registers.ds = static_cast<std::uint16_t>(user.ds);
    registers.es = static_cast<std::uint16_t>(user.es);
    registers.fs = static_cast<std::uint16_t>(user.fs);
    registers.gs = static_cast<std::uint16_t>(user.gs);
    registers.ss = static_cast<std::uint16_t>(user.ss);
}

std::uint32_t Mxcsr(const Farrowkit::CrashRegisters& registers)
{
    const std::uint8_t* bytes = registers.floatingPoint + kMxcsrOffset;
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}
} // namespace

bool ReadThreadRegisters(pid_t thread, Farrowkit::CrashRegisters& registers)
{
    registers = {};
    user_regs_struct user = {};
    user_fpregs_struct floatingPoint = {};
    static_assert(sizeof(floatingPoint) == sizeof(registers.floatingPoint));
    if (::ptrace(PTRACE_GETREGS, thread, nullptr, &user) != 0)
        return false;
    FromUserRegisters(user, registers);
    if (::ptrace(PTRACE_GETFPREGS, thread, nullptr, &floatingPoint) == 0)
        std::memcpy(registers.floatingPoint, &floatingPoint, sizeof(floatingPoint));
    return true;
}

void AppendContext(ByteWriter& writer, const Farrowkit::CrashRegisters& registers)
{
    writer.Zeros(6 * 8); // home addresses of the register parameters
    writer.U32(kContextFlags);
    writer.U32(Mxcsr(registers));
    for (const std::uint16_t segment :
         {registers.cs, registers.ds, registers.es, registers.fs, registers.gs, registers.ss})
        writer.U16(segment);
    writer.U32(static_cast<std::uint32_t>(registers.eflags));
    writer.Zeros(6 * 8); // debug registers
    for (const std::uint64_t value :
         {registers.rax, registers.rcx, registers.rdx, registers.rbx, registers.rsp, registers.rbp,
          registers.rsi, registers.rdi, registers.r8, registers.r9, registers.r10, registers.r11,
          registers.r12, registers.r13, registers.r14, registers.r15, registers.rip})
        writer.U64(value);
    writer.Bytes(registers.floatingPoint, sizeof(registers.floatingPoint));
    writer.Zeros(kTrailingBytes);
}
} // namespace QeltErrorReporting
