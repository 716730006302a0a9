#include "devices/FaultableSocket.h"

#include "devices/DeviceFaults.h"

VFaultableSocket::VFaultableSocket(boost::asio::io_context& ioService, VDeviceFaults& faults,
                                   std::uint32_t remoteAddress, std::uint16_t remotePort)
    : VDataOutSocket(ioService), faults_(faults), remoteAddress_(remoteAddress),
      remotePort_(remotePort)
{
}

bool VFaultableSocket::Send(const void* buffer, std::size_t length)
{
    if (!faults_.IsActive())
        return VDataOutSocket::Send(buffer, length);
    switch (faults_.Judge())
    {
    case VDeviceFaults::Verdict::Send:
        return VDataOutSocket::Send(buffer, length);
    case VDeviceFaults::Verdict::SendLate:
        faults_.SendLate(buffer, length, remoteAddress_, remotePort_);
        return true;
    case VDeviceFaults::Verdict::Drop:
        break;
    }
    return true;
}
