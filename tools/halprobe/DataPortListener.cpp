#include "tools/halprobe/DataPortListener.h"

namespace HalProbe
{
DataPortListener::DataPortListener(const std::string& halAddress, std::uint16_t port)
    : socket_(halAddress, port)
{
}

std::optional<DataRecord> DataPortListener::Receive(Clock::duration timeout)
{
    std::optional<Datagram> datagram = socket_.Receive(Clock::now() + timeout);
    if (!datagram)
        return std::nullopt;
    return DataRecord::Decode(std::move(*datagram));
}
} // namespace HalProbe
