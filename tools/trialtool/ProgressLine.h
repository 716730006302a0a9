#pragma once
// A single updating line of progress ("compare: 42% (420 of 1000 frames)") for long work,
// written over itself with carriage returns, only when shown (on a terminal); the line is
// cleared when the work ends. Thread-bound to its owner.

#include <cstdint>
#include <ostream>
#include <string>

namespace TrialTool
{
class ProgressLine
{
public:
    ProgressLine(std::ostream& err, bool shown, std::string label, std::uint64_t total);
    // Clears the line.
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Rewrites the line when the whole percentage has changed.
    void Update(std::uint64_t done);
    void Clear();

private:
    std::ostream& err_;
    const bool shown_;
    const std::string label_;
    const std::uint64_t total_;
    int percent_ = -1;
    std::size_t width_ = 0; // of the line on screen
};

// True when `stream` is the standard error and that is a terminal.
bool IsTerminal(const std::ostream& stream);
} // namespace TrialTool
