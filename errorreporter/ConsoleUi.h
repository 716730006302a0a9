#pragma once
// The reporter's user interface where no display is available: messages go to standard error,
// the report is never sent and no e-mail address is kept, so the user is told where the dump
// lies and which incident ID it has. Thread-bound to the main thread.

#include "errorreporter/ReporterUi.h"

namespace QeltErrorReporting
{
std::unique_ptr<IReporterUi> CreateConsoleUi();
} // namespace QeltErrorReporting
