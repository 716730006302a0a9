#pragma once
// Test data for the stream tests, and reading it back. Reentrant.

#include "Utils/UtilsIO/MemoryMappedStream.h"

#include <cstdint>
#include <vector>

// Bytes that differ from their neighbours and from the bytes one window or buffer further on, so
// that a copy from the wrong offset shows.
std::vector<std::uint8_t> PatternBytes(std::uint64_t firstOffset, std::uint64_t count);

// What `stream` reads of `length` bytes at `offset`: fewer bytes, or none, when it reads less.
std::vector<std::uint8_t> ReadAt(UtilsIO::VMemoryMappedFileReadOnly& stream, std::uint64_t offset,
                                 std::uint64_t length);
