#pragma once
// A command line a tool cannot make sense of. The tool reports it on one line with a pointer to
// its --help and exits with 2. Reentrant.

#include <stdexcept>

namespace ToolSupport
{
class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
} // namespace ToolSupport
