#pragma once
// A command line the tool cannot make sense of; reported with a pointer to --help.
// Reentrant.

#include <stdexcept>

namespace HalProbe
{
class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
} // namespace HalProbe
