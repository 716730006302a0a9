#pragma once
// What a network box's frame path needs of its parameters, read once on the main thread
// after every committed change and handed to the frame threads whole: slot 0's sample rate,
// divisors, channel count, enabled channels and gains, its capture state, the card type,
// and the test-signal frequency of a synthetic box.
//
// Thread rules: a plain value; Read() is thread-bound to the main thread.

#include <array>
#include <cstdint>

class IParamList;

struct VNetBoxSettings
{
    static constexpr int kChannels = 64;

    double sampleRate = 0.0;
    int prescaler = 0;
    int divisor = 0;
    int numChannels = 0;
    // Bit i: channel i of slot 0 is enabled.
    std::uint64_t enabledChannels = 0;
    std::array<int, kChannels> gains{};
    bool captureActive = false;
    bool analogueCard = false;
    double testSignalFrequency = 0.0;

    static VNetBoxSettings Read(const IParamList& parameters);
};
