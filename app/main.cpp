// briselCL: the console emulator of a networked motion-capture hardware rig.

#include "app/ConsoleControl.h"
#include "app/ConsoleEntry.h"
#include "diagnostics/CrashHandler.h"

#include <cstdio>

namespace
{
// Lives from before main() until process exit, so a fault anywhere is reported.
Farrowkit::VCrashHandler crashHandler(1);
} // namespace

int main(int argc, char** argv)
{
    // Before any thread exists, so that every thread inherits the mask and the stop
    // signals reach the one place that serves them.
    VConsoleControl::BlockStopSignals();
    // The launcher and scripts read the console through a pipe and must see every line
    // as soon as it is printed.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return BriselCL::Run(argc, argv);
}
