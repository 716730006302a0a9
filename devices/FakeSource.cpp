#include "devices/FakeSource.h"

#include "devices/FakeDevice.h"

VFakeSource::VFakeSource(VFakeDevice& device, boost::asio::io_context& ioService,
                         std::uint16_t port)
#ifdef BRISEL_WITHOUT_FAULT_HOOKS
    : socket_(ioService), device_(device), port_(port)
#else
    : socket_(ioService, device.GetFaults(), device.GetHalAddress(), port), device_(device),
      port_(port)
#endif
{
    socket_.OpenForSending(device.GetLocalAddress(), device.GetHalAddress(), port);
}

VFakeSource::~VFakeSource()
{
    socket_.Close();
}
