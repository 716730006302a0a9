#include "tools/halprobe/BroadcastDatagrams.h"

#include "net/ByteOrder.h"
#include "tools/halprobe/ProbeError.h"

#include <cmath>
#include <string>

namespace HalProbe
{
namespace
{
std::vector<std::uint8_t> Words(std::initializer_list<std::uint32_t> words)
{
    std::vector<std::uint8_t> bytes(words.size() * 4);
    std::uint8_t* field = bytes.data();
    for (std::uint32_t word : words)
    {
        ByteOrder::StoreBigEndian32(field, word);
        field += 4;
    }
    return bytes;
}
} // namespace

WireFrameRate ToWireFrameRate(double rateHz)
{
    const double thousandths = std::round(rateHz * 1000.0);
    if (!std::isfinite(rateHz) || thousandths < 0.0 || thousandths >= 4294967296000.0)
        throw ProbeError("frame rate " + std::to_string(rateHz) + " Hz is out of range");
    const auto total = static_cast<std::uint64_t>(thousandths);
    return {static_cast<std::uint32_t>(total / 1000), static_cast<std::uint32_t>(total % 1000)};
}

namespace BroadcastDatagram
{
std::vector<std::uint8_t> Master(std::uint32_t deviceId, double rateHz, bool surrogate)
{
    const WireFrameRate rate = ToWireFrameRate(rateHz);
    return Words(
        {CommandCode::kMaster, deviceId, surrogate ? 1u : 0u, rate.whole, rate.thousandths, 0});
}

std::vector<std::uint8_t> Sync(std::int32_t frame)
{
    return Words({CommandCode::kSync, static_cast<std::uint32_t>(frame)});
}

std::vector<std::uint8_t> Reset(std::uint32_t deviceId)
{
    return Words({CommandCode::kReset, deviceId});
}

std::vector<std::uint8_t> FrameNumber(std::int32_t frame)
{
    return Words({CommandCode::kFrameNumber, static_cast<std::uint32_t>(frame)});
}

std::vector<std::uint8_t> DataDisable(bool disabled)
{
    return Words({CommandCode::kDataDisable, disabled ? 1u : 0u});
}

std::vector<std::uint8_t> Preview(std::uint32_t deviceId, bool on)
{
    return Words({CommandCode::kPreview, deviceId, on ? 1u : 0u});
}
} // namespace BroadcastDatagram
} // namespace HalProbe
