// Writes a few valid CG stream packets into the folder given on the command line, as the
// seed corpus of cgstream_fuzz: the server's offer, a client's request, and frames with
// stream information, timecode, contents and records skipped by their length.

#include "cgstream/CGStreamPacket.h"
#include "fuzz/SeedCorpus.h"

#include <fstream>

using namespace SarnetCGStream;

namespace
{
std::vector<std::uint8_t> Offer()
{
    VObjectEnums offer;
    offer.types = {kStreamInfo, kFrameInfo, kTimecode, kContents};
    VPacketBuilder packet;
    packet.Add(offer);
    return packet.Finish();
}

std::vector<std::uint8_t> Request()
{
    VObjectEnums wanted;
    wanted.types = {kFrameInfo, kContents};
    VPacketBuilder packet;
    packet.Add(wanted);
    packet.Add(VRequestFrame());
    return packet.Finish();
}

std::vector<std::uint8_t> Frame()
{
    VFrameInfo frame;
    frame.frameNumber = 1234;
    VContents contents;
    contents.payload = {1, 0, 0, 0};
    VPacketBuilder packet;
    packet.Add(VStreamInfo());
    packet.Add(frame);
    packet.Add(VTimecode());
    packet.Add(contents);
    packet.Add(VStartMulticastSender());
    std::vector<std::uint8_t> bytes = packet.Finish();
    // A subject record and a centroid record, whose payloads are skipped.
    const std::uint8_t skipped[] = {2, 0, 0, 0, 2, 0, 0, 0, 7, 7, 16, 0, 0, 0, 0, 0, 0, 0};
    bytes.insert(bytes.end(), std::begin(skipped), std::end(skipped));
    VPayloadWriter(bytes).PatchU32(4, static_cast<std::uint32_t>(bytes.size() - kHeaderSize));
    return bytes;
}

bool WriteSeed(const std::string& path, std::size_t index)
{
    const std::vector<std::uint8_t> bytes = index == 0 ? Offer() : index == 1 ? Request() : Frame();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}
} // namespace

int main(int argc, char** argv)
{
    return SeedCorpus::Write(argc, argv, 3, "cgs", WriteSeed);
}
