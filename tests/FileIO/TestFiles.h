#pragma once
// Test support shared by the trial file tests: the temporary folder and byte-level file access of
// tests/support under the names these tests use, and little-endian patches, so tests can damage
// files on purpose.

#include "tests/support/TempDirectory.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using VTempDir = BriselTest::TempDirectory;
using BriselTest::ReadFileBytes;
using BriselTest::RemoveFileForRewrite;
using BriselTest::WriteFileBytes;

// Stores `value` little-endian at `offset`.
void PatchInt32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value);
void PatchInt64(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint64_t value);
