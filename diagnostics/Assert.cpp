#include "diagnostics/Assert.h"

#include <iostream>
#include <sstream>

namespace Farrowkit
{

void CallAssertFailHandler(const char* expression, const char* file, int line)
{
    std::ostringstream text;
    text << "Assertion failed: " << expression << ", file " << file << ", line " << line << '\n';
    // A single insertion reaches stderr as one stdio write, which stdio locks: lines from
    // concurrent failures stay whole.
    std::cerr << text.str();
}

} // namespace Farrowkit
