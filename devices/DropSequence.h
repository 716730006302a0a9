#pragma once
// The seeded draw that decides which data datagrams a "drop" fault loses: SplitMix64 from
// the seed, one 64-bit draw per datagram, dropped when its top 53 bits, read as a fraction
// of 1, lie below the share. The same share and seed drop the same datagrams in the same
// order on every run and every platform, so a HAL test can compute what it must miss.
// Thread-bound to its owner.

#include <cstdint>

class VDropSequence
{
public:
    // `share` from 0 (never) to 1 (always).
    VDropSequence(double share, std::uint64_t seed);

    // Whether the next datagram is dropped.
    bool Next();

private:
    std::uint64_t NextDraw();

    std::uint64_t state_;
    std::uint64_t threshold_; // draws whose top 53 bits lie below it are dropped
};
