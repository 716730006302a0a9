#pragma once
// The arguments of one sub-command, consumed piece by piece: options ("--hal IP"),
// flags ("--surrogate"), then the positional words that remain. Mistakes throw
// UsageError. Thread-bound to its owner.

#include "tools/halprobe/PollUntil.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace HalProbe
{
class ArgumentList
{
public:
    explicit ArgumentList(std::vector<std::string> arguments);

    bool TakeFlag(const std::string& name);
    std::optional<std::string> TakeOption(const std::string& name);
    std::string TakeRequiredOption(const std::string& name);
    // Every value of an option that may be given more than once, in the order given.
    std::vector<std::string> TakeRepeatedOption(const std::string& name);
    // What is left; anything that still looks like an option is an error.
    std::vector<std::string> TakePositionals();
    // Throws UsageError when anything is left.
    void ExpectNothingElse();

private:
    std::vector<std::string> arguments_;
};

// Value parsers for the tool's arguments; each names `what` when it throws UsageError.
std::uint32_t ParseDeviceId(const std::string& text); // decimal or 0x hexadecimal
std::uint16_t ParsePort(const std::string& text);
std::int32_t ParseFrame(const std::string& text);
double ParseRate(const std::string& text);
double ParseSeconds(const std::string& text);
bool ParseOnOff(const std::string& text);

// A number of seconds as ParseSeconds gives it.
Clock::duration ToDuration(double seconds);
} // namespace HalProbe
