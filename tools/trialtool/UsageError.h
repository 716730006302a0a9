#pragma once
// A command line the tool cannot make sense of; main() prints it on one line and exits
// with 2. Reentrant.

#include <stdexcept>

namespace TrialTool
{
class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
} // namespace TrialTool
