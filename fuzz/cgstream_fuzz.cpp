// Feeds arbitrary bytes to the CG stream packet reader as the client meets them: the 8-byte
// header, then the payload it announces, when the bytes hold that much.
//
// Build and run with clang:
//   CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
//   ninja -C build/fuzz cgstream_fuzz cgstream_seed
//   build/fuzz/fuzz/cgstream_seed /tmp/cgstream_corpus
//   build/fuzz/fuzz/cgstream_fuzz /tmp/cgstream_corpus -max_total_time=120 -malloc_limit_mb=64

#include "cgstream/CGStreamPacket.h"

using namespace SarnetCGStream;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < kHeaderSize)
        return 0;
    const VPacketHeader header = DecodeHeader(data);
    if (header.payloadLength > kMaxPayloadLength || header.payloadLength > size - kHeaderSize)
        return 0;
    VParsedPacket packet;
    ParsePacket(data + kHeaderSize, header.payloadLength, packet);
    return 0;
}
