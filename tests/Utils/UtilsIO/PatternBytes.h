#pragma once
// Test data for the stream tests. Reentrant.

#include <cstdint>
#include <vector>

// Bytes that differ from their neighbours and from the bytes one window or buffer further on, so
// that a copy from the wrong offset shows.
std::vector<std::uint8_t> PatternBytes(std::uint64_t firstOffset, std::uint64_t count);
