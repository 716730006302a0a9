#pragma once
// Gathers a frame's items into datagrams of a fixed capacity and sends each datagram when
// the next item does not fit, so every datagram is as full as its items allow and no item
// straddles two. With a header, every datagram starts with the protocol-2 datagram header,
// whose index, payload offset and last-datagram flag the assembler keeps current. The
// buffer is allocated once.
//
// Thread rules: thread-bound to the thread producing the frame (one source's frame step).

#include "devices/camera/CameraPackets.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class VAsioUdpSocket;

class VPacketAssembler
{
public:
    VPacketAssembler(VAsioUdpSocket& socket, std::size_t capacity, bool withHeader);

    // Starts a frame with the protocol-2 datagram header.
    void Begin(const CameraPackets::DatagramHeader& header);
    // Starts a frame without a header.
    void Reset();

    // Room for an item of `length` bytes, behind those already gathered; the gathered
    // datagram is sent first when the item does not fit behind them. None when the item
    // cannot fit even an empty datagram, or would need a frame of more datagrams than the
    // header can count: it is left out.
    std::uint8_t* Reserve(std::size_t length);
    // An item in two parts (a line's header and its pixels); false when it is left out.
    bool Append(const std::uint8_t* first, std::size_t firstLength, const std::uint8_t* second,
                std::size_t secondLength);
    // Sends the gathered datagram as the frame's last, even when it holds no item.
    void Flush();
    // Sends the gathered datagram if it holds any item.
    void SendGathered();

    // Bytes handed to the socket since the frame started.
    std::uint32_t GetTotal() const { return total_; }
    std::size_t GetCapacity() const { return buffer_.size(); }

private:
    std::size_t Start() const { return withHeader_ ? CameraPackets::kDatagramHeaderSize : 0; }
    bool IsLastPossibleDatagram() const;
    void SendDatagram();

    VAsioUdpSocket& socket_;
    const bool withHeader_;
    std::vector<std::uint8_t> buffer_;
    std::size_t fill_ = 0;
    std::uint32_t total_ = 0;
};
