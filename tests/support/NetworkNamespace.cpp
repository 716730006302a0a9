#include "tests/support/NetworkNamespace.h"

#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace BriselTest
{
std::string BringInterfaceUp(const std::string& name)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return std::string("socket: ") + std::strerror(errno);
    ifreq request{};
    std::strncpy(request.ifr_name, name.c_str(), IFNAMSIZ - 1);
    std::string error;
    if (::ioctl(fd, SIOCGIFFLAGS, &request) != 0)
        error = "SIOCGIFFLAGS " + name + ": " + std::strerror(errno);
    else
    {
        request.ifr_flags |= IFF_UP;
        if (::ioctl(fd, SIOCSIFFLAGS, &request) != 0)
            error = "SIOCSIFFLAGS " + name + ": " + std::strerror(errno);
    }
    ::close(fd);
    return error;
}

std::string EnterFreshNetworkNamespace()
{
    if (::unshare(CLONE_NEWNET) != 0)
        return std::string("unshare(CLONE_NEWNET): ") + std::strerror(errno) +
               " (the network tests need root)";
    return BringInterfaceUp("lo");
}
} // namespace BriselTest
