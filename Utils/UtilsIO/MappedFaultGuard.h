#pragma once
// Keeps a bus error in a mapped window of a file from killing the process. A file that is cut
// short or rewritten while it is mapped raises SIGBUS at the first touch of a page past its new
// end. The guard's handler, installed for the whole process when the first window is watched,
// looks the faulting address up in a fixed table of watched windows. In one, it maps a page of
// zeros over the lost page, so the access completes, and marks the window; the window's owner
// checks the mark after its reads and fails them. A bus error anywhere else goes on to the
// handler installed before the guard's (the crash handler, say); a SIGBUS handler installed
// after it must pass such errors on in turn.
//
// The table is process-wide state because a signal handler can reach nothing else. The handler
// reads it with atomics only (no locks, no allocation): each slot carries a version that is odd
// while the slot changes, and a slot is believed only when its version reads the same, and even,
// before and after.
//
// Thread rules: thread-safe. Watch() and Forget() are serialised by a mutex of their own; the
// handler runs on whichever thread faults, at any time.

#include <cstddef>
#include <cstdint>

namespace UtilsIO::MappedFaultGuard
{
// Watches the mapped window [start, start + length): the slot to hand to Forget() and
// TakeFault(), or -1 when every slot is taken (the window must then not be read).
int Watch(const void* start, std::size_t length);
// Stops watching `slot`; called before its window is unmapped.
void Forget(int slot);
// Whether a page of `slot` was replaced since the last call; clears the mark.
bool TakeFault(int slot);
// Grows with every page replaced in the process, so an owner can tell cheaply when to look.
std::uint64_t GetFaultCount();
} // namespace UtilsIO::MappedFaultGuard
