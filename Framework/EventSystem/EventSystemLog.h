#pragma once
// The log category "Event System", shared by Invoke's trace and the dispatcher's reports.
// Thread-safe.

#include "diagnostics/Log.h"

namespace EventSystem
{
// Looked up on first use and kept for the rest of the process.
Qelt::ILogCategorised::ICategory& LogCategory();
} // namespace EventSystem
