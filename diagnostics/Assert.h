#pragma once

// Reports a failed assertion on standard error and returns, so the caller carries on.
// Thread-safe.

namespace Farrowkit
{

// Writes "Assertion failed: <expression>, file <file>, line <line>" as one line.
void CallAssertFailHandler(const char* expression, const char* file, int line);

} // namespace Farrowkit
