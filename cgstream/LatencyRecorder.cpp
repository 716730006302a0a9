#include "cgstream/LatencyRecorder.h"

#include <chrono>
#include <cstdio>
#include <fstream>

std::int32_t VLatencyRecorder::MillisecondClock()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(milliseconds));
}

VLatencyRecorder::VLatencyRecorder(Clock clock) : clock_(std::move(clock)) {}

void VLatencyRecorder::RecordSent(std::uint32_t frame)
{
    std::lock_guard<std::mutex> lock(mutex_);
    sentTimes_[frame] = clock_();
    while (sentTimes_.size() > kMaxSentFrames)
        sentTimes_.erase(sentTimes_.begin());
}

// A latency of zero or less cannot be told from a clock that did not advance, so it is
// not counted.
void VLatencyRecorder::RecordReceived(std::uint32_t frame)
{
    const std::int64_t now = clock_();
    std::lock_guard<std::mutex> lock(mutex_);
    const auto sent = sentTimes_.find(frame);
    if (sent == sentTimes_.end())
        return;
    const std::int64_t sentAt = sent->second;
    sentTimes_.erase(sent);
    if (sentAt < now)
        ++histogram_[static_cast<std::uint32_t>(now - sentAt)];
}

void VLatencyRecorder::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    sentTimes_.clear();
    histogram_.clear();
}

// The lines go to a file beside the target that replaces it only once complete, so a
// failed write leaves nothing behind and an earlier export intact.
bool VLatencyRecorder::Export(const std::string& path) const
{
    const std::string partial = path + ".part";
    std::lock_guard<std::mutex> lock(mutex_);
    {
        std::ofstream out(partial, std::ios::out | std::ios::trunc);
        if (!out)
            return false;
        out << "Latency,Frequency\n";
        for (const auto& [latency, count] : histogram_)
            out << latency << ", " << count << '\n';
        out.close();
        if (out && std::rename(partial.c_str(), path.c_str()) == 0)
            return true;
    }
    std::remove(partial.c_str());
    return false;
}

std::map<std::uint32_t, std::int32_t> VLatencyRecorder::GetHistogram() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return histogram_;
}

bool VLatencyRecorder::IsPending(std::uint32_t frame) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return sentTimes_.count(frame) != 0;
}

std::size_t VLatencyRecorder::GetPendingCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return sentTimes_.size();
}
