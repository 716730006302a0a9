#pragma once
// The part of a trial-file recorder that is the same for cameras and boxes: frames are
// gathered in a FrameWindow and written as they complete, so a recording of any length holds
// only the window in memory. A trial file names its devices in its header, before the first
// frame, so the file is opened when the first frame completes, with the devices that sent
// within the window, ascending by identifier (a rig's devices all send every frame, so all of
// them are there); a device first heard later cannot be added and is counted as left out. A
// device that lost its part of a frame gets an empty one. The frames at the very end that
// some device had not yet sent when the recording finished were cut short by the stop, not
// lost on the way: they are left out and counted. Thread-bound to its owner.

#include "tools/halprobe/FrameWindow.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace HalProbe
{
struct RecordingSummary
{
    std::size_t frames = 0; // written
    std::vector<std::uint32_t> devices;
    std::size_t lateParts = 0; // came after their frame was written
    std::size_t cutShort = 0;  // frames at the end some device had not sent yet
    // Devices first heard after the file was opened, with the parts each sent.
    std::map<std::uint32_t, std::size_t> leftOut;
    bool failed = false; // the file could not be written
};

template <typename Part> class WindowedRecording
{
public:
    // Frames complete when the newest frame number is this far ahead.
    static constexpr std::uint32_t kWindowFrames = 16;

    WindowedRecording() = default;
    virtual ~WindowedRecording() = default;
    WindowedRecording(const WindowedRecording&) = delete;
    WindowedRecording& operator=(const WindowedRecording&) = delete;

    const RecordingSummary& Summary() const { return summary_; }

    // Writes the frames still held and completes the file; false when it could not be
    // written. A recording that received nothing writes a file without devices or frames.
    bool Finish()
    {
        if (finished_)
            return !summary_.failed;
        finished_ = true;
        std::vector<Frame> held = window_.TakeAll();
        LeaveOutCutShort(held);
        WriteFrames(held);
        if (!opened_)
            OpenWith({});
        if (opened_ && !Close())
            summary_.failed = true;
        return !summary_.failed;
    }

protected:
    void AddPart(std::uint32_t device, std::uint32_t number, Part part)
    {
        if (finished_)
            return;
        if (opened_ && !recorded_.count(device))
        {
            ++summary_.leftOut[device];
            return;
        }
        if (!window_.Add(device, number, std::move(part),
                         [this](Part& held, Part joined) { Join(held, std::move(joined)); }))
            ++summary_.lateParts;
        WriteFrames(window_.TakeSettled());
    }

    // Creates the file for `devices` (ascending identifiers).
    virtual bool Open(const std::vector<std::uint32_t>& devices) = 0;
    // One part per device of the file, in the order given to Open(); null where a device
    // lost its part.
    virtual bool Write(std::uint32_t number, const std::vector<const Part*>& parts) = 0;
    virtual bool Close() = 0;
    virtual void Join(Part& held, Part part) = 0;

private:
    using Frame = typename FrameWindow<Part>::Frame;

    void WriteFrames(const std::vector<Frame>& frames)
    {
        if (frames.empty())
            return;
        if (!opened_)
            OpenWith(HeldDevices(frames));
        for (const Frame& frame : frames)
            WriteFrame(frame);
    }

    void LeaveOutCutShort(std::vector<Frame>& frames)
    {
        const std::size_t devices = opened_ ? recorded_.size() : HeldDevices(frames).size();
        while (!frames.empty() && frames.back().parts.size() < devices)
        {
            frames.pop_back();
            ++summary_.cutShort;
        }
    }

    std::set<std::uint32_t> HeldDevices(const std::vector<Frame>& frames) const
    {
        std::set<std::uint32_t> devices;
        for (const Frame& frame : frames)
            for (const auto& [device, part] : frame.parts)
                devices.insert(device);
        window_.ForEachHeldDevice([&devices](std::uint32_t device) { devices.insert(device); });
        return devices;
    }

    void OpenWith(const std::set<std::uint32_t>& devices)
    {
        opened_ = true;
        recorded_ = devices;
        summary_.devices.assign(devices.begin(), devices.end());
        summary_.failed = !Open(summary_.devices);
    }

    void WriteFrame(const Frame& frame)
    {
        if (summary_.failed)
            return;
        std::vector<const Part*> parts;
        for (std::uint32_t device : summary_.devices)
        {
            const auto part = frame.parts.find(device);
            parts.push_back(part == frame.parts.end() ? nullptr : &part->second);
        }
        if (!Write(frame.number, parts))
            summary_.failed = true;
        else
            ++summary_.frames;
    }

    FrameWindow<Part> window_{kWindowFrames};
    std::set<std::uint32_t> recorded_;
    RecordingSummary summary_;
    bool opened_ = false;
    bool finished_ = false;
};
} // namespace HalProbe
