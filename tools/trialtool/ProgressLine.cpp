#include "tools/trialtool/ProgressLine.h"

#include <iostream>
#include <unistd.h>
#include <utility>

namespace TrialTool
{
ProgressLine::ProgressLine(std::ostream& err, bool shown, std::string label, std::uint64_t total)
    : err_(err), shown_(shown), label_(std::move(label)), total_(total)
{
}

ProgressLine::~ProgressLine()
{
    Clear();
}

void ProgressLine::Update(std::uint64_t done)
{
    if (!shown_ || total_ == 0)
        return;
    const int percent = int(std::min(done, total_) * 100 / total_);
    if (percent == percent_)
        return;
    percent_ = percent;
    const std::string line = label_ + ": " + std::to_string(percent) + "% (" +
                             std::to_string(done) + " of " + std::to_string(total_) + " frames)";
    err_ << '\r' << line << std::flush;
    width_ = line.size();
}

void ProgressLine::Clear()
{
    if (width_ == 0)
        return;
    err_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
    width_ = 0;
}

bool IsTerminal(const std::ostream& stream)
{
    return &stream == &std::cerr && isatty(STDERR_FILENO) == 1;
}
} // namespace TrialTool
