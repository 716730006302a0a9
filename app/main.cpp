// briselCL: the console emulator of a networked motion-capture hardware rig.

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
    // The launcher and scripts read the console through a pipe and must see every line
    // as soon as it is printed.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return BriselCL::Run(argc, argv);
}
