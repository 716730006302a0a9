#pragma once
// The console emulator's entry: reads the command line, checks the two addresses,
// builds the postal service and the device manager, loads the trial files and runs the
// Qt event loop until a stop request; then tears everything down in reverse order.
// Thread-bound to the main thread.

namespace BriselCL
{
// Returns the process exit code: 1 after a usage or address error, otherwise the
// event loop's result (0 after a normal stop).
int Run(int& argc, char** argv);
} // namespace BriselCL
