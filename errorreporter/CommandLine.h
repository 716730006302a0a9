#pragma once
// The pieces of the reporter's command line: the crashed process's ID, the address of its crash
// record, the crashing thread's ID, the branding selector and the batch flag. Reentrant.

#include "errorreporter/ReporterUi.h"

#include <cstdint>
#include <optional>

namespace QeltErrorReporting
{
// A whole text of decimal digits, or hexadecimal digits after "0x"; nothing otherwise or when
// the value does not fit in 64 bits.
std::optional<std::uint64_t> ParseNumber(const char* text);
// 1 selects Sarnet; anything else, readable or not, Qelt.
Branding ParseBranding(const char* text);
// Position 5 holds exactly "--batch".
bool IsBatch(int argc, char** argv);
} // namespace QeltErrorReporting
