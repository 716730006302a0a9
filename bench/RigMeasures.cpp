#include "bench/RigMeasures.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fstream>
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace RigMeasures
{
namespace
{
sockaddr_in HalAddress(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = inet_addr("127.0.0.2");
    return address;
}
} // namespace

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec) + double(usage.ru_utime.tv_usec) / 1e6 +
           double(usage.ru_stime.tv_sec) + double(usage.ru_stime.tv_usec) / 1e6;
}

double NamedThreadsCpuSeconds(const std::string& prefix)
{
    double seconds = 0.0;
    DIR* tasks = opendir("/proc/self/task");
    for (dirent* entry = tasks ? readdir(tasks) : nullptr; entry; entry = readdir(tasks))
    {
        const std::string task = std::string("/proc/self/task/") + entry->d_name;
        std::string name;
        std::getline(std::ifstream(task + "/comm"), name);
        if (entry->d_name[0] == '.' || name.rfind(prefix, 0) != 0)
            continue;
        std::ifstream stat(task + "/stat");
        std::string field;
        for (int i = 0; i < 13 && stat >> field; ++i)
        {
        }
        long user = 0, system = 0;
        stat >> user >> system;
        seconds += double(user + system) / double(sysconf(_SC_CLK_TCK));
    }
    if (tasks)
        closedir(tasks);
    return seconds;
}

int BoundSocket(std::uint16_t port)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    const int buffer = 8 << 20;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &buffer, sizeof(buffer));
    const sockaddr_in address = HalAddress(port);
    bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    return fd;
}

std::vector<int> ConnectedSockets(const std::vector<std::uint16_t>& ports)
{
    std::vector<int> sockets;
    for (const std::uint16_t port : ports)
    {
        const int fd = socket(AF_INET, SOCK_DGRAM, 0);
        const sockaddr_in address = HalAddress(port);
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
        sockets.push_back(fd);
    }
    return sockets;
}

double OnTimeShare(const std::vector<Clock::time_point>& starts, double rate)
{
    if (starts.size() < 2)
        return 0.0;
    const auto period = std::chrono::duration<double>(1.0 / rate);
    std::size_t onTime = 0;
    for (std::size_t k = 0; k < starts.size(); ++k)
        onTime += starts[k] - (starts[0] + double(k) * period) < period ? 1 : 0;
    return double(onTime) / double(starts.size());
}

PortDrain::PortDrain(const std::vector<std::uint16_t>& ports, FrameStart isFrameStart)
    : epoll_(epoll_create1(0)), isFrameStart_(std::move(isFrameStart))
{
    for (std::size_t i = 0; i < ports.size(); ++i)
    {
        const int fd = BoundSocket(ports[i]);
        epoll_event event{EPOLLIN, {}};
        event.data.u64 = i;
        epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event);
        sockets_.push_back(fd);
    }
    thread_ = std::thread([this] { Run(); });
}

PortDrain::~PortDrain()
{
    stop_ = true;
    thread_.join();
    for (int fd : sockets_)
        close(fd);
    close(epoll_);
}

std::vector<Clock::time_point> PortDrain::FrameStarts() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return frameStarts_;
}

void PortDrain::Run()
{
    pthread_setname_np(pthread_self(), kThreadName);
    std::vector<std::uint8_t> buffer(65536);
    epoll_event events[64];
    while (!stop_)
    {
        const int ready = epoll_wait(epoll_, events, 64, 20);
        for (int e = 0; e < ready; ++e)
            DrainSocket(events[e].data.u64, buffer);
    }
}

void PortDrain::DrainSocket(std::size_t index, std::vector<std::uint8_t>& buffer)
{
    for (;;)
    {
        const ssize_t size = recv(sockets_[index], buffer.data(), buffer.size(), 0);
        if (size <= 0)
            return;
        if (!counting_)
            continue;
        ++datagrams_;
        if (index == 0 && isFrameStart_(buffer.data(), std::size_t(size)))
        {
            std::lock_guard<std::mutex> lock(mutex_);
            frameStarts_.push_back(Clock::now());
        }
    }
}
} // namespace RigMeasures
