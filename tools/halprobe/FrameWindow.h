#pragma once
// Gathers the parts that devices send of one frame number into one frame, and hands a frame
// on once the newest frame number has run `depth` frames ahead of it: by then every device
// has sent its part, or lost it. A part that comes for a frame already handed on is late and
// refused. A frame number that falls more than `depth` behind the last one handed on is a new
// start (the frame numbers were set back): everything held is handed on first. Memory stays
// bounded by `depth` frames. Thread-bound to its owner.

#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace HalProbe
{
template <typename Part> class FrameWindow
{
public:
    using Parts = std::map<std::uint32_t, Part>; // by device identifier

    struct Frame
    {
        std::uint32_t number = 0;
        Parts parts;
    };

    explicit FrameWindow(std::uint32_t depth) : depth_(depth) {}

    // `merge(held, part)` joins a second part of one device's frame into the first. False
    // when the part is late.
    template <typename Merge>
    bool Add(std::uint32_t device, std::uint32_t number, Part part, Merge merge)
    {
        if (handedOn_ && number <= *handedOn_)
        {
            if (*handedOn_ - number <= depth_)
                return false;
            HandOnAll();
            handedOn_.reset();
            newest_ = number;
        }
        if (!newest_ || number > *newest_)
            newest_ = number;
        Parts& parts = pending_[number];
        const auto held = parts.find(device);
        if (held == parts.end())
            parts.emplace(device, std::move(part));
        else
            merge(held->second, std::move(part));
        return true;
    }

    // The frames that are complete, oldest first.
    std::vector<Frame> TakeSettled()
    {
        while (!pending_.empty() && pending_.begin()->first + depth_ <= *newest_)
            HandOnOldest();
        return TakeReady();
    }

    // Every frame held, oldest first.
    std::vector<Frame> TakeAll()
    {
        HandOnAll();
        return TakeReady();
    }

    // The devices whose parts are held.
    template <typename Visit> void ForEachHeldDevice(Visit visit) const
    {
        for (const auto& [number, parts] : pending_)
            for (const auto& [device, part] : parts)
                visit(device);
    }

private:
    void HandOnOldest()
    {
        auto oldest = pending_.begin();
        handedOn_ = oldest->first;
        ready_.push_back({oldest->first, std::move(oldest->second)});
        pending_.erase(oldest);
    }

    void HandOnAll()
    {
        while (!pending_.empty())
            HandOnOldest();
    }

    std::vector<Frame> TakeReady() { return std::exchange(ready_, {}); }

    const std::uint32_t depth_;
    std::map<std::uint32_t, Parts> pending_; // by frame number
    std::vector<Frame> ready_;
    std::optional<std::uint32_t> newest_;
    std::optional<std::uint32_t> handedOn_;
};
} // namespace HalProbe
