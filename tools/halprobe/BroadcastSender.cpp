#include "tools/halprobe/BroadcastSender.h"

#include "tools/halprobe/SocketAddress.h"

namespace HalProbe
{
BroadcastSender::BroadcastSender(const std::string& sourceAddress, const std::string& targetAddress,
                                 std::uint16_t targetPort)
    : socket_(sourceAddress, 0), target_(MakeSocketAddress(targetAddress, targetPort))
{
    socket_.EnableBroadcast();
}

void BroadcastSender::Master(std::uint32_t deviceId, double rateHz, bool surrogate)
{
    Raw(BroadcastDatagram::Master(deviceId, rateHz, surrogate));
}

void BroadcastSender::Sync(std::int32_t frame)
{
    Raw(BroadcastDatagram::Sync(frame));
}

void BroadcastSender::Reset(std::uint32_t deviceId)
{
    Raw(BroadcastDatagram::Reset(deviceId));
}

void BroadcastSender::FrameNumber(std::int32_t frame)
{
    Raw(BroadcastDatagram::FrameNumber(frame));
}

void BroadcastSender::DataDisable(bool disabled)
{
    Raw(BroadcastDatagram::DataDisable(disabled));
}

void BroadcastSender::Preview(std::uint32_t deviceId, bool on)
{
    Raw(BroadcastDatagram::Preview(deviceId, on));
}

void BroadcastSender::Raw(const std::vector<std::uint8_t>& datagram)
{
    socket_.SendTo(target_, datagram);
}
} // namespace HalProbe
