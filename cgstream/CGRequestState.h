#pragma once
// What the client still has to ask the server for: the record types it wants (of those
// the server offers) and the next frame. Each answer to the server clears the marks it
// served. With streaming off, every answer asks for one more frame, so the client pulls
// one frame per round trip.
//
// Thread-safe: the main thread changes the requested types while the receive thread
// builds requests; `mutex_` guards every field.

#include <cstdint>
#include <mutex>
#include <set>
#include <vector>

namespace SarnetCGStream
{
class VCGRequestState
{
public:
    // Replaces the requested types; the contents record is always among them.
    void SetRequestedTypes(std::set<std::uint32_t> types);
    // The types the server offers, from its first packet.
    void SetOfferedTypes(std::set<std::uint32_t> types);
    // Starts a new connection: types and the first frame are asked for again.
    void Restart();
    // The packet of pending requests, empty when nothing is pending.
    std::vector<std::uint8_t> TakeRequestPacket();

private:
    std::mutex mutex_;
    std::set<std::uint32_t> offered_;
    std::set<std::uint32_t> requested_;
    bool typeRequestPending_ = false;
    bool frameRequestPending_ = true;
    bool streaming_ = false;
};
} // namespace SarnetCGStream
