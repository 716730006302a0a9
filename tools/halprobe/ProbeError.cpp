#include "tools/halprobe/ProbeError.h"

#include <cerrno>
#include <cstring>

namespace HalProbe
{
ProbeError::ProbeError(const std::string& message, Kind kind)
    : std::runtime_error(message), kind_(kind)
{
}

void ProbeError::FromErrno(const std::string& what)
{
    throw ProbeError(what + ": " + std::strerror(errno));
}
} // namespace HalProbe
