#pragma once
// The three source slots of a camera and the rules that fill and drive them: "portset"
// creates the protocol-1 centroid source at the data port and greyscale source at the data
// port + 1000, or the protocol-2 combined source at the data port + 5000, each replacing the
// one in its slot while the other protocol's slots keep theirs; going down releases the
// protocol-1 sources; each frame the combined source produces, then the centroid and the
// greyscale source where the camera's type supports their data.
//
// Thread rules: thread-safe. "portset" fills the slots on the I/O thread, going down
// releases them on the main thread, the frame thread takes its own references; `mutex_`
// guards `sources_`. A source is destroyed outside the lock by whoever lets go of it last.

#include "devices/camera/CameraSettings.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>

template <class Combined, class Centroid, class Greyscale> class VCameraSourceSlots
{
public:
    static constexpr std::uint16_t kGreyscalePortOffset = 1000;
    static constexpr std::uint16_t kCombinedPortOffset = 5000;

    struct Sources
    {
        std::shared_ptr<Combined> combined;
        std::shared_ptr<Centroid> centroid;
        std::shared_ptr<Greyscale> greyscale;
    };

    // Each `make…(port)` returns a new source sending to `port`. Other protocols create
    // nothing.
    template <class MakeCentroid, class MakeGreyscale, class MakeCombined>
    void Create(int protocolVersion, std::uint16_t port, MakeCentroid makeCentroid,
                MakeGreyscale makeGreyscale, MakeCombined makeCombined)
    {
        if (protocolVersion == 1)
        {
            std::shared_ptr<Centroid> centroid = makeCentroid(port);
            std::shared_ptr<Greyscale> greyscale =
                makeGreyscale(static_cast<std::uint16_t>(port + kGreyscalePortOffset));
            std::lock_guard<std::mutex> lock(mutex_);
            sources_.centroid.swap(centroid);
            sources_.greyscale.swap(greyscale);
        }
        else if (protocolVersion == 2)
        {
            std::shared_ptr<Combined> combined =
                makeCombined(static_cast<std::uint16_t>(port + kCombinedPortOffset));
            std::lock_guard<std::mutex> lock(mutex_);
            sources_.combined.swap(combined);
        }
    }

    // The combined source stays until "portset" replaces it.
    void ReleaseProtocol1()
    {
        Sources released;
        std::lock_guard<std::mutex> lock(mutex_);
        released.centroid.swap(sources_.centroid);
        released.greyscale.swap(sources_.greyscale);
    }

    void ReleaseAll()
    {
        Sources released;
        std::lock_guard<std::mutex> lock(mutex_);
        std::swap(released, sources_);
    }

    Sources Current() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return sources_;
    }

    static void Produce(const Sources& sources, const VCameraSettings& settings,
                        std::uint32_t currentFrame, std::uint32_t previousFrame)
    {
        std::uint32_t bytesSent = 0;
        if (sources.combined)
            sources.combined->Produce(currentFrame, previousFrame, bytesSent);
        if (sources.centroid && settings.supportsCentroids)
            sources.centroid->Produce(currentFrame, previousFrame, bytesSent);
        if (sources.greyscale && settings.supportsGreyscale)
            sources.greyscale->Produce(currentFrame, previousFrame, bytesSent);
    }

private:
    mutable std::mutex mutex_;
    Sources sources_; // guarded by mutex_
};
