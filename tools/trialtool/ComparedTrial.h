#pragma once
// One trial file as "compare" reads it: its devices, its frame numbers and, one frame at a
// time, each device's data, compared with the same device of another file of the kind. One
// implementation per file kind, over that kind's reader; only the loaded frame is held.
// Thread-bound to its owner.

#include "tools/trialtool/TrialKind.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace TrialTool
{
struct ItemDifference
{
    std::string what; // "centroid 3 x", "sample 12 of channel 2", "centroid count"
    std::string mine;
    std::string theirs;
};

class ComparedTrial
{
public:
    virtual ~ComparedTrial() = default;

    // False with the reader's reasons in `error` when the file cannot be opened.
    virtual bool Open(const std::string& path, std::string& error) = 0;
    // "camera" or "box".
    virtual const char* DeviceNoun() const = 0;
    // What Compare() counts: "items" or "samples".
    virtual const char* ItemNoun() const = 0;
    // The identifiers of the devices, in file order.
    virtual std::vector<std::uint32_t> Devices() const = 0;
    // The identifier a replay of this file gives the device at `position`.
    virtual std::uint32_t ReplayedIdentifier(std::size_t position) const = 0;
    // Whether a replay sends a frame without items where the file loops round.
    virtual bool ReplaySendsEmptyWrapFrame() const = 0;
    // The frame number of every index entry, in file order.
    virtual std::vector<std::int32_t> FrameNumbers() const = 0;
    // Reads the frame of index entry `index`; false with the reason in `error`.
    virtual bool Load(std::int32_t index, std::string& error) = 0;
    virtual bool DeviceIsEmpty(std::size_t position) const = 0;
    // The first difference between device `mine` of this file's loaded frame and device
    // `theirs` of `other`'s, values within `tolerance` being equal; the items (or samples)
    // compared are added to `compared`.
    virtual std::optional<ItemDifference> Compare(std::size_t mine, const ComparedTrial& other,
                                                  std::size_t theirs, double tolerance,
                                                  std::uint64_t& compared) const = 0;
};

std::unique_ptr<ComparedTrial> MakeComparedTrial(TrialKind kind);
// The identifiers a header gives, one per recorded device: a device it does not describe is
// known by its position, and descriptions beyond the devices are dropped.
std::vector<std::uint32_t> FitIdentifiers(std::vector<std::uint32_t> described,
                                          std::size_t devices);
// A reader's messages in one line, or `fallback` when it recorded none.
std::string JoinReaderErrors(const std::vector<std::string>& errors, const char* fallback);
} // namespace TrialTool
