#pragma once
// The words of a "fault" command (the session's "fault ..." line without its keyword, or
// the console's -fault option), read into one fault to set. Reentrant.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

struct FaultCommand
{
    enum class Kind
    {
        List,    // no words: say which faults are active
        Off,     // clear every fault
        Drop,    // drop `share` of the data datagrams, drawn from `seed`
        Silence, // hold back every data datagram for `duration`
        Delay,   // send every data datagram `duration` late, until changed
        Mute,    // no announcements for `duration`
        Refuse   // no command session for `duration`
    };

    static constexpr std::uint64_t kDefaultSeed = 1;
    // Longer than any test or demonstration needs; beyond it a time is taken as a typo.
    static constexpr std::chrono::milliseconds kLongestTime{3600 * 1000};
    static constexpr const char* kUsage =
        "Usage: fault [drop SHARE [seed N] | silence MS | delay MS | mute MS | refuse MS | off]\n"
        "  SHARE from 0 to 1, MS from 0 to 3600000 milliseconds; \"fault\" alone lists the "
        "active faults";

    Kind kind = Kind::List;
    double share = 0.0;
    std::uint64_t seed = kDefaultSeed;
    std::chrono::milliseconds duration{0};
};

// The command, or nothing with `error` saying which word could not be used.
std::optional<FaultCommand> ParseFaultCommand(const std::string& words, std::string& error);
