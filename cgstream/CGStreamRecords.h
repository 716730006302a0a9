#pragma once
// The records of the CG stream: every item of a stream packet is one record, a 32-bit
// type, a 32-bit payload length and the payload. The records this system sends or reads
// have classes here; the others are known by type only and skipped by their length.
// Reentrant.

#include "cgstream/PayloadCodec.h"

#include <cstdint>
#include <set>
#include <vector>

namespace SarnetCGStream
{
enum RecordType : std::uint32_t
{
    kStreamInfo = 1,
    kSubjectInfo = 2,
    kDeviceInfo = 3,
    kChannelInfo = 4,
    kFrameInfo = 5,
    kLabeledRecons = 6,
    kUnlabeledRecons = 7,
    kLocalSegments = 8,
    kGlobalSegments = 9,
    kForceFrame = 10,
    kMomentFrame = 11,
    kCentreOfPressureFrame = 12,
    kVoltageFrame = 13,
    kCameraInfo = 14,
    kCentroidTracks = 15,
    kCentroids = 16,
    kGreyscaleBlobs = 17,
    kEdgePairs = 18,
    kCameraCalibrationInfo = 19,
    kForcePlateInfo = 20,
    kVideoFrame = 22,
    kTimecode = 23,
    kLatencyInfo = 26,
    kCameraCalibrationHealth = 27,
    kSubjectTopology = 28,
    kSubjectHealth = 29,
    kCameraWand2d = 30,
    kCameraWand3d = 31,
    kEyeTrackerFrame = 32,
    kEyeTrackerInfo = 33,
    kChannelInfoExtra = 34,
    kQuillonHaptics = 35,
    kHardwareFrameInfo = 36,
    kObjectEnums = 100001,
    kRequestFrame = 100002,
    kContents = 100004,
    kStartMulticastSender = 100005,
    kStopMulticastSender = 100006,
    kFilter = 100007,
};

// Records that describe the stream and go into the stream-information bundle, and
// records of one frame that go into the frame bundle.
bool IsStreamInfoRecord(std::uint32_t type);
bool IsFrameRecord(std::uint32_t type);

class VItem
{
public:
    virtual std::uint32_t GetType() const = 0;
    // The camera or device the record belongs to; -1 for records of nobody.
    virtual std::int32_t GetFilterId() const { return -1; }
    // False when the payload is too short.
    virtual bool Read(VPayloadReader& reader) = 0;
    virtual void Write(VPayloadWriter& writer) const = 0;
    virtual ~VItem() = default;
};

class VStreamInfo : public VItem
{
public:
    std::uint32_t GetType() const override { return kStreamInfo; }
    bool Read(VPayloadReader& reader) override { return reader.ReadU64(value); }
    void Write(VPayloadWriter& writer) const override { writer.WriteU64(value); }

    std::uint64_t value = 0;
};

class VFrameInfo : public VItem
{
public:
    std::uint32_t GetType() const override { return kFrameInfo; }
    bool Read(VPayloadReader& reader) override { return reader.ReadU32(frameNumber); }
    void Write(VPayloadWriter& writer) const override { writer.WriteU32(frameNumber); }

    std::uint32_t frameNumber = 0;
};

// A set of record types: those the server offers, or those the client asks for.
class VObjectEnums : public VItem
{
public:
    std::uint32_t GetType() const override { return kObjectEnums; }
    bool Read(VPayloadReader& reader) override;
    void Write(VPayloadWriter& writer) const override;

    std::set<std::uint32_t> types;
};

class VRequestFrame : public VItem
{
public:
    std::uint32_t GetType() const override { return kRequestFrame; }
    bool Read(VPayloadReader& reader) override;
    void Write(VPayloadWriter& writer) const override { writer.WriteU8(streaming ? 1 : 0); }

    // True: stream every frame; false: send one frame.
    bool streaming = false;
};

class VTimecode : public VItem
{
public:
    std::uint32_t GetType() const override { return kTimecode; }
    bool Read(VPayloadReader& reader) override;
    void Write(VPayloadWriter& writer) const override;

    std::uint8_t hours = 0;
    std::uint8_t minutes = 0;
    std::uint8_t seconds = 0;
    std::uint8_t frames = 0;
    std::uint16_t subFrame = 0;
    std::uint16_t standard = 0;
    std::uint32_t subFramesPerFrame = 0;
    std::uint32_t userBits = 0;
    std::uint8_t fieldFlag = 0;
};

class VStartMulticastSender : public VItem
{
public:
    std::uint32_t GetType() const override { return kStartMulticastSender; }
    bool Read(VPayloadReader& reader) override;
    void Write(VPayloadWriter& writer) const override;

    std::uint32_t serverAddress = 0;
    std::uint32_t multicastAddress = 0;
    std::uint16_t port = 0;
};

// What a packet holds; its layout is the stream's own, so the payload is kept as it came.
class VContents : public VItem
{
public:
    std::uint32_t GetType() const override { return kContents; }
    bool Read(VPayloadReader& reader) override;
    void Write(VPayloadWriter& writer) const override;

    std::vector<std::uint8_t> payload;
};
} // namespace SarnetCGStream
