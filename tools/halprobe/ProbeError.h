#pragma once
// The one exception type of the HAL probe: what failed, in words fit for a user, and
// which kind of failure it was, so callers can tell a timeout from a closed session.
// Reentrant.

#include <stdexcept>
#include <string>

namespace HalProbe
{
class ProbeError : public std::runtime_error
{
public:
    enum class Kind
    {
        Timeout,
        ConnectionClosed,
        BadStream, // camera data that breaks its stream's rules
        Other
    };

    explicit ProbeError(const std::string& message, Kind kind = Kind::Other);

    Kind GetKind() const { return kind_; }

    // Throws `what` followed by the text of the current errno.
    [[noreturn]] static void FromErrno(const std::string& what);

private:
    Kind kind_;
};
} // namespace HalProbe
