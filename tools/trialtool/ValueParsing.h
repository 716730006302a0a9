#pragma once
// Parsers for option values; each throws UsageError naming the option and the bad text.
// Reentrant.

#include <cstdint>
#include <optional>
#include <string>

namespace TrialTool
{
struct SensorSize
{
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The whole of `text` as a decimal integer in [low, high].
std::int64_t ParseInteger(const std::string& text, const std::string& option, std::int64_t low,
                          std::int64_t high);
// `fallback` when the option was not given.
std::int64_t ParseInteger(const std::optional<std::string>& text, const std::string& option,
                          std::int64_t low, std::int64_t high, std::int64_t fallback);
// A positive number of frames per second, at most 100000.
double ParseRate(const std::optional<std::string>& text, const std::string& option,
                 double fallback);
// "WIDTHxHEIGHT", each 1 to 65535.
SensorSize ParseSensorSize(const std::string& text, const std::string& option);
} // namespace TrialTool
