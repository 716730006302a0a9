// udp_send FROM TO PORT WORD...: sends one datagram of 32-bit big-endian words from the
// address FROM to TO:PORT, with broadcasting allowed. Exit code 0 when it was sent.

#include "tests/support/UdpTestSocket.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char** argv)
{
    if (argc < 4)
    {
        std::fprintf(stderr, "usage: udp_send FROM TO PORT WORD...\n");
        return 2;
    }
    std::vector<std::uint32_t> words;
    for (int i = 4; i < argc; ++i)
        words.push_back(static_cast<std::uint32_t>(std::strtoul(argv[i], nullptr, 0)));
    try
    {
        BriselTest::UdpTestSocket socket(argv[1]);
        socket.EnableBroadcast();
        socket.SendTo(argv[2], static_cast<std::uint16_t>(std::atoi(argv[3])),
                      BriselTest::BigEndianWords(words));
    }
    catch (const std::exception& error)
    {
        std::fprintf(stderr, "udp_send: %s\n", error.what());
        return 1;
    }
    return 0;
}
