#include "devices/DeviceFaults.h"

#include <boost/format.hpp>
#include <vector>

using Kind = FaultCommand::Kind;

VDeviceFaults::VDeviceFaults(boost::asio::io_context& ioService, std::uint32_t localAddress)
    : delayLine_(std::make_shared<VDelayLine>(ioService, localAddress))
{
}

VDeviceFaults::~VDeviceFaults()
{
    delayLine_->Discard();
}

bool VDeviceFaults::IsBefore(const std::atomic<std::int64_t>& deadline)
{
    const std::int64_t until = deadline.load(std::memory_order_relaxed);
    return until != 0 && Now() < until;
}

void VDeviceFaults::StartWindow(std::atomic<std::int64_t>& deadline,
                                std::chrono::milliseconds length)
{
    deadline = length.count() == 0 ? 0 : Now() + Clock::duration(length).count();
}

std::string VDeviceFaults::Apply(const FaultCommand& command)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        switch (command.kind)
        {
        case Kind::List:
            break;
        case Kind::Off:
            ClearAll();
            break;
        case Kind::Drop:
            drop_.emplace(command.share, command.seed);
            dropShare_ = command.share;
            dropSeed_ = command.seed;
            judged_ = dropped_ = 0;
            dropping_ = command.share > 0.0;
            break;
        case Kind::Silence:
            StartWindow(silenceUntil_, command.duration);
            break;
        case Kind::Delay:
            delayMs_ = command.duration.count();
            break;
        case Kind::Mute:
            StartWindow(muteUntil_, command.duration);
            break;
        case Kind::Refuse:
            StartWindow(refuseUntil_, command.duration);
            break;
        }
        UpdateActive();
    }
    return Describe();
}

void VDeviceFaults::ClearAll()
{
    drop_.reset();
    dropping_ = false;
    delayMs_ = 0;
    silenceUntil_ = muteUntil_ = refuseUntil_ = 0;
}

// Called with `mutex_` held. A silence stays on the data path until "fault off" or a
// "silence 0": the check is cheap next to a send, and nothing has to notice the end.
void VDeviceFaults::UpdateActive()
{
    dataFaults_ = dropping_.load() || delayMs_.load() > 0 || silenceUntil_.load() != 0;
}

VDeviceFaults::Verdict VDeviceFaults::Judge()
{
    if (IsBefore(silenceUntil_))
        return Verdict::Drop;
    if (dropping_.load(std::memory_order_relaxed))
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++judged_;
        if (drop_ && drop_->Next())
        {
            ++dropped_;
            return Verdict::Drop;
        }
    }
    return delayMs_.load(std::memory_order_relaxed) > 0 ? Verdict::SendLate : Verdict::Send;
}

void VDeviceFaults::SendLate(const void* data, std::size_t length, std::uint32_t remoteAddress,
                             std::uint16_t remotePort)
{
    delayLine_->SendLate(data, length, remoteAddress, remotePort,
                         std::chrono::milliseconds(delayMs_.load()));
}

std::optional<std::string> VDeviceFaults::WindowText(const char* name,
                                                     const std::atomic<std::int64_t>& deadline)
{
    const std::int64_t left = deadline.load() - Now();
    if (deadline.load() == 0 || left <= 0)
        return std::nullopt;
    const auto leftMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::duration(left));
    return (boost::format("%s %d ms left") % name % leftMs.count()).str();
}

std::string VDeviceFaults::Describe() const
{
    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (drop_)
            lines.push_back((boost::format("drop %g seed %u: %u of %u data datagrams dropped") %
                             dropShare_ % dropSeed_ % dropped_ % judged_)
                                .str());
    }
    if (const std::int64_t delay = delayMs_.load(); delay > 0)
        lines.push_back((boost::format("delay %d ms") % delay).str());
    for (const auto& [name, deadline] :
         {std::pair<const char*, const std::atomic<std::int64_t>*>{"silence", &silenceUntil_},
          {"mute", &muteUntil_},
          {"refuse", &refuseUntil_}})
        if (std::optional<std::string> text = WindowText(name, *deadline))
            lines.push_back(*text);
    if (lines.empty())
        return "no faults";
    std::string text = lines.front();
    for (std::size_t i = 1; i < lines.size(); ++i)
        text += "\n" + lines[i];
    return text;
}
