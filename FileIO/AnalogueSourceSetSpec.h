#pragma once
// What an X1D file says about one recorded analogue device (a source set) and its sources.
// Only the source numbers mean something to this program; the rest is passed on unchanged.
//
// Thread rules: plain values.

#include <cstdint>
#include <string>
#include <vector>

struct VAnalogueSourceSpec
{
    // 1-based channel number.
    std::int32_t number = 0;
};

struct VAnalogueSourceSetSpec
{
    std::int32_t identifier = 0;
    std::string firstName;
    std::string secondName;
    std::int64_t valueA = 0;
    std::int64_t valueB = 0;
    std::int64_t valueC = 0;
    std::vector<VAnalogueSourceSpec> sources;
};

inline bool operator==(const VAnalogueSourceSpec& left, const VAnalogueSourceSpec& right)
{
    return left.number == right.number;
}

inline bool operator==(const VAnalogueSourceSetSpec& left, const VAnalogueSourceSetSpec& right)
{
    return left.identifier == right.identifier && left.firstName == right.firstName &&
           left.secondName == right.secondName && left.valueA == right.valueA &&
           left.valueB == right.valueB && left.valueC == right.valueC &&
           left.sources == right.sources;
}
