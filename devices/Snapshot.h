#pragma once
// An immutable value that one thread replaces as a whole and others pick up whole: the
// reader holds its copy for as long as it likes, so a frame sees one consistent set of
// settings however the main thread changes them meanwhile.
//
// Thread rules: thread-safe; `mutex_` guards `current_` only for the moment of a swap or
// a copy.

#include <memory>
#include <mutex>

template <class T> class VSnapshot
{
public:
    explicit VSnapshot(T initial = T()) : current_(std::make_shared<const T>(std::move(initial))) {}

    void Publish(T value)
    {
        auto next = std::make_shared<const T>(std::move(value));
        std::lock_guard<std::mutex> lock(mutex_);
        current_.swap(next);
    }

    std::shared_ptr<const T> Get() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return current_;
    }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const T> current_;
};
