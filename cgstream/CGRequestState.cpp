#include "cgstream/CGRequestState.h"

#include "cgstream/CGStreamPacket.h"

#include <algorithm>
#include <iterator>

namespace SarnetCGStream
{
void VCGRequestState::SetRequestedTypes(std::set<std::uint32_t> types)
{
    std::lock_guard<std::mutex> lock(mutex_);
    requested_ = std::move(types);
    requested_.insert(kContents);
    typeRequestPending_ = true;
}

void VCGRequestState::SetOfferedTypes(std::set<std::uint32_t> types)
{
    std::lock_guard<std::mutex> lock(mutex_);
    offered_ = std::move(types);
    typeRequestPending_ = true;
}

void VCGRequestState::Restart()
{
    std::lock_guard<std::mutex> lock(mutex_);
    offered_.clear();
    typeRequestPending_ = false;
    frameRequestPending_ = true;
}

std::vector<std::uint8_t> VCGRequestState::TakeRequestPacket()
{
    std::lock_guard<std::mutex> lock(mutex_);
    VPacketBuilder packet;
    if (typeRequestPending_)
    {
        VObjectEnums wanted;
        std::set_intersection(requested_.begin(), requested_.end(), offered_.begin(),
                              offered_.end(), std::inserter(wanted.types, wanted.types.end()));
        packet.Add(wanted);
    }
    if (!streaming_ || frameRequestPending_)
    {
        VRequestFrame request;
        request.streaming = streaming_;
        packet.Add(request);
    }
    typeRequestPending_ = false;
    frameRequestPending_ = false;
    if (packet.IsEmpty())
        return {};
    return packet.Finish();
}
} // namespace SarnetCGStream
