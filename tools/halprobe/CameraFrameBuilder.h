#pragma once
// Fills one CameraFrame datagram by datagram and holds the items to the order of their
// stream: in the combined stream the settings item first and once, then centroids, then
// tracks, then lines and edge pairs mixed; in the centroid stream centroids before
// tracks; in the greyscale stream lines before edge pairs. Thread-bound to its owner.

#include "tools/halprobe/CameraFrame.h"

namespace HalProbe
{
class CameraFrameBuilder
{
public:
    explicit CameraFrameBuilder(CameraStream stream);

    // Adds the items of one datagram of `datagramSize` bytes; false, with `problem`, when
    // an item is out of its stream's order.
    bool AddItems(std::vector<CameraItem> items, std::size_t datagramSize, std::string& problem);
    // Adds the trailer datagram that ends a protocol-1 frame.
    void AddTrailer(const FrameTrailer& trailer);
    // Adds the header of the combined-stream datagram whose items AddItems took last.
    void AddHeader(const DatagramHeader& header);
    // False, with `problem`, when the frame lacks an item its stream requires.
    bool Complete(std::string& problem) const;

    std::size_t PayloadBytes() const { return frame_.payloadBytes; }
    // The frame, stamped with the datagram that completed it.
    CameraFrame Take(const Datagram& last);

private:
    bool Add(CameraItem item, std::string& problem);
    void Store(FrameSettings settings);
    void Store(CentroidItem centroid);
    void Store(TrackItem track);
    void Store(GreyscaleLine line);
    void Store(EdgePairItem pair);

    CameraFrame frame_;
    int lastRank_ = 0;
    const char* lastItem_ = nullptr;
};
} // namespace HalProbe
