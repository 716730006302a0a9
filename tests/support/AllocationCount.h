#pragma once
// Counts the program's calls of operator new, for tests that check a steady state allocates
// nothing. Linked into the test programs that use it. Thread-safe.

#include <cstdint>

std::uint64_t AllocationCount();
