#include "tools/halprobe/SocketAddress.h"

#include "tools/halprobe/ProbeError.h"

#include <arpa/inet.h>

namespace HalProbe
{
sockaddr_in MakeSocketAddress(const std::string& address, std::uint16_t port)
{
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &endpoint.sin_addr) != 1)
        throw ProbeError("'" + address + "' is not an IPv4 address");
    return endpoint;
}

std::string DottedAddress(std::uint32_t address)
{
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

std::string EndpointText(const sockaddr_in& endpoint)
{
    return DottedAddress(ntohl(endpoint.sin_addr.s_addr)) + ":" +
           std::to_string(ntohs(endpoint.sin_port));
}
} // namespace HalProbe
