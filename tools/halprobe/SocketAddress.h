#pragma once
// IPv4 socket addresses from and to the dotted text that users type and read.
// Reentrant.

#include <cstdint>
#include <netinet/in.h>
#include <string>

namespace HalProbe
{
// Throws ProbeError when `address` is not dotted IPv4 text.
sockaddr_in MakeSocketAddress(const std::string& address, std::uint16_t port);

// `address` as a number in host order (127.0.0.1 is 0x7F000001).
std::string DottedAddress(std::uint32_t address);

// "127.0.0.1:8570".
std::string EndpointText(const sockaddr_in& endpoint);
} // namespace HalProbe
