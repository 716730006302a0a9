#pragma once
// The run time of a benchmark that runs for a while: `PROGRAM [SECONDS]`. Reentrant.

#include <cstdio>
#include <cstdlib>

// The seconds the first argument gives, 10 without one; 0, after printing the usage, when it is
// not a whole number above 0.
inline int SecondsArgument(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    if (seconds > 0)
        return seconds;
    std::fprintf(stderr, "usage: %s [SECONDS]\n", argv[0]);
    return 0;
}
