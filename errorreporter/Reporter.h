#pragma once
// The error reporter's whole run for one crashed process: read the command line, hold the
// process stopped, name the incident, let the user add to the report (unless in batch mode),
// write the minidump and send it or say where it lies. Thread-bound to the main thread.

namespace QeltErrorReporting
{
// The process exit code: 0 when a dump was written (and sent or kept), 1 otherwise.
int Run(int argc, char** argv);
} // namespace QeltErrorReporting
