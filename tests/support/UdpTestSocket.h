#pragma once
// A plain UDP socket for tests that play the HAL or a stranger: bound to a chosen
// source address, sending raw datagrams and receiving with a deadline (and reading the
// little-endian fields of what it received). Thread-bound.

#include "net/ByteOrder.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace BriselTest
{
class UdpTestSocket
{
public:
    // Binds to `sourceAddress` (dotted text) and `sourcePort` (0 = any).
    explicit UdpTestSocket(const std::string& sourceAddress, std::uint16_t sourcePort = 0);
    ~UdpTestSocket();
    UdpTestSocket(const UdpTestSocket&) = delete;
    UdpTestSocket& operator=(const UdpTestSocket&) = delete;

    void EnableBroadcast();
    // Room for `bytes` of queued datagrams, beyond the system's limit (needs CAP_NET_ADMIN),
    // for senders that burst faster than a test reads.
    void SetReceiveBufferSize(int bytes);
    // Throws when the datagram cannot be sent whole.
    void SendTo(const std::string& address, std::uint16_t port,
                const std::vector<std::uint8_t>& datagram);
    std::optional<std::vector<std::uint8_t>> Receive(std::chrono::milliseconds timeout);

private:
    int fd_ = -1;
};

// Big-endian 32-bit words as the broadcast commands carry them.
std::vector<std::uint8_t> BigEndianWords(const std::vector<std::uint32_t>& words);

// The little-endian field at `at` of a received datagram, whose size the test has checked.
inline std::uint16_t U16(const std::vector<std::uint8_t>& datagram, std::size_t at)
{
    return ByteOrder::LoadLittleEndian16(datagram.data() + at);
}
inline std::uint32_t U32(const std::vector<std::uint8_t>& datagram, std::size_t at)
{
    return ByteOrder::LoadLittleEndian32(datagram.data() + at);
}
} // namespace BriselTest
